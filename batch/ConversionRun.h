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
};

enum class RunPhase { Ready, Importing, Converting, Finished };

struct RunSnapshot {
  RunPhase Phase = RunPhase::Ready;
  std::int32_t Position = 0;  // items started in the current phase
  std::string CurrentFile;    // the file being converted
  std::int32_t Imported = 0;  // files in the input list once the import is done
  std::int32_t Converted = 0;
  std::int32_t Failed = 0;
  std::chrono::steady_clock::duration Elapsed{};  // since the conversion began
  bool Paused = false;
  bool StopRequested = false;
  std::size_t ResultsFrom = 0;      // index of Results.front() among all results
  std::vector<FileResult> Results;  // finished files in list order, from ResultsFrom
  std::uint64_t Version = 0;        // grows with every change
};

class ConversionRun {
 public:
  using FileConverter = std::function<bool(FileJob&, const InputIdentities&)>;

  // Tests pass a converter of their own; every face uses ConvertFile.
  explicit ConversionRun(FileConverter convert = ConvertFile);
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;
  // Waits for the worker, then releases the watermark font.
  ~ConversionRun();

  // Resolves the paths and checks the settings of Settings and RunState in
  // their fixed order; the first failing check ends it.
  CheckOutcome Check();

  // Starts the import and then the conversion on a worker thread. Settings,
  // RunState and the input list belong to the worker until Wait returns.
  void Start();

  // Any thread, at any time. Results are copied from index resultsFrom on.
  RunSnapshot Snapshot(std::size_t resultsFrom = 0) const;
  // Blocks until the snapshot's Version differs from seen or timeout passes.
  void WaitForChange(std::uint64_t seen, std::chrono::milliseconds timeout) const;

  // Finishes the file in progress and starts no new one (an import stops
  // before its next entry).
  void RequestStop();
  // The gate: while paused no new file starts.
  void Pause();
  void Resume();

  // Waits for the worker thread to end.
  void Wait();

 private:
  void Work();
  std::int32_t Import();
  void Convert();
  // Holds the worker before a file while the gate is closed; false once a
  // stop was asked for.
  bool PassGate();
  void Changed();  // with mutex_ held

  FileConverter convert_;
  bool debug_ = false;
  std::thread worker_;
  std::atomic<bool> stopRequested_{false};

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool paused_ = false;
  RunSnapshot state_;
  std::chrono::steady_clock::time_point convertStart_{};
};
