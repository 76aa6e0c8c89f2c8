#include "batch/ConversionRun.h"

#include <algorithm>
#include <new>
#include <utility>

#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "batch/RunChecks.h"
#include "codecs/FormatTables.h"
#include "pipeline/Progress.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "stages/TextWatermark.h"

void ResetRunRecords() {
  InitRunState();
  InputList.Clear();
  BuildReadableExtensions();
}

ConversionRun::ConversionRun(FileConverter convert) : convert_(std::move(convert)) {}

ConversionRun::~ConversionRun() {
  Wait();
  ReleaseWatermarkFont();
}

CheckOutcome ConversionRun::Check() {
  CheckOutcome outcome;
  outcome.Error = CheckRun(outcome.EchoLines);
  return outcome;
}

void ConversionRun::Start() {
  debug_ = RunState.CommandLineRun == 1 && RunState.RunMode == "DEBUG";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.Phase = RunPhase::Importing;
    Changed();
  }
  worker_ = std::thread(&ConversionRun::Work, this);
}

void ConversionRun::Changed() {
  ++state_.Version;
  changed_.notify_all();
}

RunSnapshot ConversionRun::Snapshot(std::size_t resultsFrom) const {
  RunSnapshot snapshot;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot.Phase = state_.Phase;
    snapshot.Position = state_.Position;
    snapshot.CurrentFile = state_.CurrentFile;
    snapshot.Imported = state_.Imported;
    snapshot.Converted = state_.Converted;
    snapshot.Failed = state_.Failed;
    snapshot.Paused = paused_;
    snapshot.StopRequested = stopRequested_.load();
    snapshot.Version = state_.Version;
    if (state_.Phase == RunPhase::Converting)
      snapshot.Elapsed = std::chrono::steady_clock::now() - convertStart_;
    else
      snapshot.Elapsed = state_.Elapsed;
    snapshot.ResultsFrom = std::min(resultsFrom, state_.Results.size());
    snapshot.Results.assign(state_.Results.begin() + static_cast<long>(snapshot.ResultsFrom),
                            state_.Results.end());
  }
  if (snapshot.Phase == RunPhase::Importing) {
    // The scans report through the shared progress record.
    std::lock_guard<std::mutex> lock(ProgressMutex);
    snapshot.Position = Progress.Position;
  }
  return snapshot;
}

void ConversionRun::WaitForChange(std::uint64_t seen, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return state_.Version != seen; });
}

void ConversionRun::RequestStop() {
  stopRequested_ = true;
  Progress.KeepRunning = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  Changed();
}

void ConversionRun::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
  Changed();
}

void ConversionRun::Resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = false;
  Changed();
}

void ConversionRun::Wait() {
  if (worker_.joinable()) worker_.join();
}

bool ConversionRun::PassGate() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !paused_ || stopRequested_; });
  return !stopRequested_;
}

void ConversionRun::Work() {
  const std::int32_t total = Import();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.Imported = total;
    state_.Position = 0;
    if (total > 0) {
      state_.Phase = RunPhase::Converting;
      convertStart_ = std::chrono::steady_clock::now();
    } else {
      state_.Phase = RunPhase::Finished;
    }
    Changed();
  }
  if (total > 0) Convert();
}

std::int32_t ConversionRun::Import() {
  ResetProgress();
  if (stopRequested_) Progress.KeepRunning = 0;
  if (!RunState.InputFolder.empty()) {
    ScanInputFolder();
  } else if (const std::string e = LowerCase(PathExtension(RunState.InputFile));
             e == "txt" || e == "lst") {
    ReadInputList();
  } else {
    const int added = AddInputFile(RunState.InputFile);
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = added;
  }
  std::lock_guard<std::mutex> lock(ProgressMutex);
  return Progress.ResultCount;
}

void ConversionRun::Convert() {
  // The list is taken in its conversion order first; the identities of its
  // files keep any output from replacing one of them.
  struct Entry {
    std::string path;
    std::string relativeFolder;
  };
  std::vector<Entry> entries;
  InputIdentities inputs;
  InputList.Reset();
  std::string key;
  InputElement element;
  while (InputList.Next(key, element)) {
    entries.push_back({key, element.RelativeFolder});
    FileIdentity identity;
    if (IdentifyFile(key, identity)) inputs.insert(identity);
  }

  // Output paths written so far, with the input each came from.
  std::map<std::string, std::string> written;
  // The debug line names the last output built, as the run record did when a
  // file failed before its name was built.
  std::string lastOutput;
  std::int32_t started = 0;
  for (const Entry& entry : entries) {
    if (!PassGate()) break;
    ++started;
    FileJob job;
    job.InputFile = entry.path;
    job.RelativeFolder = entry.relativeFolder;
    job.Counter = RunState.Counter;
    job.RandomNumber = RunState.RandomNumber;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      state_.Position = started;
      state_.CurrentFile = job.InputFile;
      Changed();
    }
    // Creation failures are left to the save, which then fails.
    if (Settings.KeepSubfolders) MakeDirectories(RunState.OutputFolder + job.RelativeFolder);

    FileResult result;
    result.InputFile = job.InputFile;
    try {
      result.Converted = convert_(job, inputs);
    } catch (const std::bad_alloc&) {
      // The libraries allocate with new in places; running out there ends
      // this file, not the run.
      NoteFailure(FailureKind::TooLarge, "out of memory");
    }
    result.OutputFile = job.OutputFile;
    result.Failure = TakeFailure();
    for (const std::string& warning : TakeWarnings())
      result.Warnings.push_back(job.InputFile + ": " + warning);
    if (!job.OutputFile.empty()) lastOutput = job.OutputFile;
    if (debug_)
      result.DebugLines = {"Processing: " + job.InputFile, "Saving As: " + lastOutput,
                           result.Converted ? "OK" : "Not OK"};

    if (result.Converted) {
      result.Failure = FileFailure{};
      RunState.RandomNumber = NewRandomNumber();
      ++RunState.Counter;
      ApplyFileTimestamp(job);
      // Two inputs may give one output name; the later file replaces the
      // earlier one, and says so.
      auto [at, added] = written.emplace(job.OutputFile, job.InputFile);
      if (!added) {
        result.Warnings.push_back(job.OutputFile +
                                  " was already written in this run; replaced by " + job.InputFile);
        at->second = job.InputFile;
      }
    } else if (result.Failure.Kind == FailureKind::None) {
      result.Failure.Kind = FailureKind::WriteFailed;
    }

    std::lock_guard<std::mutex> lock(mutex_);
    if (result.Converted)
      ++state_.Converted;
    else
      ++state_.Failed;
    state_.Results.push_back(std::move(result));
    Changed();
  }

  std::lock_guard<std::mutex> lock(mutex_);
  state_.Elapsed = std::chrono::steady_clock::now() - convertStart_;
  state_.Phase = RunPhase::Finished;
  state_.CurrentFile.clear();
  Changed();
}
