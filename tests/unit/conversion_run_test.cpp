// The run object with fake conversions: the gate, the stop, the snapshot read
// from another thread, and what each file's job carries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "batch/ConversionRun.h"
#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "codecs/FormatTables.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"
#include "support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateProcessLists();
    BuildFormatTables();
    ResetRunRecords();
    ApplyDefaults(1);
    folder_ = ScratchFolder("conversion-run");
    RunState.CommandLineRun = 1;
    RunState.ConversionType = "png";
    RunState.OutputFolder = folder_ + "out/";
    // One worker unless a test asks for more: the fakes below count on turns.
    Settings.Threads = 1;
  }

  // A folder run over count non-empty files (the fakes never read them).
  void PrepareFiles(int count) {
    RunState.InputFolder = folder_ + "in/";
    std::filesystem::create_directories(RunState.InputFolder);
    for (int i = 0; i < count; ++i)
      WriteFileBytes(folder_ + "in/f" + std::to_string(i) + ".hdr", "x");
  }

  std::string folder_;
};

// A conversion that holds each file until the test lets it go.
class HeldConversion {
 public:
  bool Convert(FileJob& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++started_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return released_ >= started_; });
    job.OutputFile = job.InputFile + ".png";
    return true;
  }
  void WaitUntilStarted(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return started_ >= count; });
  }
  void Release(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = count;
    changed_.notify_all();
  }
  int Started() {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int started_ = 0;
  int released_ = 0;
};

// Waits (without a deadline of its own: ctest's timeout ends a hang) until
// the run reaches phase.
RunSnapshot WaitForPhase(const ConversionRun& run, RunPhase phase) {
  RunSnapshot snapshot = run.Snapshot();
  while (snapshot.Phase != phase) {
    run.WaitForChange(snapshot.Version, 50ms);
    snapshot = run.Snapshot();
  }
  return snapshot;
}

}  // namespace

TEST_F(ConversionRunTest, CheckReturnsTheEchoUpToTheFirstError) {
  RunState.InputFolder = folder_ + "absent";
  ConversionRun run;
  const CheckOutcome outcome = run.Check();
  EXPECT_EQ(outcome.Error, "Invalid input folder");
  EXPECT_EQ(outcome.EchoLines, (std::vector<std::string>{"Input: " + folder_ + "absent"}));

  RunState.InputFolder = folder_;
  RunState.OutputFolder = folder_;
  Settings.PNGBPP = 16;
  const CheckOutcome depth = ConversionRun().Check();
  EXPECT_EQ(depth.Error, "Invalid png-bpp value");
  EXPECT_EQ(depth.EchoLines.back(), "PNG Interlaced: 0");
}

TEST_F(ConversionRunTest, StopFinishesTheFileInProgressAndStartsNoOther) {
  PrepareFiles(5);
  HeldConversion held;
  ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
  run.Start();
  held.WaitUntilStarted(1);
  held.Release(1);
  held.WaitUntilStarted(2);
  run.RequestStop();
  held.Release(2);
  run.Wait();

  const RunSnapshot end = run.Snapshot();
  EXPECT_EQ(end.Phase, RunPhase::Finished);
  EXPECT_EQ(end.Imported, 5);
  EXPECT_EQ(end.Position, 2);
  EXPECT_EQ(end.Converted, 2);
  EXPECT_EQ(end.Results.size(), 2u);
  EXPECT_TRUE(end.StopRequested);
  EXPECT_EQ(held.Started(), 2);
}

TEST_F(ConversionRunTest, AClosedGateHoldsTheNextFile) {
  PrepareFiles(4);
  HeldConversion held;
  ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
  run.Pause();
  run.Start();
  RunSnapshot snapshot = WaitForPhase(run, RunPhase::Converting);
  run.WaitForChange(snapshot.Version, 100ms);
  EXPECT_EQ(held.Started(), 0);
  EXPECT_TRUE(run.Snapshot().Paused);

  // Opened, one file goes; closed again while it converts, the next waits.
  run.Resume();
  held.WaitUntilStarted(1);
  run.Pause();
  held.Release(1);
  snapshot = run.Snapshot();
  while (snapshot.Converted < 1) {
    run.WaitForChange(snapshot.Version, 50ms);
    snapshot = run.Snapshot();
  }
  run.WaitForChange(snapshot.Version, 100ms);
  EXPECT_EQ(held.Started(), 1);
  EXPECT_EQ(run.Snapshot().Position, 1);

  run.Resume();
  held.Release(4);
  run.Wait();
  EXPECT_EQ(run.Snapshot().Converted, 4);
  EXPECT_EQ(held.Started(), 4);
}

