// What scripts get from the program: the JSON Lines report (--report), the
// exit status on request (--exit-status) and the rehearsal (--dry-run), each
// from real runs of the built program.
#include <FreeImage.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "batch/RunReport.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

struct RunOutput {
  std::string out, err;
  int exitCode = -1;
};

// The program with its own runtime folder, standard error kept apart.
RunOutput RunProgram(const std::vector<std::string>& args) {
  const std::string runtime = ScratchFolder("report-run");
  const std::string errFile = runtime + "stderr";
  std::string cmd = "cd " + ShellQuote(runtime) +
                    " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR=" +
                    ShellQuote(runtime) + " XDG_CONFIG_HOME=" + ShellQuote(runtime + "config") +
                    " " + ShellQuote(LUMIVERT_EXE);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " </dev/null 2>" + ShellQuote(errFile);
  const ProgramResult r = RunShellCommand(cmd);
  RunOutput run{r.out, ReadFileBytes(errFile), r.exitCode};
  fs::remove_all(runtime);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every line of the report parsed; a line that does not parse fails the test.
std::vector<Json> ReadReport(const std::string& path) {
  std::vector<Json> objects;
  for (const std::string& line : Lines(ReadFileBytes(path))) {
    Json object = Json::parse(line, nullptr, false);
    EXPECT_FALSE(object.is_discarded()) << "not JSON: " << line;
    objects.push_back(object);
  }
  return objects;
}

void WriteGradient(const std::string& path, int w, int h) {
  WriteFileBytes(path, RadianceBytes(GradientPicture(w, h)));
}

// A Radiance header with no picture after it: unreadable for the loader.
void WriteBroken(const std::string& path) {
  WriteFileBytes(path, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 4 +X 4\n");
}

// Noise at 1500 x 1100 takes a second or more to tone-map: a run of a few
// of them is still going when its first file is done.
void WriteSlowHdr(const std::string& path, unsigned seed) {
  FloatPicture pic(1500, 1100);
  unsigned state = seed;
  for (float& v : pic.rgb) {
    state = state * 1103515245u + 12345u;
    v = static_cast<float>(state >> 8 & 0xFFFF) / 256.0f;
  }
  WriteFileBytes(path, RadianceBytes(pic));
}

void PictureSize(const std::string& path, int& w, int& h) {
  w = h = -1;
  FIBITMAP* image = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
  if (!image) return;
  w = static_cast<int>(FreeImage_GetWidth(image));
  h = static_cast<int>(FreeImage_GetHeight(image));
  FreeImage_Unload(image);
}

// The files below folder, with their bytes, by path relative to it.
std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string rel = fs::relative(entry.path(), folder).string();
    tree[rel] = entry.is_directory() ? "<dir>" : ReadFileBytes(entry.path().string());
  }
  return tree;
}

// The debug lines that start with prefix, without it, in order.
std::vector<std::string> Tagged(const std::string& out, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(out))
    if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
  return found;
}

// Three pictures of known sizes, one in a subfolder, and two broken files.
struct MixedFolder {
  std::string in = ScratchFolder("report-in");
  std::map<std::string, std::pair<int, int>> sizes;
  MixedFolder() {
    fs::create_directories(in + "sub");
    const std::pair<std::string, std::pair<int, int>> good[] = {
        {"wide.hdr", {9, 4}}, {"tall.hdr", {3, 7}}, {"sub/square.hdr", {5, 5}}};
    for (const auto& [name, size] : good) {
      WriteGradient(in + name, size.first, size.second);
      sizes[in + name] = size;
    }
    WriteBroken(in + "broken.hdr");
    WriteBroken(in + "sub/also broken.hdr");
  }
};

}  // namespace

