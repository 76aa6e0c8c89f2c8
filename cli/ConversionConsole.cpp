#include "cli/ConversionConsole.h"

#include <chrono>
#include <string>

#include "batch/ConversionRun.h"
#include "cli/ProgressLine.h"
#include "lang/LanguageTable.h"
#include "platform/Console.h"
#include "settings/Settings.h"

namespace {

// Prints one finished file: its debug lines on standard output, and unless
// quiet its reason and warnings on standard error.
void PrintResult(const FileResult& result, bool quiet) {
  for (const std::string& line : result.DebugLines) PrintLine(line);
  if (quiet) return;
  if (!result.Converted)
    PrintErrorLine("Not converted: " + result.InputFile + ": " + FailureText(result.Failure));
  for (const std::string& warning : result.Warnings) PrintErrorLine("Warning: " + warning);
}

}  // namespace

int RunConversion(bool quiet) {
  const bool debug = RunState.RunMode == "DEBUG";
  auto normal = [quiet](const std::string& line) {
    if (!quiet) PrintLine(line);
  };

  normal(LanguageText("General", "Preparing"));
  ConversionRun run;
  const CheckOutcome check = run.Check();
  if (debug)
    for (const std::string& line : check.EchoLines) PrintLine(line);
  if (!check.Error.empty()) {
    PrintLine("Error: " + check.Error);
    return -1;
  }

  normal(LanguageText("General", "Importing"));
  run.Start();
  const bool live = !quiet && ProgressLineWanted();
  bool importShown = false;
  bool lineShown = false;
  std::size_t printed = 0;
  RunSnapshot snapshot;
  for (;;) {
    run.WaitForChange(snapshot.Version, std::chrono::milliseconds(250));
    snapshot = run.Snapshot(printed);
    if (!importShown && snapshot.Phase != RunPhase::Importing) {
      importShown = true;
      // Like a file's reason: on standard error, unless quiet.
      if (!quiet)
        for (const std::string& warning : snapshot.ImportWarnings)
          PrintErrorLine("Warning: " + warning);
      normal(FillPlaceholders(LanguageText("Msg", "Import complete"),
                              std::to_string(snapshot.Imported)));
      if (snapshot.Imported > 0) normal(LanguageText("General", "Converting"));
    }
    if (!snapshot.Results.empty() && lineShown) {
      EraseProgressLine();
      lineShown = false;
    }
    for (const FileResult& result : snapshot.Results) PrintResult(result, quiet);
    printed = snapshot.ResultsFrom + snapshot.Results.size();
    if (snapshot.Phase == RunPhase::Finished) break;
    if (live && snapshot.Phase == RunPhase::Converting) {
      const double elapsed = std::chrono::duration<double>(snapshot.Elapsed).count();
      ShowProgressLine(ProgressLineText(static_cast<int>(printed), snapshot.Imported,
                                        snapshot.CurrentFile, elapsed, TerminalColumns()));
      lineShown = true;
    }
  }
  if (lineShown) EraseProgressLine();
  run.Wait();

  if (snapshot.Imported == 0) {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
    PrintLine(LanguageText("Msg", "Empty input files"));
    return 0;
  }
  const std::int32_t converted = snapshot.Converted;
  if (converted > 0) {
    normal(LanguageText("Msg", "Conversion complete"));
    normal(FillPlaceholders(LanguageText("Msg", "Files converted"), std::to_string(converted),
                            std::to_string(snapshot.Imported)));
  } else {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
  }
  return converted;
}