TEST_F(ConversionRunTest, StopWhilePausedEndsWithoutAnotherFile) {
  PrepareFiles(3);
  HeldConversion held;
  ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
  run.Pause();
  run.Start();
  WaitForPhase(run, RunPhase::Converting);
  run.RequestStop();
  run.Wait();
  EXPECT_EQ(held.Started(), 0);
  EXPECT_EQ(run.Snapshot().Converted, 0);
}

// Read from another thread while the worker writes: the sanitizer build runs
// this under ThreadSanitizer.
TEST_F(ConversionRunTest, SnapshotsFromAnotherThreadSeeASteadyRun) {
  const int count = 60;
  Settings.Threads = 4;
  PrepareFiles(count);
  std::vector<std::string> order;  // written by the commits, one at a time
  ConversionRun run(FileSteps{[&](FileJob& job, const InputIdentities&) {
                                job.OutputFile = job.InputFile + ".png";
                                return true;
                              },
                              [&](FileJob& job, const InputIdentities&, bool rendered) {
                                order.push_back(job.InputFile);
                                return rendered;
                              }});
  std::atomic<bool> steady{true};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    int lastConverted = 0;
    std::size_t seen = 0;
    for (;;) {
      const RunSnapshot s = run.Snapshot(seen);
      ++reads;
      if (s.Converted < lastConverted || s.ResultsFrom != seen ||
          seen + s.Results.size() != static_cast<std::size_t>(s.Converted + s.Failed))
        steady = false;
      lastConverted = s.Converted;
      seen += s.Results.size();
      if (s.Phase == RunPhase::Finished) break;
    }
  });
  run.Start();
  run.Wait();
  reader.join();
  EXPECT_TRUE(steady);
  EXPECT_GT(reads.load(), 0);
  const RunSnapshot end = run.Snapshot();
  EXPECT_EQ(end.Converted, count);
  ASSERT_EQ(end.Results.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(end.Results[i].InputFile, order[i]);
}

TEST_F(ConversionRunTest, CounterAndRandomNumberAdvanceOnlyAfterSuccess) {
  PrepareFiles(5);
  RunState.Counter = 1;
  std::vector<int> counters, randoms;
  int call = 0;
  ConversionRun run([&](FileJob& job, const InputIdentities&) {
    counters.push_back(job.Counter);
    randoms.push_back(job.RandomNumber);
    job.OutputFile = job.InputFile + ".png";
    return ++call % 2 == 1;  // files 1, 3 and 5 convert
  });
  run.Start();
  run.Wait();
  EXPECT_EQ(counters, (std::vector<int>{1, 2, 2, 3, 3}));
  EXPECT_EQ(randoms[1], randoms[2]);  // a failed file leaves it as it was
  EXPECT_EQ(randoms[3], randoms[4]);
  EXPECT_EQ(RunState.Counter, 4);
  EXPECT_EQ(run.Snapshot().Converted, 3);
  EXPECT_EQ(run.Snapshot().Failed, 2);
}

TEST_F(ConversionRunTest, ResultsCarryReasonsWarningsAndDebugLines) {
  PrepareFiles(2);
  RunState.RunMode = "DEBUG";
  ConversionRun run([&](FileJob& job, const InputIdentities& inputs) {
    // Every file of the list is known by identity before the first converts.
    EXPECT_EQ(inputs.size(), 2u);
    if (job.InputFile.find("f0") != std::string::npos) {
      NoteWarning("watermark picture cannot be used");
      job.OutputFile = folder_ + "out/same.png";
      return true;
    }
    NoteFailure(FailureKind::WriteFailed, "No space left on device");
    return false;
  });
  run.Start();
  run.Wait();
  const RunSnapshot end = run.Snapshot();
  ASSERT_EQ(end.Results.size(), 2u);
  for (const FileResult& r : end.Results) {
    if (r.Converted) {
      EXPECT_EQ(r.Warnings,
                (std::vector<std::string>{r.InputFile + ": watermark picture cannot be used"}));
      EXPECT_EQ(r.DebugLines,
                (std::vector<std::string>{"Processing: " + r.InputFile,
                                          "Saving As: " + folder_ + "out/same.png", "OK"}));
    } else {
      EXPECT_EQ(FailureText(r.Failure), "write failed: No space left on device");
      EXPECT_TRUE(r.Warnings.empty());
      EXPECT_EQ(r.DebugLines.back(), "Not OK");
    }
  }
  // The notes were taken: nothing is left for the next file on this thread.
  EXPECT_EQ(TakeFailure().Kind, FailureKind::None);
}

