// The whole program with 1, 2, 3 and 8 workers over the same folders: every
// output name, byte and time, and every console byte, must be the same as
// with one worker, including failing files, a watermark that shows %n% and
// %rnd%, and subfolders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct RunOutcome {
  std::string out;
  std::string err;
  int exitCode = -1;
  // Relative path below the output folder -> bytes and modification time.
  std::map<std::string, std::pair<std::string, long long>> files;
};

// Runs the program with a fixed random seed and its own runtime folder.
RunOutcome RunWithThreads(const std::string& folder, const std::vector<std::string>& args,
                          int threads) {
  const std::string runtime = ScratchFolder("parallel-run");
  const std::string out = folder + "out-" + std::to_string(threads) + "/";
  std::string cmd = "cd " + ShellQuote(runtime) +
                    " && env -u DISPLAY -u WAYLAND_DISPLAY LUMIVERT_RANDOM_SEED=4242"
                    " XDG_RUNTIME_DIR=" +
                    ShellQuote(runtime) + " XDG_CONFIG_HOME=" + ShellQuote(runtime + "config") +
                    " " + ShellQuote(LUMIVERT_EXE);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " -o " + ShellQuote(out) + " --threads=" + std::to_string(threads);
  cmd += " </dev/null 2>" + ShellQuote(runtime + "stderr");
  RunOutcome outcome;
  const ProgramResult result = RunShellCommand(cmd);
  outcome.out = result.out;
  outcome.exitCode = result.exitCode;
  outcome.err = ReadFileBytes(runtime + "stderr");
  if (fs::exists(out))
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
      if (!entry.is_regular_file()) continue;
      struct stat info {};
      stat(entry.path().c_str(), &info);
      outcome.files[entry.path().string().substr(out.size())] = {
          ReadFileBytes(entry.path().string()), static_cast<long long>(info.st_mtime)};
    }
  fs::remove_all(runtime);
  // Console lines name the output folder; make them comparable.
  for (std::string* text : {&outcome.out, &outcome.err})
    for (std::size_t at = text->find(out); at != std::string::npos; at = text->find(out, at))
      text->replace(at, out.size(), "OUT/");
  return outcome;
}

class ParallelOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ScratchFolder("parallel-output");
    in_ = folder_ + "in/";
    fs::create_directories(in_ + "sub/deeper");
    const std::vector<std::pair<std::string, std::pair<int, int>>> pictures = {
        {"a.hdr", {64, 48}},
        {"b.hdr", {40, 40}},
        {"sub/c.hdr", {96, 32}},
        {"sub/d.hdr", {33, 57}},
        {"sub/deeper/e.hdr", {80, 60}},
        {"f.hdr", {50, 70}},
        {"g.hdr", {120, 90}},
        {"sub/h.hdr", {36, 36}}};
    for (const auto& [name, size] : pictures)
      ASSERT_TRUE(WriteRadianceFile(in_ + name, GradientPicture(size.first, size.second)));
    // Two that fail at their load, one early in any order.
    WriteFileBytes(in_ + "broken.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 9 +X 9\nxx");
    WriteFileBytes(in_ + "sub/cut.hdr", RadianceBytes(GradientPicture(30, 20)).substr(0, 200));
  }

  std::string folder_;
  std::string in_;
};

TEST_F(ParallelOutput, AnyWorkerCountGivesTheSameNamesBytesTimesAndConsole) {
  struct Scenario {
    const char* name;
    std::vector<std::string> args;
    std::size_t outputs;  // files written with one worker
  };
  const std::vector<Scenario> scenarios = {
      {"counter and random number in names and watermark",
       {"-d", "-i", in_, "-c", "png", "--filename-mask=%n%-%rnd%-%filename%",
        "--wm-text=no %n% of %rnd% %width%x%height%", "--wm-font-size=9", "--file-timestamp=CUSTOM",
        "--file-timestamp-custom=1000000000"},
       8},
      {"flat output names with a late failure",
       {"-d", "-i", in_, "-c", "jpg", "--no-subfolders", "--wm-text=%n%/%rnd%",
        "--file-timestamp=ORIGINAL"},
       7},
  };
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    for (int threads : {1, 2, 3, 8})
      fs::create_directories(folder_ + "out-" + std::to_string(threads));
    if (scenario.outputs == 7) {
      // An output folder entry that is a folder fails its file only at the
      // write, after the stages: the files after it were rendered ahead.
      for (int threads : {1, 2, 3, 8})
        fs::create_directories(folder_ + "out-" + std::to_string(threads) + "/g.jpg");
    }
    const RunOutcome one = RunWithThreads(folder_, scenario.args, 1);
    EXPECT_EQ(one.exitCode, 0);
    std::size_t written = 0;
    for (const auto& [name, file] : one.files)
      if (!file.first.empty()) ++written;
    EXPECT_EQ(written, scenario.outputs) << one.out;
    EXPECT_NE(one.err.find("Not converted: " + in_ + "broken.hdr"), std::string::npos) << one.err;
    EXPECT_NE(one.out.find("Processing: " + in_ + "sub/cut.hdr"), std::string::npos);
    for (int threads : {2, 3, 8}) {
      SCOPED_TRACE(threads);
      const RunOutcome many = RunWithThreads(folder_, scenario.args, threads);
      EXPECT_EQ(many.exitCode, one.exitCode);
      EXPECT_EQ(many.out, one.out);
      EXPECT_EQ(many.err, one.err);
      ASSERT_EQ(many.files.size(), one.files.size());
      for (const auto& [name, file] : one.files) {
        SCOPED_TRACE(name);
        ASSERT_EQ(many.files.count(name), 1u);
        EXPECT_TRUE(many.files.at(name).first == file.first);
        EXPECT_EQ(many.files.at(name).second, file.second);
      }
    }
    for (int threads : {1, 2, 3, 8}) fs::remove_all(folder_ + "out-" + std::to_string(threads));
  }
}

}  // namespace
