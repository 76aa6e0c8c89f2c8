#include "cli/CommandLine.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

#include "batch/ConversionRun.h"
#include "cli/ConversionConsole.h"
#include "codecs/FormatTables.h"
#include "lang/LanguageTable.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/ColorWarning.h"
#include "settings/OptionTable.h"
#include "settings/Product.h"
#include "settings/Profile.h"
#include "settings/Settings.h"

namespace {

std::vector<std::string> Parameters;

const char* const IncorrectParameters = "Incorrect number of parameters";
const char* const InvalidProfile = "Invalid profile file";

std::string Parameter(int index) {
  if (index < 0 || index >= ParamCount()) return "";
  return TrimBlanks(Parameters[static_cast<size_t>(index)]);
}

bool OpenConsole() { return ConsoleIsOpen(); }
void CloseConsole() { std::fflush(stdout); }

std::string RemoveQuotes(const std::string& value) {
  size_t b = value.find_first_not_of('"');
  if (b == std::string::npos) return "";
  return value.substr(b, value.find_last_not_of('"') - b + 1);
}

// A value that the shell split at a blank inside double quotes is joined
// again from the following parameters; those are then not handled as options.
std::string CompleteQuoted(std::string value, int& i) {
  if (StartsWith(value, "\"") && !EndsWith(value, "\"")) {
    while (i < ParamCount() - 1) {
      ++i;
      std::string part = OptionValue(i);
      value += " " + part;
      if (EndsWith(part, "\"")) break;
    }
  }
  return RemoveQuotes(value);
}

bool IsShortOrLongWithValue(const std::string& name) {
  return name == "-I" || name == "--INPUT" || name == "-O" || name == "--OUTPUT" || name == "-C" ||
         name == "--CONVERSION";
}

}  // namespace

void SetProgramParameters(int count, char** params) {
  std::vector<std::string> list;
  for (int i = 0; i < count && i < MaxParameters; ++i)
    list.emplace_back(params[i] ? params[i] : "");
  SetProgramParameters(list);
}

void SetProgramParameters(const std::vector<std::string>& params) {
  Parameters.assign(params.begin(),
                    params.size() > MaxParameters ? params.begin() + MaxParameters : params.end());
}

int ParamCount() { return static_cast<int>(Parameters.size()); }

std::string OptionName(int index) {
  const std::string p = Parameter(index);
  if (!StartsWith(p, "-")) return "";
  if (StartsWith(p, "--")) return UpperCase(p.substr(0, p.find('=')));
  return UpperCase(p);
}

std::string OptionValue(int index) {
  const std::string p = Parameter(index);
  size_t eq = p.find('=');
  if (StartsWith(p, "--") && eq != std::string::npos) return p.substr(eq + 1);
  return p;
}

ParameterOutcome ReadParameters() {
  ParameterOutcome outcome;
  for (int i = 0; i < ParamCount(); ++i) {
    const std::string name = OptionName(i);
    if (name.empty()) continue;

    if (IsShortOrLongWithValue(name)) {
      std::string value;
      if (StartsWith(name, "--")) {
        value = OptionValue(i);
      } else {
        ++i;
        value = Parameter(i);
      }
      if (value.empty() || value[0] == '-') {
        outcome.Error = IncorrectParameters;
        break;
      }
      const char kind = name[name[1] == '-' ? 2 : 1];
      if (kind == 'C') {
        RunState.ConversionType = RemoveQuotes(value);
      } else if (kind == 'I') {
        RunState.CommandLineRun = 1;
        RunState.InputFolder = CompleteQuoted(value, i);
      } else {
        RunState.OutputFolder = CompleteQuoted(value, i);
      }
      continue;
    }

    if (name == "-D" || name == "--DEBUG") {
      RunState.RunMode = "DEBUG";
      continue;
    }
    if (name == "-Q" || name == "--QUIET") {
      outcome.Quiet = true;
      continue;
    }
    if (name == "-P" || name == "--PAUSE") {
      outcome.Pause = true;
      continue;
    }
    if (name == "--WATCH") {
      RunState.Watch = 1;
      continue;
    }

    const OptionKind kind = FindOption(name);
    if (kind == OptionKind::Flag) {
      ApplyOption(name, "");
      continue;
    }
    if (kind == OptionKind::None && name != "--PROFILE") continue;  // not ours: ignored

    std::string value = OptionValue(i);
    if (value.empty() || StartsWith(value, "--")) {
      outcome.Error = IncorrectParameters;
      break;
    }
    if (name == "--PROFILE") {
      if (!LoadProfile(CompleteQuoted(value, i), &outcome.Warnings)) {
        outcome.Error = InvalidProfile;
        break;
      }
      continue;
    }
    if (kind == OptionKind::Text) value = CompleteQuoted(value, i);
    ApplyOption(name, value);
    std::string warning = ColorWarning(name, value);
    if (!warning.empty()) outcome.Warnings.push_back(std::move(warning));
  }
  return outcome;
}