TEST_F(ConversionRunTest, AnOutputWrittenTwiceIsReportedOnTheLaterFile) {
  PrepareFiles(3);
  ConversionRun run([&](FileJob& job, const InputIdentities&) {
    job.OutputFile = folder_ + "out/x.png";
    return true;
  });
  run.Start();
  run.Wait();
  const RunSnapshot end = run.Snapshot();
  ASSERT_EQ(end.Results.size(), 3u);
  EXPECT_TRUE(end.Results[0].Warnings.empty());
  for (std::size_t i = 1; i < 3; ++i)
    EXPECT_EQ(end.Results[i].Warnings,
              (std::vector<std::string>{folder_ +
                                        "out/x.png was already written in this run; "
                                        "replaced by " +
                                        end.Results[i].InputFile}));
}

TEST_F(ConversionRunTest, AnEmptyImportFinishesWithoutConverting) {
  RunState.InputFolder = folder_ + "empty/";
  std::filesystem::create_directories(RunState.InputFolder);
  WriteFileBytes(folder_ + "empty/readme.txt", "not a picture");
  bool called = false;
  ConversionRun run([&](FileJob&, const InputIdentities&) { return called = true; });
  run.Start();
  run.Wait();
  EXPECT_FALSE(called);
  EXPECT_EQ(run.Snapshot().Imported, 0);
  EXPECT_EQ(run.Snapshot().Phase, RunPhase::Finished);
}

namespace {

// Waits up to 30 s for run to finish; a run stuck on a pipe is set free by
// opening the pipe's other end (again for each open it makes), so the test
// still ends.
bool FinishesPromptly(ConversionRun& run, const std::string& fifo) {
  auto finishedWithin = [&](std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    RunSnapshot seen;
    while ((seen = run.Snapshot()).Phase != RunPhase::Finished &&
           std::chrono::steady_clock::now() < deadline)
      run.WaitForChange(seen.Version, 20ms);
    return seen.Phase == RunPhase::Finished;
  };
  const bool finished = finishedWithin(30s);
  for (int attempt = 0; !finished && attempt < 100; ++attempt) {
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    const bool freed = finishedWithin(100ms);
    if (writer >= 0) close(writer);
    if (freed) break;
  }
  run.Wait();
  return finished;
}

std::string SwappedPath;

// Puts a pipe where the scan has just found the file, as a hostile process
// could between the scan and the conversion.
void SwapForAPipe(const std::string& path) {
  if (path != SwappedPath) return;
  unlink(path.c_str());
  mkfifo(path.c_str(), 0600);
}

}  // namespace

// The real conversion of a file that turned into a pipe after the scan: the
// memory weighing (under the admission lock) and the load never wait for a
// writer; the file fails with its reason and the next file still converts.
TEST_F(ConversionRunTest, AnInputTurnedIntoAPipeFailsWithItsReason) {
  RunState.InputFolder = folder_ + "in/";
  std::filesystem::create_directories(RunState.InputFolder);
  std::filesystem::create_directories(RunState.OutputFolder);
  WriteRadianceFile(folder_ + "in/a.hdr", GradientPicture(40, 36));
  WriteRadianceFile(folder_ + "in/b.hdr", GradientPicture(40, 36));
  SwappedPath = folder_ + "in/a.hdr";
  RunState.CommandLineRun = 0;  // the added-file hook runs in the window only
  InputFileAddedHook = SwapForAPipe;
  ConversionRun run;
  ASSERT_EQ(run.Check().Error, "");
  run.Start();
  const bool finished = FinishesPromptly(run, SwappedPath);
  InputFileAddedHook = nullptr;
  ASSERT_TRUE(finished) << "the run waited on the pipe";

  const RunSnapshot end = run.Snapshot();
  EXPECT_EQ(end.Imported, 2);
  EXPECT_EQ(end.Converted, 1);
  ASSERT_EQ(end.Results.size(), 2u);
  for (const FileResult& r : end.Results) {
    if (r.InputFile == SwappedPath) {
      EXPECT_FALSE(r.Converted);
      EXPECT_EQ(FailureText(r.Failure), "unreadable or not Radiance: not a regular file");
    } else {
      EXPECT_TRUE(r.Converted) << FailureText(r.Failure);
      EXPECT_TRUE(std::filesystem::is_regular_file(folder_ + "out/b.png"));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ + "out/a.png"));
}

