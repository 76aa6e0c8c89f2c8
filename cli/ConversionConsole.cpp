#include "cli/ConversionConsole.h"

#include <chrono>
#include <string>

#include "batch/ConversionRun.h"
#include "batch/RunReport.h"
#include "cli/ProgressLine.h"
#include "lang/LanguageTable.h"
#include "platform/Console.h"
#include "platform/Files.h"
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

// A dry run's line: where the file would go. It is the run's answer, so it
// shows in quiet mode too.
void PrintPlan(const FileResult& result) {
  if (result.Converted)
    PrintLine(result.InputFile + " -> " + result.OutputFile +
              (result.ReplacesExisting ? " (replaces an existing file)" : ""));
  else
    PrintLine(result.InputFile + " -> not converted: " + FailureText(result.Failure));
}

}  // namespace

ConversionTotals RunConversion(bool quiet) {
  const bool debug = RunState.RunMode == "DEBUG";
  const bool planOnly = Settings.DryRun != 0;
  const auto began = std::chrono::steady_clock::now();
  auto normal = [quiet](const std::string& line) {
    if (!quiet) PrintLine(line);
  };
  ConversionTotals totals;

  normal(LanguageText("General", "Preparing"));
  ConversionRun run;
  const CheckOutcome check = run.Check();
  if (debug)
    for (const std::string& line : check.EchoLines) PrintLine(line);
  std::string error = check.Error;
  // The report is made before anything is converted, so a path that cannot
  // be written ends the run like any other check. A dry run writes nothing.
  RunReport report;
  if (error.empty() && !planOnly && !Settings.ReportFile.empty()) {
    const std::string path = ResolveReportPath(Settings.ReportFile);
    if (path.empty())
      error = "Incorrect report file";
    else if (!report.Open(path))
      error = "Invalid report file";
  }
  if (!error.empty()) {
    PrintLine("Error: " + error);
    totals.Error = true;
    return totals;
  }

  normal(LanguageText("General", "Importing"));
  if (planOnly) run.PlanOnly();
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
      normal(FillPlaceholders(LanguageText("Msg", "Import complete"),
                              std::to_string(snapshot.Imported)));
      if (snapshot.Imported > 0 && !planOnly) normal(LanguageText("General", "Converting"));
    }
    if (!snapshot.Results.empty() && lineShown) {
      EraseProgressLine();
      lineShown = false;
    }
    for (const FileResult& result : snapshot.Results) {
      if (planOnly) {
        PrintPlan(result);
        for (const std::string& warning : result.Warnings)
          if (!quiet) PrintErrorLine("Warning: " + warning);
        continue;
      }
      PrintResult(result, quiet);
      report.WriteLine(ReportFileLine(result));
    }
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

  totals.Imported = snapshot.Imported;
  totals.Converted = snapshot.Converted;
  totals.Failed = snapshot.Failed;
  if (report.IsOpen()) {
    ReportSummary summary;
    summary.Inputs = snapshot.Imported;
    summary.Converted = snapshot.Converted;
    summary.Failed = snapshot.Failed;
    summary.Elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - began);
    summary.Workers = snapshot.Workers;
    report.WriteLine(ReportSummaryLine(summary));
  }
  if (snapshot.Imported == 0) {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
    PrintLine(LanguageText("Msg", "Empty input files"));
    return totals;
  }
  // A rehearsal has no totals to tell: its lines are the answer.
  if (planOnly) return totals;
  const std::int32_t converted = snapshot.Converted;
  if (converted > 0) {
    normal(LanguageText("Msg", "Conversion complete"));
    normal(FillPlaceholders(LanguageText("Msg", "Files converted"), std::to_string(converted),
                            std::to_string(snapshot.Imported)));
  } else {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
  }
  return totals;
}