int ExitStatusOf(bool error, std::int32_t imported, std::int32_t converted, std::int32_t failed) {
  if (error || imported == 0 || converted == 0) return 2;
  return failed > 0 ? 1 : 0;
}

CommandLineNext RunCommandLine() {
  if (ParamCount() == 0) return {NextMode::Window, ""};

  BuildFormatTables();
  ResetRunRecords();
  ApplyDefaults(1);
  BuildLanguageTable();

  // Special first parameters; later in the command line they mean nothing.
  const std::string first = OptionName(0);
  if (first == "-U") return {NextMode::UninstallWindow, ""};
  if (first == "-T") {
    RunState.RunMode = "T";
    return {NextMode::ScreenshotMode, OptionValue(1)};
  }
  if (first == "-V" || first == "--VERSION") {
    if (OpenConsole()) {
      SetConsoleTitle(WindowTitle());
      PrintLine(VersionText(ProgramVersion));
      CloseConsole();
    }
    return {NextMode::End, ""};
  }
  if (first == "-H" || first == "-?" || first == "--HELP") {
    if (OpenConsole()) {
      SetConsoleTitle(WindowTitle());
      for (const std::string& line : HelpLines(ProgramName())) PrintLine(line);
      CloseConsole();
    }
    return {NextMode::End, ""};
  }

  const ParameterOutcome outcome = ReadParameters();

  // Warnings wait for the whole command line: a -q anywhere silences them.
  if (!outcome.Quiet && (!outcome.Error.empty() || RunState.CommandLineRun == 1) && OpenConsole())
    for (const std::string& warning : outcome.Warnings) PrintErrorLine(warning);

  if (!outcome.Error.empty() && OpenConsole()) {
    SetConsoleTitle(WindowTitle());
    PrintLine("Error: " + outcome.Error);
    if (outcome.Pause) WaitForKey();
    CloseConsole();
    // Options are read in order, so only an --exit-status before the error counts.
    return {NextMode::End, "", Settings.ExitStatus ? 2 : 0};
  }

  if (RunState.CommandLineRun == 1 && OpenConsole()) {
    SetConsoleTitle(WindowTitle());
    if (!outcome.Quiet) {
      PrintLine(WindowTitle());
      PrintLine(ReplaceAll(MakerCopyright, "\xC2\xA9", "(c)"));
      PrintLine(MakerHomepage);
      PrintLine(" ");
    }
    const ConversionTotals totals = RunConversion(outcome.Quiet);
    if (outcome.Pause) {
      PrintLine("Press any key to exit.");
      WaitForKey();
    }
    CloseConsole();
    return {NextMode::End, "",
            Settings.ExitStatus
                ? ExitStatusOf(totals.Error, totals.Imported, totals.Converted, totals.Failed)
                : 0};
  }

  return {NextMode::Window, ""};
}