// A list file that is not read gives its reason with the import's result.
TEST_F(ConversionRunTest, AListFileNotReadSaysWhy) {
  const std::string fifo = folder_ + "list.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  RunState.InputFile = fifo;
  ConversionRun run([](FileJob&, const InputIdentities&) { return true; });
  run.Start();
  ASSERT_TRUE(FinishesPromptly(run, fifo));
  const RunSnapshot end = run.Snapshot();
  EXPECT_EQ(end.Imported, 0);
  EXPECT_EQ(end.ImportWarnings,
            (std::vector<std::string>{fifo + ": list file is not a regular file; not read"}));
}

namespace {

// What the commit step saw of one file.
struct CommitRecord {
  std::string name;  // the input's file name
  std::int32_t counter;
  std::int32_t random;
  bool rendered;
  bool operator==(const CommitRecord&) const = default;
};

std::string FileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

// Files render side by side with predicted numbers; a failure that shows up
// late (file f1 is held until the files after it have rendered) must not
// change what the commits see: the same counters, random numbers and order
// as one file after the other.
TEST_F(ConversionRunTest, CommitsSeeTheNumbersOfTurnsWhateverTheWorkers) {
  PrepareFiles(8);
  auto runWith = [&](int threads) {
    InputList.Clear();  // each run imports the folder afresh
    Settings.Threads = threads;
    RunState.Counter = 1;
    RunState.RandomNumber = 500;
    std::mutex mutex;
    std::condition_variable changed;
    int renderedAfterF1 = 0;
    std::vector<CommitRecord> commits;
    ConversionRun run(FileSteps{
        [&](FileJob& job, const InputIdentities&) {
          const std::string name = FileName(job.InputFile);
          std::unique_lock<std::mutex> lock(mutex);
          if (name == "f1.hdr" && threads > 1)
            changed.wait(lock, [&] { return renderedAfterF1 >= 2; });
          else if (name != "f0.hdr")
            ++renderedAfterF1;
          changed.notify_all();
          return name != "f1.hdr" && name != "f4.hdr";
        },
        [&](FileJob& job, const InputIdentities&, bool rendered) {
          commits.push_back({FileName(job.InputFile), job.Counter, job.RandomNumber, rendered});
          return rendered;
        }});
    run.Start();
    run.Wait();
    EXPECT_EQ(run.Snapshot().Converted, 6);
    EXPECT_EQ(RunState.Counter, 7);
    return commits;
  };
  const std::vector<CommitRecord> one = runWith(1);
  ASSERT_EQ(one.size(), 8u);
  std::vector<std::string> names;
  std::vector<std::int32_t> counters;
  for (const CommitRecord& r : one) {
    names.push_back(r.name);
    counters.push_back(r.counter);
  }
  // The input list's order is its own; the counters follow it.
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"f0.hdr", "f1.hdr", "f2.hdr", "f3.hdr", "f4.hdr",
                                              "f5.hdr", "f6.hdr", "f7.hdr"}));
  std::int32_t expected = 1;
  for (const CommitRecord& r : one) {
    EXPECT_EQ(r.counter, expected) << r.name;
    if (r.rendered) ++expected;
  }
  EXPECT_EQ(one.front().random, 500);
  // The random number moves on only after a converted file.
  for (std::size_t i = 1; i < one.size(); ++i) {
    if (!one[i - 1].rendered) {
      EXPECT_EQ(one[i].random, one[i - 1].random) << one[i].name;
    }
  }

  // The draws continue from where the first run left them; the structure
  // must be the same, and the counters exactly so.
  for (int threads : {2, 3, 8}) {
    SCOPED_TRACE(threads);
    const std::vector<CommitRecord> many = runWith(threads);
    ASSERT_EQ(many.size(), one.size());
    for (std::size_t i = 0; i < one.size(); ++i) {
      EXPECT_EQ(many[i].name, one[i].name);
      EXPECT_EQ(many[i].counter, one[i].counter);
      EXPECT_EQ(many[i].rendered, one[i].rendered);
      if (i > 0) {
        EXPECT_EQ(many[i].random == many[i - 1].random, one[i].random == one[i - 1].random);
      }
    }
    EXPECT_EQ(many.front().random, 500);
  }
}

