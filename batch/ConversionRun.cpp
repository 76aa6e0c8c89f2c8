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
#include "platform/MemoryBudget.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"
#include "stages/TextWatermark.h"

void ResetRunRecords() {
  InitRunState();
  InputList.Clear();
  BuildReadableExtensions();
}

unsigned WorkerCount(std::int32_t setting, std::size_t files) {
  unsigned count =
      setting > 0 ? static_cast<unsigned>(setting) : std::thread::hardware_concurrency();
  count = std::clamp(count, 1u, MaxWorkers);
  if (files < count) count = static_cast<unsigned>(std::max<std::size_t>(files, 1));
  return count;
}

ConversionRun::ConversionRun()
    : steps_{[](FileJob& job, const InputIdentities&) { return RenderFile(job); }, CommitFile} {}

ConversionRun::ConversionRun(FileSteps steps) : steps_(std::move(steps)) {}

ConversionRun::ConversionRun(FileConverter convert)
    : steps_{std::move(convert),
             [](FileJob&, const InputIdentities&, bool rendered) { return rendered; }} {}

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

void ConversionRun::PlanOnly() {
  planOnly_ = true;
  steps_ = {[](FileJob& job, const InputIdentities&) { return PlanFile(job); },
            [](FileJob& job, const InputIdentities& inputs, bool) {
              return CommitPlannedFile(job, inputs);
            }};
}

void ConversionRun::StartWithCurrentList() {
  importFirst_ = false;
  Start();
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
    snapshot.ImportWarnings = state_.ImportWarnings;
    snapshot.Converted = state_.Converted;
    snapshot.Failed = state_.Failed;
    snapshot.Paused = paused_;
    snapshot.StopRequested = stopRequested_.load();
    snapshot.Version = state_.Version;
    snapshot.Workers = state_.Workers;
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

void ConversionRun::Work() {
  std::string importProblem;
  const std::int32_t total =
      importFirst_ ? Import(importProblem) : static_cast<std::int32_t>(InputList.Size());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.Imported = total;
    if (!importProblem.empty()) state_.ImportWarnings.push_back(importProblem);
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

std::int32_t ConversionRun::Import(std::string& problem) {
  ResetProgress();
  if (stopRequested_) Progress.KeepRunning = 0;
  if (!RunState.InputFolder.empty()) {
    ScanInputFolder();
  } else if (const std::string e = LowerCase(PathExtension(RunState.InputFile));
             e == "txt" || e == "lst") {
    ReadInputList(&problem);
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
  InputList.Reset();
  std::string key;
  InputElement element;
  while (InputList.Next(key, element)) {
    entries_.push_back({key, element.RelativeFolder});
    FileIdentity identity;
    if (IdentifyFile(key, identity)) inputs_.insert(identity);
  }

  workers_ = WorkerCount(Settings.Threads, entries_.size());
  // The tone mapper's threads share the cores with the other workers; a lone
  // worker leaves it one per core.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  toneMapThreads_ = workers_ == 1 ? 0 : std::max(1u, cores / workers_);
  memoryBudget_ = AvailableMemoryBytes();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.resize(entries_.size());
    state_.Workers = workers_;
    firstCounter_ = RunState.Counter;
    randomNumbers_ = {RunState.RandomNumber};
  }

  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < workers_; ++i) helpers.emplace_back(&ConversionRun::ConvertFiles, this);
  ConvertFiles();
  for (std::thread& helper : helpers) helper.join();

  std::lock_guard<std::mutex> lock(mutex_);
  RunState.Counter = firstCounter_ + successes_;
  RunState.RandomNumber = RandomNumberAfter(successes_);
  state_.Elapsed = std::chrono::steady_clock::now() - convertStart_;
  state_.Phase = RunPhase::Finished;
  state_.CurrentFile.clear();
  Changed();
}

std::int32_t ConversionRun::RandomNumberAfter(std::int32_t successes) {
  // Drawn in order however the files finish, so a fixed seed gives every
  // file the same number for any worker count.
  while (randomNumbers_.size() <= static_cast<std::size_t>(successes))
    randomNumbers_.push_back(NewRandomNumber());
  return randomNumbers_[static_cast<std::size_t>(successes)];
}

bool ConversionRun::AdmitNextFile(std::size_t& index) {
  std::lock_guard<std::mutex> admitting(admission_);
  // Files rendered ahead wait for their commit as temporary files; keep
  // their number bounded.
  const std::size_t lookahead = 2 * std::size_t{workers_};
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] {
    return stopRequested_ || next_ >= slots_.size() || (!paused_ && next_ < head_ + lookahead);
  });
  if (stopRequested_ || next_ >= slots_.size()) return false;
  index = next_;
  const std::string path = entries_[index].path;
  lock.unlock();
  // Read from the header; a file that cannot be weighed fails at its load.
  const std::uint64_t estimate = EstimateInputWorkingSet(path);
  lock.lock();
  // A large file waits for memory instead of pushing the machine into swap;
  // alone it always goes (and fails with its reason when it cannot fit).
  changed_.wait(lock, [&] {
    return stopRequested_ || inFlight_ == 0 || inFlightBytes_ + estimate <= memoryBudget_;
  });
  if (stopRequested_) return false;
  // The gate may have closed meanwhile.
  changed_.wait(lock, [&] { return stopRequested_ || !paused_; });
  if (stopRequested_) return false;

  ++next_;
  ++inFlight_;
  inFlightBytes_ += estimate;
  FileSlot& slot = slots_[index];
  slot.estimate = estimate;
  FileJob& job = slot.job;
  job.InputFile = entries_[index].path;
  job.RelativeFolder = entries_[index].relativeFolder;
  job.ToneMapThreads = toneMapThreads_;
  // Predicted numbers: every earlier file not known to have failed is taken
  // to succeed. Example: with file 2 of 5 failed at its load and files 3
  // and 4 still rendering, file 5 is predicted 3 successes ahead of it.
  std::int32_t successes = successes_;
  for (std::size_t i = head_; i < index; ++i)
    if (!slots_[i].done || slots_[i].rendered) ++successes;
  job.Counter = firstCounter_ + successes;
  job.RandomNumber = RandomNumberAfter(successes);
  state_.Position = static_cast<std::int32_t>(index) + 1;
  state_.CurrentFile = job.InputFile;
  Changed();
  return true;
}

