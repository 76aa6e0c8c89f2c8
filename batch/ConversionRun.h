// One conversion run as an object every face drives: the command line prints
// what it returns, a window polls the same snapshot. The run checks the
// settings, imports the inputs and converts them on a worker thread; the
// face reads progress at any time, can close a gate (no new file starts) and
// can ask the run to stop after the file in progress.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/ConvertFile.h"
#include "settings/FileFailure.h"
#include "settings/FileJob.h"

// Resets RunState and empties the input list for a new run (the input list
// belongs to the batch level, so resetting the settings records leaves it).
void ResetRunRecords();

struct CheckOutcome {
  std::vector<std::string> EchoLines;  // debug echo of the settings checked so far
  std::string Error;                   // "" when the run may start, else e.g. "Invalid input file"
};

// One finished file.
struct FileResult {
  std::string InputFile;
  std::string OutputFile;  // "" when no name was built (the picture did not load)
  bool Converted = false;
  FileFailure Failure;                  // why it was not converted
  std::vector<std::string> Warnings;    // whole texts, e.g. "/out/x.png was already written ..."
  std::vector<std::string> DebugLines;  // "Processing: ", "Saving As: ", "OK" (debug mode)
  std::int32_t InputWidth = 0;          // as loaded; 0 when it did not load
  std::int32_t InputHeight = 0;
  std::int32_t OutputWidth = 0;  // as written; 0 when not converted
  std::int32_t OutputHeight = 0;
  std::int64_t BytesWritten = 0;      // size of the output file; 0 when not converted
  std::chrono::milliseconds Spent{};  // rendering and committing this file
  bool ReplacesExisting = false;      // a planned name that exists, or came earlier
};

enum class RunPhase { Ready, Importing, Converting, Finished };

struct RunSnapshot {
  RunPhase Phase = RunPhase::Ready;
  std::int32_t Position = 0;  // items started in the current phase
  std::string CurrentFile;    // the file being converted
  std::int32_t Imported = 0;  // files in the input list once the import is done
  // Why an input was not read at all (e.g. "/in/list.txt: list file is
  // 70.0 MiB, over the 64 MiB limit; not read"); set when the import is done.
  std::vector<std::string> ImportWarnings;
  std::int32_t Converted = 0;
  std::int32_t Failed = 0;
  std::chrono::steady_clock::duration Elapsed{};  // since the conversion began
  bool Paused = false;
  bool StopRequested = false;
  std::size_t ResultsFrom = 0;      // index of Results.front() among all results
  std::vector<FileResult> Results;  // finished files in list order, from ResultsFrom
  std::uint64_t Version = 0;        // grows with every change
  unsigned Workers = 0;             // files converted at once (once converting)
};

// The two steps of a file's conversion as the run calls them (every face uses
// RenderFile and CommitFile; tests pass their own).
struct FileSteps {
  // On any worker, several files at once, in any order; the job's counter
  // and random number are predictions.
  std::function<bool(FileJob&, const InputIdentities&)> Render;
  // One file at a time in list order, with the final numbers in the job;
  // rendered is what Render returned.
  std::function<bool(FileJob&, const InputIdentities&, bool rendered)> Commit;
};

// How many files a run converts at once: setting (0 or less: one per core),
// at most MaxWorkers, and never more than there are files.
constexpr unsigned MaxWorkers = 64;
unsigned WorkerCount(std::int32_t setting, std::size_t files);

class ConversionRun {
 public:
  using FileConverter = std::function<bool(FileJob&, const InputIdentities&)>;

  ConversionRun();
  explicit ConversionRun(FileSteps steps);
  // A whole conversion as the render step, with nothing left to commit.
  explicit ConversionRun(FileConverter convert);
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;
  // Waits for the worker, then releases the watermark font.
  ~ConversionRun();

  // Resolves the paths and checks the settings of Settings and RunState in
  // their fixed order; the first failing check ends it.
  CheckOutcome Check();

  // Starts the import and then the conversion on worker threads
  // (Settings.Threads of them, see WorkerCount). Settings, RunState and the
  // input list belong to the run until Wait returns.
  void Start();
  // Before Start: a rehearsal that names every file as the run would
  // (counters, subfolders, collisions) but creates and writes nothing.
  void PlanOnly();

  // Converts the input list as it stands, without an import (the window
  // fills the list itself and converts exactly what it shows).
  void StartWithCurrentList();

  // Any thread, at any time. Results are copied from index resultsFrom on.
  RunSnapshot Snapshot(std::size_t resultsFrom = 0) const;
  // Blocks until the snapshot's Version differs from seen or timeout passes.
  void WaitForChange(std::uint64_t seen, std::chrono::milliseconds timeout) const;

  // Finishes the files in progress and starts no new one (an import stops
  // before its next entry).
  void RequestStop();
  // The gate: while paused no new file starts.
  void Pause();
  void Resume();

  // Waits for the run to end.
  void Wait();

 private:
  // One file of the list on its way through the run.
  struct FileSlot {
    FileJob job;
    std::uint64_t estimate = 0;  // working set counted against the memory budget
    bool done = false;           // rendered (or failed to)
    bool rendered = false;
    std::chrono::steady_clock::duration spent{};
    FileFailure failure;
    std::vector<std::string> warnings;
  };

  void Work();
  // problem: why the list file was not read, if it was not.
  std::int32_t Import(std::string& problem);
  void Convert();
  // A worker: takes files in list order and renders them until none is left
  // or a stop was asked for, committing whatever is next in line.
  void ConvertFiles();
  // Reserves the next file once the gate is open, the commits are not too far
  // behind and its working set fits beside the files in flight; false when
  // the run ends instead.
  bool AdmitNextFile(std::size_t& index);
  // Commits the finished files at the head of the list, one caller at a time.
  void CommitReadyFiles(std::unique_lock<std::mutex>& lock);
  FileResult CommitSlot(FileSlot& slot);
  std::int32_t RandomNumberAfter(std::int32_t successes);  // with mutex_ held
  void Changed();                                          // with mutex_ held

  FileSteps steps_;
  bool debug_ = false;
  bool planOnly_ = false;
  bool importFirst_ = true;
  std::thread worker_;
  std::atomic<bool> stopRequested_{false};

  // The conversion's list, fixed before the workers start.
  struct Entry {
    std::string path;
    std::string relativeFolder;
  };
  std::vector<Entry> entries_;
  InputIdentities inputs_;
  unsigned workers_ = 1;
  unsigned toneMapThreads_ = 0;
  std::uint64_t memoryBudget_ = 0;

  // Only one worker admits at a time, so files start in list order.
  std::mutex admission_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool paused_ = false;
  RunSnapshot state_;
  std::chrono::steady_clock::time_point convertStart_{};
  // With mutex_ held:
  std::vector<FileSlot> slots_;
  std::size_t next_ = 0;      // the next file to admit
  std::size_t head_ = 0;      // the next file to commit
  std::size_t inFlight_ = 0;  // admitted, not yet rendered
  std::uint64_t inFlightBytes_ = 0;
  bool committing_ = false;
  std::int32_t firstCounter_ = 0;
  std::int32_t successes_ = 0;
  // The random numbers of the run: [k] belongs to the file after k successes.
  std::vector<std::int32_t> randomNumbers_;

  // The commit's own records (one committer at a time).
  std::map<std::string, std::string> written_;  // output path -> input it came from
  std::string lastOutput_;
};