// A conversion that holds each file until the test lets it go, as the render
// step of several workers.
TEST_F(ConversionRunTest, StopWithSeveralWorkersFinishesEveryFileInFlight) {
  PrepareFiles(6);
  Settings.Threads = 3;
  HeldConversion held;
  ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
  run.Start();
  held.WaitUntilStarted(3);
  run.RequestStop();
  held.Release(6);
  run.Wait();
  const RunSnapshot end = run.Snapshot();
  EXPECT_EQ(held.Started(), 3);
  EXPECT_EQ(end.Converted, 3);
  EXPECT_EQ(end.Results.size(), 3u);
  EXPECT_EQ(end.Position, 3);
}

TEST_F(ConversionRunTest, AClosedGateHoldsEveryWorker) {
  PrepareFiles(4);
  Settings.Threads = 4;
  HeldConversion held;
  ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
  run.Pause();
  run.Start();
  RunSnapshot snapshot = WaitForPhase(run, RunPhase::Converting);
  run.WaitForChange(snapshot.Version, 100ms);
  EXPECT_EQ(held.Started(), 0);
  run.Resume();
  held.WaitUntilStarted(4);
  held.Release(4);
  run.Wait();
  EXPECT_EQ(run.Snapshot().Converted, 4);
}

// Files whose working sets do not fit side by side wait for each other.
TEST_F(ConversionRunTest, FilesStartOnlyAsFarAsMemoryAllows) {
  RunState.InputFolder = folder_ + "in/";
  std::filesystem::create_directories(RunState.InputFolder);
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(
        WriteRadianceFile(folder_ + "in/p" + std::to_string(i) + ".hdr", GradientPicture(64, 48)));
  const std::uint64_t one = EstimateInputWorkingSet(folder_ + "in/p0.hdr");
  ASSERT_GT(one, 0u);
  for (const auto& [fit, expected] : {std::pair{1.5, 1}, std::pair{2.5, 2}}) {
    SCOPED_TRACE(fit);
    ResetRunRecords();
    RunState.CommandLineRun = 1;
    RunState.ConversionType = "png";
    RunState.InputFolder = folder_ + "in/";
    RunState.OutputFolder = folder_ + "out/";
    Settings.Threads = 4;
    setenv("LUMIVERT_MEMORY_LIMIT",
           std::to_string(static_cast<std::uint64_t>(static_cast<double>(one) * fit)).c_str(), 1);
    HeldConversion held;
    ConversionRun run([&](FileJob& job, const InputIdentities&) { return held.Convert(job); });
    run.Start();
    held.WaitUntilStarted(expected);
    // Given time, no further file starts while these are held.
    RunSnapshot snapshot = run.Snapshot();
    run.WaitForChange(snapshot.Version, 150ms);
    snapshot = run.Snapshot();
    run.WaitForChange(snapshot.Version, 150ms);
    EXPECT_EQ(held.Started(), expected);
    held.Release(4);
    run.Wait();
    EXPECT_EQ(run.Snapshot().Converted, 4);
    unsetenv("LUMIVERT_MEMORY_LIMIT");
  }
}

TEST(WorkerCount, FollowsTheSettingTheCoresAndTheFiles) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  struct Case {
    std::int32_t setting;
    std::size_t files;
    unsigned expected;
  };
  for (const Case& c :
       {Case{1, 10, 1}, Case{3, 10, 3}, Case{8, 2, 2}, Case{4, 0, 1},
        Case{0, 1000, std::min(cores, MaxWorkers)}, Case{-5, 1000, std::min(cores, MaxWorkers)},
        Case{100000, 1000, MaxWorkers}}) {
    SCOPED_TRACE(std::to_string(c.setting) + " " + std::to_string(c.files));
    EXPECT_EQ(WorkerCount(c.setting, c.files), c.expected);
  }
}