TEST(RunReport, OneLinePerInputInListOrderThenTheSummary) {
  const MixedFolder folder;
  const std::string out = ScratchFolder("report-out");
  const std::string report = ScratchFolder("report-file") + "run.jsonl";
  const RunOutput run = RunProgram(
      {"-i", folder.in, "-o", out, "-c", "png", "-d", "--threads=2", "--report=" + report});
  EXPECT_EQ(run.exitCode, 0);

  const std::vector<Json> lines = ReadReport(report);
  const std::vector<std::string> order = Tagged(run.out, "Processing: ");
  ASSERT_EQ(order.size(), 5u);
  ASSERT_EQ(lines.size(), 6u);
  // The reasons are those of the console's "Not converted:" lines.
  std::map<std::string, std::string> reasons;
  for (const std::string& line : Lines(run.err)) {
    const std::string tag = "Not converted: ";
    if (line.rfind(tag, 0) != 0) continue;
    const size_t colon = line.find(".hdr: ");
    ASSERT_NE(colon, std::string::npos) << line;
    reasons[line.substr(tag.size(), colon + 4 - tag.size())] = line.substr(colon + 6);
  }
  ASSERT_EQ(reasons.size(), 2u) << run.err;

  for (size_t i = 0; i < order.size(); ++i) {
    const Json& line = lines[i];
    SCOPED_TRACE(line.dump());
    EXPECT_EQ(line["type"], "file");
    EXPECT_EQ(line["input"], order[i]);
    EXPECT_TRUE(line["ms"].is_number_integer());
    EXPECT_GE(line["ms"].get<long long>(), 0);
    EXPECT_TRUE(line["warnings"].is_array());
    auto known = folder.sizes.find(order[i]);
    if (known == folder.sizes.end()) {
      EXPECT_EQ(line["status"], "failed");
      EXPECT_EQ(line["reason"], reasons.at(order[i]));
      EXPECT_TRUE(line["output"].is_null());
      EXPECT_TRUE(line["output_width"].is_null());
      EXPECT_EQ(line["bytes"], 0);
      continue;
    }
    EXPECT_EQ(line["status"], "converted");
    EXPECT_TRUE(line["reason"].is_null());
    const std::string output = line["output"];
    const std::string rel = order[i].substr(folder.in.size());
    EXPECT_EQ(output, out + rel.substr(0, rel.size() - 3) + "png");
    EXPECT_EQ(line["bytes"].get<long long>(), static_cast<long long>(fs::file_size(output)));
    int w, h;
    PictureSize(output, w, h);
    EXPECT_EQ(line["input_width"], known->second.first);
    EXPECT_EQ(line["input_height"], known->second.second);
    EXPECT_EQ(line["output_width"], w);
    EXPECT_EQ(line["output_height"], h);
    EXPECT_EQ(w, known->second.first);
  }
  const Json& summary = lines.back();
  EXPECT_EQ(summary["type"], "summary");
  EXPECT_EQ(summary["inputs"], 5);
  EXPECT_EQ(summary["converted"], 3);
  EXPECT_EQ(summary["failed"], 2);
  EXPECT_EQ(summary["workers"], 2);
  EXPECT_EQ(summary["version"], "2.1");
  EXPECT_TRUE(summary["elapsed_ms"].is_number_integer());
}

TEST(RunReport, TakenFromAProfileAndResizedDimensions) {
  const std::string in = ScratchFolder("report-profile-in");
  WriteGradient(in + "pic.hdr", 10, 6);
  const std::string out = ScratchFolder("report-profile-out");
  const std::string report = ScratchFolder("report-profile") + "p.jsonl";
  const std::string profile = in + "recipe.ini";
  WriteFileBytes(profile, "[CLI]\n--report = " + report + "\n--width = 5\n--height = 3\n");
  const RunOutput run =
      RunProgram({"-i", in + "pic.hdr", "-o", out, "-c", "bmp", "-q", "--profile=" + profile});
  EXPECT_EQ(run.out, "");
  const std::vector<Json> lines = ReadReport(report);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["input_width"], 10);
  EXPECT_EQ(lines[0]["input_height"], 6);
  EXPECT_EQ(lines[0]["output_width"], 5);
  EXPECT_EQ(lines[0]["output_height"], 3);
  EXPECT_EQ(lines[0]["output"], out + "pic.bmp");
  EXPECT_EQ(lines[1]["converted"], 1);
}