void ConversionRun::ConvertFiles() {
  std::size_t index = 0;
  while (AdmitNextFile(index)) {
    // The slot is this worker's alone until it is marked done.
    FileSlot& slot = slots_[index];
    FileJob job;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job = slot.job;
    }
    // Creation failures are left to the save, which then fails.
    if (Settings.KeepSubfolders && !planOnly_)
      MakeDirectories(RunState.OutputFolder + job.RelativeFolder);
    const auto began = std::chrono::steady_clock::now();
    bool rendered = false;
    try {
      rendered = steps_.Render(job, inputs_);
    } catch (const std::bad_alloc&) {
      // The libraries allocate with new in places; running out there ends
      // this file, not the run.
      NoteFailure(FailureKind::TooLarge, OutOfMemoryText);
    }
    FileFailure failure = TakeFailure();
    std::vector<std::string> warnings = TakeWarnings();

    std::unique_lock<std::mutex> lock(mutex_);
    slot.job = std::move(job);
    slot.rendered = rendered;
    slot.spent = std::chrono::steady_clock::now() - began;
    slot.failure = std::move(failure);
    slot.warnings = std::move(warnings);
    slot.done = true;
    --inFlight_;
    inFlightBytes_ -= slot.estimate;
    Changed();
    CommitReadyFiles(lock);
  }
}

void ConversionRun::CommitReadyFiles(std::unique_lock<std::mutex>& lock) {
  // Whoever commits goes on with the files that finish meanwhile.
  if (committing_) return;
  committing_ = true;
  while (head_ < next_ && slots_[head_].done) {
    FileSlot& slot = slots_[head_];
    slot.job.Counter = firstCounter_ + successes_;
    slot.job.RandomNumber = RandomNumberAfter(successes_);
    lock.unlock();
    FileResult result = CommitSlot(slot);
    lock.lock();
    ++head_;
    if (result.Converted) {
      ++successes_;
      ++state_.Converted;
    } else {
      ++state_.Failed;
    }
    state_.Results.push_back(std::move(result));
    slot = FileSlot{};
    Changed();
  }
  committing_ = false;
}

FileResult ConversionRun::CommitSlot(FileSlot& slot) {
  FileJob& job = slot.job;
  FileResult result;
  result.InputFile = job.InputFile;
  const std::int32_t renderedCounter = job.RenderedCounter;
  const std::int32_t renderedRandomNumber = job.RenderedRandomNumber;
  const auto began = std::chrono::steady_clock::now();
  try {
    result.Converted = steps_.Commit(job, inputs_, slot.rendered);
  } catch (const std::bad_alloc&) {
    NoteFailure(FailureKind::TooLarge, OutOfMemoryText);
    result.Converted = false;
  }
  result.Spent = std::chrono::duration_cast<std::chrono::milliseconds>(
      slot.spent + (std::chrono::steady_clock::now() - began));
  result.InputWidth = job.InputWidth;
  result.InputHeight = job.InputHeight;
  // The render's reason comes first, as it happened first.
  const FileFailure commitFailure = TakeFailure();
  result.Failure = slot.failure.Kind != FailureKind::None ? slot.failure : commitFailure;
  // A file rendered again at its commit said everything again then.
  const bool renderedAgain =
      job.RenderedCounter != renderedCounter || job.RenderedRandomNumber != renderedRandomNumber;
  if (!renderedAgain)
    for (const std::string& warning : slot.warnings)
      result.Warnings.push_back(job.InputFile + ": " + warning);
  for (const std::string& warning : TakeWarnings())
    result.Warnings.push_back(job.InputFile + ": " + warning);
  result.OutputFile = job.OutputFile;
  // The debug line names the last output built, as the run record did when a
  // file failed before its name was built.
  if (!job.OutputFile.empty()) lastOutput_ = job.OutputFile;
  if (debug_)
    result.DebugLines = {"Processing: " + job.InputFile, "Saving As: " + lastOutput_,
                         result.Converted ? "OK" : "Not OK"};

  if (result.Converted && planOnly_) {
    result.Failure = FileFailure{};
    result.OutputWidth = job.OutputWidth;
    result.OutputHeight = job.OutputHeight;
    const bool first = written_.emplace(job.OutputFile, job.InputFile).second;
    result.ReplacesExisting = !first || PathExists(job.OutputFile);
  } else if (result.Converted) {
    result.Failure = FileFailure{};
    ApplyFileTimestamp(job);
    result.OutputWidth = job.OutputWidth;
    result.OutputHeight = job.OutputHeight;
    result.BytesWritten = std::max<std::int64_t>(FileSize(job.OutputFile), 0);
    // Two inputs may give one output name; the later file replaces the
    // earlier one, and says so.
    auto [at, added] = written_.emplace(job.OutputFile, job.InputFile);
    if (!added) {
      result.Warnings.push_back(job.OutputFile + " was already written in this run; replaced by " +
                                job.InputFile);
      at->second = job.InputFile;
    }
  } else if (result.Failure.Kind == FailureKind::None) {
    result.Failure.Kind = FailureKind::WriteFailed;
  }
  return result;
}
