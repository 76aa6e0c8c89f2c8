// The command-line front end: parameters, help, version, usage errors, the
// banner and the hand-over to the run driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Parameter indices are 8-bit signed values: only the first 128 are read.
constexpr int MaxParameters = 128;

// Stores the program parameters (argv without argv[0]); later ones than the
// 128th are dropped.
void SetProgramParameters(int count, char** params);
void SetProgramParameters(const std::vector<std::string>& params);
// The number of stored parameters (at most MaxParameters).
int ParamCount();

// The upper-cased option name of parameter index: "" when it does not begin
// with "-"; for "--" the text before the first "="; for a single "-" the whole
// parameter. Out-of-range indices give "".
std::string OptionName(int index);
// The value part of parameter index: for "--" with "=" the text after the
// first "=", otherwise the whole parameter (blanks trimmed at both ends).
std::string OptionValue(int index);

// What handling the parameters in order left behind.
struct ParameterOutcome {
  std::string Error;  // "" or the message printed after "Error: "
  bool Quiet = false;
  bool Pause = false;
  // Standard-error lines about values that were taken but cannot mean what
  // the user wrote (colours that read as black), in command-line order.
  std::vector<std::string> Warnings;
};

// Applies every parameter to Settings and RunState in order, stopping at the
// first usage error. Expects the defaults to be in place already.
ParameterOutcome ReadParameters();

// What the entry point does after the command line: the process ends there,
// never here.
enum class NextMode {
  End,              // the command line did its work (or printed an error)
  Window,           // no parameters, or no input option and no error
  UninstallWindow,  // -U
  ScreenshotMode,   // -T, into Folder
};
struct CommandLineNext {
  NextMode Mode = NextMode::End;
  std::string Folder;
  int ExitCode = 0;  // 0 unless --exit-status asked for one
};

// With --exit-status: 0 when every file converted, 1 when some failed, 2 when
// the run ended with an "Error: " line or converted nothing.
int ExitStatusOf(bool error, std::int32_t imported, std::int32_t converted, std::int32_t failed);

CommandLineNext RunCommandLine();

// The lines of the help text for the program named prog.
std::vector<std::string> HelpLines(const std::string& prog);
