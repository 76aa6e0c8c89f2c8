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

// Follows a started run to its end: the import line, every finished file
// and the live progress line. stopWanted, when given, is asked at every
// change; once it says yes the run finishes the files in flight and starts
// no other.
RunSnapshot FollowRun(ConversionRun& run, bool quiet, const std::function<bool()>& stopWanted) {
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
  return snapshot;
}

// The totals of a finished run; returns the number of files converted. A
// watch says nothing about a folder that held no file yet.
std::int32_t PrintTotals(const RunSnapshot& snapshot, bool quiet, bool watching) {
  if (snapshot.Imported == 0) {
    if (!watching) {
      PrintLine(LanguageText("Msg", "Conversion is not complete"));
      PrintLine(LanguageText("Msg", "Empty input files"));
    }
    return 0;
  }
  const std::int32_t converted = snapshot.Converted;
  if (converted > 0) {
    if (!quiet) {
      PrintLine(LanguageText("Msg", "Conversion complete"));
      PrintLine(FillPlaceholders(LanguageText("Msg", "Files converted"), std::to_string(converted),
                                 std::to_string(snapshot.Imported)));
    }
  } else {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
  }
  return converted;
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
int WatchFolder(ConversionRun& first, bool quiet) {
  FolderEvents events;
  int wake[2];
  if (!events.Open(RunState.InputFolder) || ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    PrintLine("Error: Invalid watch folder");
    return -1;
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
  RunSnapshot snapshot = FollowRun(first, quiet, stopWanted);
  std::int32_t converted = PrintTotals(snapshot, quiet, true);
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
    snapshot = FollowRun(batch, quiet, stopWanted);
    converted += PrintTotals(snapshot, quiet, true);
    written.Note(batch.Snapshot().Results);
  }
  if (endingSignal != 0) EndByInterrupt(endingSignal);
  DeferInterrupts(-1);
  ::close(wake[0]);
  ::close(wake[1]);
  return converted;
}

}  // namespace

int RunConversion(bool quiet) {
  const bool debug = RunState.RunMode == "DEBUG";
  if (!quiet) PrintLine(LanguageText("General", "Preparing"));
  ConversionRun run;
  const CheckOutcome check = run.Check();
  if (debug)
    for (const std::string& line : check.EchoLines) PrintLine(line);
  if (!check.Error.empty()) {
    PrintLine("Error: " + check.Error);
    return -1;
  }
  if (RunState.Watch) return WatchFolder(run, quiet);

  if (!quiet) PrintLine(LanguageText("General", "Importing"));
  run.Start();
  const RunSnapshot snapshot = FollowRun(run, quiet, nullptr);
  return PrintTotals(snapshot, quiet, false);
}
