// The run object with fake conversions: the gate, the stop, the snapshot read
// from another thread, and what each file's job carries.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "batch/ConversionRun.h"
#include "batch/InputList.h"
#include "codecs/FormatTables.h"
#include "settings/Settings.h"
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
  PrepareFiles(count);
  std::vector<std::string> order;  // written by the worker only
  ConversionRun run([&](FileJob& job, const InputIdentities&) {
    order.push_back(job.InputFile);
    job.OutputFile = job.InputFile + ".png";
    return true;
  });
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