TEST(RunReport, ReportThatCannotBeWrittenStopsTheRunBeforeAnyFile) {
  const std::string in = ScratchFolder("report-bad-in");
  WriteGradient(in + "pic.hdr", 4, 4);
  const std::string out = ScratchFolder("report-bad-out");
  const std::string missing = ScratchFolder("report-bad") + "no/such/folder/r.jsonl";
  const struct {
    std::string report;
    std::string error;
  } cases[] = {
      {missing, "Error: Invalid report file"},
      {out, "Error: Invalid report file"},  // a folder
      {"../r.jsonl", "Error: Incorrect report file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.report);
    const RunOutput run = RunProgram({"-i", in, "-o", out, "-q", "--report=" + c.report});
    EXPECT_EQ(run.out, CrLfLines({c.error}));
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(FolderEntries(out).empty());
    EXPECT_EQ(run.exitCode, 0);
    const RunOutput asked =
        RunProgram({"-i", in, "-o", out, "-q", "--exit-status", "--report=" + c.report});
    EXPECT_EQ(asked.exitCode, 2);
  }
  EXPECT_FALSE(fs::exists(fs::path(missing).parent_path()));
}

TEST(RunReport, RelativePathIsTakenFromTheProgramFolder) {
  const std::string in = ScratchFolder("report-rel-in");
  WriteGradient(in + "pic.hdr", 4, 4);
  const std::string name = "report-rel-" + std::to_string(getpid()) + ".jsonl";
  const std::string expected = fs::path(LUMIVERT_EXE).parent_path().string() + "/" + name;
  RunProgram({"-i", in, "-q", "--report=./" + name});
  const std::vector<Json> lines = ReadReport(expected);
  fs::remove(expected);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["status"], "converted");
}

TEST(RunReport, PathsThatAreNotUtf8StillGiveValidLines) {
  FileResult result;
  result.InputFile = "/in/bad\xff\xfe name.hdr";
  result.Failure.Kind = FailureKind::Unreadable;
  result.Warnings = {"a \"quoted\"\ttext\n"};
  const std::string line = ReportFileLine(result);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  const Json object = Json::parse(line);
  EXPECT_EQ(object["input"], "/in/bad\xEF\xBF\xBD\xEF\xBF\xBD name.hdr");
  EXPECT_EQ(object["warnings"][0], "a \"quoted\"\ttext\n");
  EXPECT_EQ(object["reason"], "unreadable or not Radiance");
  EXPECT_TRUE(object["input_width"].is_null());
}

TEST(ExitStatus, OnlyOnRequest) {
  const MixedFolder mixed;
  const std::string good = ScratchFolder("status-good");
  WriteGradient(good + "a.hdr", 4, 3);
  WriteGradient(good + "b.hdr", 3, 4);
  const std::string bad = ScratchFolder("status-bad");
  WriteBroken(bad + "x.hdr");
  const std::string empty = ScratchFolder("status-empty");
  const std::string profile = good + "status.ini";
  WriteFileBytes(profile, "[CLI]\n--exit-status = 1\n");
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {"all converted", {"-i", good}, 0},
      {"some failed", {"-i", mixed.in}, 1},
      {"an Error line", {"-i", good + "missing.hdr"}, 2},
      {"an Error line from a check", {"-i", good, "-c", "JPG"}, 2},
      {"every file failed", {"-i", bad}, 2},
      {"no input found", {"-i", empty}, 2},
      {"a usage error after it", {"-i", good, "--width"}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string out = ScratchFolder("status-out");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", out, "-q"});
    EXPECT_EQ(RunProgram(args).exitCode, 0);
    args.insert(args.begin(), "--exit-status");
    EXPECT_EQ(RunProgram(args).exitCode, c.status);
  }
  // Read in order: given after a usage error it was never read.
  EXPECT_EQ(RunProgram({"-i", good, "--width", "--exit-status"}).exitCode, 0);
  EXPECT_EQ(RunProgram({"-i", mixed.in, "-o", ScratchFolder("status-p"), "--profile=" + profile})
                .exitCode,
            1);
}

