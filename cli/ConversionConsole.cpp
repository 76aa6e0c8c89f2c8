#include "cli/ConversionConsole.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <tuple>

#include "batch/ConversionRun.h"
#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "batch/RunReport.h"
#include "cli/ProgressLine.h"
#include "lang/LanguageTable.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/FolderEvents.h"
#include "platform/InterruptCleanup.h"
#include "settings/Settings.h"
#include "stages/TextWatermark.h"

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

// What a face prints and writes while following a run.
struct RunOutputs {
  bool quiet = false;
  bool planOnly = false;        // a dry run: names instead of conversions
  RunReport* report = nullptr;  // one line per committed file when open
};

// Follows a started run to its end: the import line, every finished file
// and the live progress line. stopWanted, when given, is asked at every
// change; once it says yes the run finishes the files in flight and starts
// no other.
RunSnapshot FollowRun(ConversionRun& run, const RunOutputs& outputs,
                      const std::function<bool()>& stopWanted) {
  const bool quiet = outputs.quiet;
  const bool planOnly = outputs.planOnly;
  auto normal = [quiet](const std::string& line) {
    if (!quiet) PrintLine(line);
  };
  const bool live = !quiet && ProgressLineWanted();
  bool importShown = false;
  bool lineShown = false;
  std::size_t printed = 0;
  RunSnapshot snapshot;
  for (;;) {
    run.WaitForChange(snapshot.Version, std::chrono::milliseconds(250));
    if (stopWanted && !snapshot.StopRequested && stopWanted()) run.RequestStop();
    snapshot = run.Snapshot(printed);
    if (!importShown && snapshot.Phase != RunPhase::Importing) {
      importShown = true;
      // Like a file's reason: on standard error, unless quiet.
      if (!quiet)
        for (const std::string& warning : snapshot.ImportWarnings)
          PrintErrorLine("Warning: " + warning);
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
      outputs.report->WriteLine(ReportFileLine(result));
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
  return snapshot;
}

// The totals of a finished run, unless it was a dry run (its lines are the
// answer). A watch says nothing about a folder that held no file yet.
void PrintTotals(const RunSnapshot& snapshot, const RunOutputs& outputs, bool watching) {
  if (snapshot.Imported == 0) {
    if (!watching) {
      PrintLine(LanguageText("Msg", "Conversion is not complete"));
      PrintLine(LanguageText("Msg", "Empty input files"));
    }
    return;
  }
  if (outputs.planOnly) return;
  const std::int32_t converted = snapshot.Converted;
  if (converted > 0) {
    if (!outputs.quiet) {
      PrintLine(LanguageText("Msg", "Conversion complete"));
      PrintLine(FillPlaceholders(LanguageText("Msg", "Files converted"), std::to_string(converted),
                                 std::to_string(snapshot.Imported)));
    }
  } else {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
  }
}

void AddToTotals(ConversionTotals& totals, const RunSnapshot& snapshot) {
  totals.Imported += snapshot.Imported;
  totals.Converted += snapshot.Converted;
  totals.Failed += snapshot.Failed;
}

// The report's last line: the counts of the whole run (of every batch of a
// watch).
void WriteSummary(RunReport& report, const ConversionTotals& totals, unsigned workers,
                  std::chrono::steady_clock::time_point began) {
  if (!report.IsOpen()) return;
  ReportSummary summary;
  summary.Inputs = totals.Imported;
  summary.Converted = totals.Converted;
  summary.Failed = totals.Failed;
  summary.Elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - began);
  summary.Workers = workers;
  report.WriteLine(ReportSummaryLine(summary));
}

// The outputs a watch wrote, as they were when written: an output written
// into the watched tree must not come back as a new input (hdr output would
// otherwise feed itself forever), but a file put over it later is new.
class WrittenOutputs {
 public:
  void Note(const std::vector<FileResult>& results) {
    for (const FileResult& result : results) {
      State state;
      if (result.Converted && Examine(result.OutputFile, state)) written_.insert(state);
    }
  }
  bool Holds(const std::string& path) const {
    State state;
    return Examine(path, state) && written_.count(state) != 0;
  }

 private:
  // Device, inode, size and modification time in nanoseconds.
  using State = std::tuple<dev_t, ino_t, off_t, long long>;
  static bool Examine(const std::string& path, State& state) {
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return false;
    state = {info.st_dev, info.st_ino, info.st_size,
             static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
    return true;
  }
  std::set<State> written_;
};

// The run first converts what the folder holds, then every file that appears
// in its tree, a batch of runs that share the counter and random numbers.
// SIGINT and SIGTERM end it once the files in flight are done; the process
// then ends by that signal, as an interrupted run does.
ConversionTotals WatchFolder(ConversionRun& first, const RunOutputs& outputs,
                             std::chrono::steady_clock::time_point began) {
  const bool quiet = outputs.quiet;
  ConversionTotals totals;
  FolderEvents events;
  int wake[2];
  if (!events.Open(RunState.InputFolder) || ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    PrintLine("Error: Invalid watch folder");
    totals.Error = true;
    return totals;
  }
  DeferInterrupts(wake[1]);
  int endingSignal = 0;
  const std::function<bool()> stopWanted = [&] {
    unsigned char sig = 0;
    if (endingSignal == 0 && ::read(wake[0], &sig, 1) == 1) endingSignal = sig;
    return endingSignal != 0;
  };

  if (!quiet) PrintLine(LanguageText("General", "Importing"));
  first.Start();
  RunSnapshot snapshot = FollowRun(first, outputs, stopWanted);
  AddToTotals(totals, snapshot);
  unsigned workers = snapshot.Workers;
  PrintTotals(snapshot, outputs, true);
  // The last snapshot holds only what was not printed before; take them all.
  WrittenOutputs written;
  written.Note(first.Snapshot().Results);

  while (!stopWanted()) {
    pollfd waits[2] = {{events.Descriptor(), POLLIN, 0}, {wake[0], POLLIN, 0}};
    if (::poll(waits, 2, -1) < 0 && errno != EINTR) break;
    if (stopWanted()) break;
    std::vector<std::string> ready;
    events.Read(ready);
    // A fresh list each time: a file written again is a new input.
    InputList.Clear();
    int added = 0;
    for (const std::string& path : ready)
      if (IsRegularFile(path) && !written.Holds(path)) added += AddInputFile(path);
    if (added == 0) continue;

    // Every run lets go of the watermark font at its end.
    if (Settings.DoWatermark == 1) LoadWatermarkFont();
    ConversionRun batch;
    if (!quiet) PrintLine(LanguageText("General", "Importing"));
    batch.StartWithCurrentList();
    snapshot = FollowRun(batch, outputs, stopWanted);
    AddToTotals(totals, snapshot);
    if (snapshot.Workers > workers) workers = snapshot.Workers;
    PrintTotals(snapshot, outputs, true);
    written.Note(batch.Snapshot().Results);
  }
  // The report is whole before the process ends by the signal.
  WriteSummary(*outputs.report, totals, workers, began);
  if (endingSignal != 0) EndByInterrupt(endingSignal);
  DeferInterrupts(-1);
  ::close(wake[0]);
  ::close(wake[1]);
  return totals;
}

}  // namespace

ConversionTotals RunConversion(bool quiet) {
  const bool debug = RunState.RunMode == "DEBUG";
  const bool planOnly = Settings.DryRun != 0;
  const auto began = std::chrono::steady_clock::now();
  ConversionTotals totals;

  if (!quiet) PrintLine(LanguageText("General", "Preparing"));
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
  const RunOutputs outputs{quiet, planOnly, &report};
  // A dry run only names what the folder holds now.
  if (RunState.Watch && !planOnly) return WatchFolder(run, outputs, began);

  if (!quiet) PrintLine(LanguageText("General", "Importing"));
  if (planOnly) run.PlanOnly();
  run.Start();
  const RunSnapshot snapshot = FollowRun(run, outputs, nullptr);
  AddToTotals(totals, snapshot);
  WriteSummary(report, totals, snapshot.Workers, began);
  PrintTotals(snapshot, outputs, false);
  return totals;
}