// Starts the program with the default action for the signals and output on
// /dev/null.
pid_t StartProgram(const std::vector<std::string>& args, const std::string& runtime) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (runtime + "config").c_str(), 1);
  const int null = open("/dev/null", O_RDWR);
  dup2(null, 0);
  dup2(null, 1);
  dup2(null, 2);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  std::vector<char*> argv{const_cast<char*>(LUMIVERT_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(LUMIVERT_EXE, argv.data());
  _exit(127);
}

// The exit status as a shell reports it: 128 + the signal for a killed process.
int ShellStatus(int status) {
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

TEST(RunReport, ReadDuringTheRunAndAfterAnInterruption) {
  const std::string in = ScratchFolder("report-live-in");
  for (unsigned i = 0; i < 4; ++i) WriteSlowHdr(in + "slow" + std::to_string(i) + ".hdr", i + 1);
  const struct {
    int sig;
    bool asked;
  } cases[] = {{SIGINT, true}, {SIGTERM, true}, {SIGINT, false}, {SIGTERM, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(strsignal(c.sig)) + (c.asked ? " with --exit-status" : ""));
    const std::string out = ScratchFolder("report-live-out");
    const std::string runtime = ScratchFolder("report-live-run");
    const std::string report = runtime + "live.jsonl";
    std::vector<std::string> args = {"-i", in,    "-o",          out,
                                     "-c", "png", "--threads=1", "--report=" + report};
    if (c.asked) args.push_back("--exit-status");
    const pid_t pid = StartProgram(args, runtime);
    ASSERT_GT(pid, 0);

    // Wait for the first committed file (at most two minutes).
    int status = 0;
    bool ended = false;
    std::vector<Json> seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string text = ReadFileBytes(report);
      if (!text.empty() && text.back() == '\n') {
        seen = ReadReport(report);
        break;
      }
      if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(ended) << "the run ended before its first line";
    kill(pid, c.sig);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(ShellStatus(status), 128 + c.sig);

    ASSERT_GE(seen.size(), 1u);
    EXPECT_EQ(seen[0]["type"], "file");
    EXPECT_EQ(seen[0]["status"], "converted");
    // Afterwards: whole lines only, files only (no summary), at most all four.
    const std::vector<Json> after = ReadReport(report);
    EXPECT_GE(after.size(), seen.size());
    EXPECT_LE(after.size(), 4u);
    for (const Json& line : after) EXPECT_EQ(line["type"], "file");
    EXPECT_EQ(ReadFileBytes(report).back(), '\n');
  }
}

TEST(DryRun, PrintsTheNamesTheRealRunWritesAndWritesNothing) {
  const std::string in = ScratchFolder("dry-in");
  fs::create_directories(in + "a/b");
  WriteGradient(in + "one.hdr", 6, 4);
  WriteGradient(in + "two.hdr", 4, 6);
  WriteGradient(in + "a/three.hdr", 8, 2);
  WriteGradient(in + "a/b/four.hdr", 2, 2);
  const std::string out = ScratchFolder("dry-out");
  const std::vector<std::string> options = {"-i",
                                            in,
                                            "-o",
                                            out,
                                            "-c",
                                            "png",
                                            "--filename-mask=%filename%_%n%_%width%x%height%.%ext%",
                                            "--width=50",
                                            "--height=50",
                                            "--width-unit=percent",
                                            "--height-unit=percent"};

  std::vector<std::string> dryArgs = options;
  dryArgs.insert(dryArgs.end(), {"--dry-run", "-q"});
  const RunOutput dry = RunProgram(dryArgs);
  EXPECT_TRUE(FolderEntries(out).empty()) << "the dry run created something";
  EXPECT_EQ(dry.err, "");

  std::vector<std::string> realArgs = options;
  realArgs.insert(realArgs.end(), {"-d"});
  const RunOutput real = RunProgram(realArgs);
  const std::vector<std::string> inputs = Tagged(real.out, "Processing: ");
  const std::vector<std::string> outputs = Tagged(real.out, "Saving As: ");
  ASSERT_EQ(inputs.size(), 4u);
  std::vector<std::string> expected;
  for (size_t i = 0; i < inputs.size(); ++i) {
    expected.push_back(inputs[i] + " -> " + outputs[i]);
    EXPECT_TRUE(fs::is_regular_file(outputs[i])) << outputs[i];
  }
  EXPECT_EQ(Lines(dry.out), expected);
  // The names carry the counter in list order and the resized sizes.
  EXPECT_NE(outputs[0].find("_00001_"), std::string::npos) << outputs[0];
  EXPECT_NE(outputs[3].find("_00004_"), std::string::npos) << outputs[3];
  for (const std::string& o : outputs) {
    if (o.find("four_") != std::string::npos) {
      EXPECT_EQ(o.substr(out.size(), 4), "a/b/");
    }
  }
  EXPECT_EQ(std::count_if(outputs.begin(), outputs.end(),
                          [&](const std::string& o) {
                            return o.find("three_") != std::string::npos &&
                                   o.find("_4x1.png") != std::string::npos;
                          }),
            1);
}

TEST(DryRun, SaysWhichNamesReplaceAFile) {
  const std::string in = ScratchFolder("dry-replace-in");
  fs::create_directories(in + "sub");
  WriteGradient(in + "x.hdr", 3, 3);
  WriteGradient(in + "sub/x.hdr", 3, 3);
  WriteGradient(in + "y.hdr", 3, 3);
  const std::string out = ScratchFolder("dry-replace-out");
  WriteFileBytes(out + "y.png", "an earlier output");
  const auto before = Tree(out);
  const RunOutput dry = RunProgram({"-i", in, "-o", out, "-c", "png", "--no-subfolders",
                                    "--dry-run", "-q", "--report=" + out + "report.jsonl",
                                    "--file-timestamp=custom", "--file-timestamp-custom=0"});
  EXPECT_EQ(Tree(out), before) << "the dry run changed the output folder";
  const std::vector<std::string> lines = Lines(dry.out);
  ASSERT_EQ(lines.size(), 3u) << dry.out;
  int replacing = 0;
  bool firstX = true;
  for (const std::string& line : lines) {
    const bool replaces =
        line.size() > 30 && line.substr(line.size() - 28) == " (replaces an existing file)";
    if (line.find("/y.hdr -> " + out + "y.png") != std::string::npos) {
      EXPECT_TRUE(replaces) << line;
    } else {
      EXPECT_NE(line.find("x.hdr -> " + out + "x.png"), std::string::npos) << line;
      // The second x.hdr takes the name the first one would write.
      EXPECT_EQ(replaces, !firstX) << line;
      firstX = false;
    }
    replacing += replaces;
  }
  EXPECT_EQ(replacing, 2);
  // The console of a normal run says nothing of it: a dry run of a normal
  // run's options without -q adds only its own lines to the status lines.
  const RunOutput loud =
      RunProgram({"-i", in, "-o", out, "-c", "png", "--no-subfolders", "--dry-run"});
  const std::vector<std::string> all = Lines(loud.out);
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(all.end() - 3, all.end()), lines);
  EXPECT_EQ(std::count(all.begin(), all.end(), "Converting..."), 0);
  EXPECT_EQ(Tree(out), before);
}

TEST(DryRun, NotTakenFromAProfile) {
  const std::string in = ScratchFolder("dry-profile-in");
  WriteGradient(in + "pic.hdr", 3, 3);
  WriteFileBytes(in + "p.ini", "[CLI]\n--dry-run = 1\n");
  const std::string out = ScratchFolder("dry-profile-out");
  RunProgram({"-i", in + "pic.hdr", "-o", out, "-c", "png", "-q", "--profile=" + in + "p.ini"});
  EXPECT_TRUE(fs::is_regular_file(out + "pic.png"));
}
