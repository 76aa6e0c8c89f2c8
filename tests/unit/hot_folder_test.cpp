// The real program watching a folder (--watch): what is there first, then
// every picture that appears in the tree once it is closed, with the counter
// going on; the lock held throughout; SIGTERM ending it after the files in
// flight, by the signal, without temporary files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "support/ChildProgram.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using std::chrono::seconds;
using std::chrono::steady_clock;

namespace {

// A small picture whose pixels depend on seed, so outputs of different
// inputs differ.
std::string PictureBytes(int width, int height, unsigned seed) {
  FloatPicture pic(width, height);
  unsigned state = seed;
  for (float& v : pic.rgb) {
    state = state * 1103515245u + 12345u;
    v = static_cast<float>(state >> 8 & 0xFFFF) / 4096.0f;
  }
  return RadianceBytes(pic);
}

// A watching program whose standard output is collected as it comes.
class Watch {
 public:
  Watch(const std::vector<std::string>& args, const std::string& runtime) {
    ChildOptions options;
    options.args = args;
    options.runtime = runtime;
    child_ = StartChildProgram(options);
  }
  ~Watch() {
    if (child_.pid > 0 && !ended_) {
      kill(child_.pid, SIGKILL);
      End();
    }
  }
  pid_t Pid() const { return child_.pid; }
  const std::string& Out() { return out_; }

  // Collects output until out holds text count times or the program ends;
  // gives up after a minute.
  bool WaitFor(const std::string& text, int count = 1) {
    const auto deadline = steady_clock::now() + seconds(60);
    while (Occurrences(text) < count) {
      if (steady_clock::now() > deadline || !ReadFor(200)) return Occurrences(text) >= count;
    }
    return true;
  }
  // Collects output for a while (to show that nothing more happens).
  void Drain(int milliseconds) {
    const auto until = steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (steady_clock::now() < until && ReadFor(50)) {
    }
  }
  int Occurrences(const std::string& text) const {
    int n = 0;
    for (size_t at = out_.find(text); at != std::string::npos; at = out_.find(text, at + 1)) ++n;
    return n;
  }
  // Sends sig and waits (at most two minutes) for the end; the wait status.
  int EndBy(int sig) {
    kill(child_.pid, sig);
    return End();
  }

 private:
  // False once standard output is closed.
  bool ReadFor(int milliseconds) {
    if (child_.out < 0) return false;
    pollfd polled{child_.out, POLLIN, 0};
    if (poll(&polled, 1, milliseconds) <= 0) return true;
    char buffer[4096];
    const ssize_t n = read(child_.out, buffer, sizeof buffer);
    if (n <= 0) {
      close(child_.out);
      child_.out = -1;
      return false;
    }
    out_.append(buffer, static_cast<size_t>(n));
    return true;
  }
  int End() {
    int status = -1;
    const auto deadline = steady_clock::now() + seconds(120);
    while (steady_clock::now() < deadline) {
      ReadFor(50);
      if (waitpid(child_.pid, &status, WNOHANG) == child_.pid) {
        ended_ = true;
        while (ReadFor(10)) {
        }
        if (child_.err >= 0) close(child_.err);
        return status;
      }
    }
    return -1;
  }

  ChildProgram child_;
  std::string out_;
  bool ended_ = false;
};

bool Exists(const std::string& path) { return fs::exists(path); }

// Temporary files of the writer, anywhere below folder.
std::set<std::string> Temporaries(const std::string& folder) {
  std::set<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.path().filename().string().find(".lumivert-") != std::string::npos)
      found.insert(entry.path().string());
  return found;
}

// Written elsewhere and moved in, as a renderer finishing a frame would.
void MoveIn(const std::string& bytes, const std::string& scratch, const std::string& target) {
  const std::string staged = scratch + fs::path(target).filename().string();
  WriteFileBytes(staged, bytes);
  fs::rename(staged, target);
}

bool EndedBy(int status, int sig) { return WIFSIGNALED(status) && WTERMSIG(status) == sig; }

}  // namespace

// One watch through its life: the file already there, a copied file, a new
// subfolder, a file written again, a second start, and SIGTERM while idle.
TEST(HotFolder, ConvertsWhatAppearsWithTheCounterGoingOn) {
  const std::string in = ScratchFolder("watch-in");
  const std::string out = ScratchFolder("watch-out");
  const std::string runtime = ScratchFolder("watch-run");
  WriteFileBytes(in + "a.hdr", PictureBytes(8, 6, 1));
  Watch watch({"-i", in, "-o", out, "-c", "png", "--filename-mask=%filename%_%n%.%ext%", "--watch"},
              runtime);
  ASSERT_GT(watch.Pid(), 0);

  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n")) << watch.Out();
  EXPECT_EQ(FolderEntries(out), (std::set<std::string>{"a_00001.png"}));

  // Copied in: written and closed in place.
  fs::copy_file(in + "a.hdr", in + "b.hdr");
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 2)) << watch.Out();
  EXPECT_TRUE(Exists(out + "b_00002.png"));

  // A folder made while watching, then a picture written into it.
  fs::create_directory(in + "sub");
  WriteFileBytes(in + "sub/c.hdr", PictureBytes(5, 4, 3));
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 3)) << watch.Out();
  EXPECT_TRUE(Exists(out + "sub/c_00003.png"));

  // The first file written again is a new input.
  WriteFileBytes(in + "a.hdr", PictureBytes(8, 6, 4));
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 4)) << watch.Out();
  EXPECT_TRUE(Exists(out + "a_00004.png"));

  // A second start while the watch runs ends silently and converts nothing.
  ChildOptions second;
  second.args = {"-i", in + "b.hdr", "-o", out, "-c", "bmp"};
  second.runtime = runtime;
  const ChildEnd secondEnd = RunChildProgram(second);
  EXPECT_TRUE(WIFEXITED(secondEnd.status) && WEXITSTATUS(secondEnd.status) == 0);
  EXPECT_EQ(secondEnd.out, "");
  EXPECT_EQ(secondEnd.err, "");
  EXPECT_FALSE(Exists(out + "b.bmp"));

  // Idle: SIGTERM ends it by the signal, with nothing more printed.
  const int status = watch.EndBy(SIGTERM);
  EXPECT_TRUE(EndedBy(status, SIGTERM)) << "status " << status;
  EXPECT_EQ(watch.Occurrences("Import complete"), 4) << watch.Out();
  EXPECT_EQ(FolderEntries(out),
            (std::set<std::string>{"a_00001.png", "b_00002.png", "sub", "a_00004.png"}));
  EXPECT_TRUE(Temporaries(in).empty());
  EXPECT_TRUE(Temporaries(out).empty());
  // The lock went with the process.
  const ChildEnd after = RunChildProgram(second);
  EXPECT_TRUE(Exists(out + "b.bmp")) << after.out;
  fs::remove_all(in);
  fs::remove_all(out);
  fs::remove_all(runtime);
}

// A picture written in three pieces with pauses is converted once, after its
// close, to the same output as a plain run of the finished file gives.
TEST(HotFolder, SlowWriterIsConvertedOnceAfterClose) {
  const std::string in = ScratchFolder("slow-in");
  const std::string out = ScratchFolder("slow-out");
  const std::string runtime = ScratchFolder("slow-run");
  Watch watch({"-i", in, "-o", out, "-c", "bmp", "--watch"}, runtime);
  ASSERT_GT(watch.Pid(), 0);
  // An empty folder: the import line only.
  ASSERT_TRUE(watch.WaitFor("Import complete, new files added: 0\r\n")) << watch.Out();
  EXPECT_EQ(watch.Occurrences("Conversion stopped"), 0);

  const std::string bytes = PictureBytes(64, 48, 9);
  const int fd = open((in + "slow.hdr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const size_t third = bytes.size() / 3;
  const size_t pieces[][2] = {{0, third}, {third, 2 * third}, {2 * third, bytes.size()}};
  for (int i = 0; i < 3; ++i) {
    const size_t length = pieces[i][1] - pieces[i][0];
    ASSERT_EQ(write(fd, bytes.data() + pieces[i][0], length), static_cast<ssize_t>(length));
    if (i < 2) {
      watch.Drain(700);
      EXPECT_TRUE(FolderEntries(out).empty()) << "converted before the close, piece " << i;
      EXPECT_EQ(watch.Occurrences("Import complete"), 1) << watch.Out();
    }
  }
  close(fd);
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n")) << watch.Out();
  watch.Drain(700);
  EXPECT_EQ(watch.Occurrences("Import complete"), 2) << watch.Out();
  EXPECT_EQ(FolderEntries(out), (std::set<std::string>{"slow.bmp"}));
  EXPECT_TRUE(EndedBy(watch.EndBy(SIGINT), SIGINT));

  // The same file converted by a plain run.
  const std::string plainIn = ScratchFolder("slow-plain-in");
  const std::string plainOut = ScratchFolder("slow-plain-out");
  WriteFileBytes(plainIn + "slow.hdr", bytes);
  const ProgramResult plain =
      RunLumivert({"-i", plainIn + "slow.hdr", "-o", plainOut, "-c", "bmp"});
  ASSERT_NE(plain.out.find("Files converted: 1 of 1"), std::string::npos) << plain.out;
  EXPECT_EQ(ReadFileBytes(out + "slow.bmp"), ReadFileBytes(plainOut + "slow.bmp"));
  for (const std::string& folder : {in, out, runtime, plainIn, plainOut}) fs::remove_all(folder);
}

// hdr output into the watched folder itself is never taken as a new input:
// no loop, and the next picture is converted normally. A folder moved in
// with pictures already in it is converted too.
TEST(HotFolder, OwnOutputsInTheWatchedTreeAreNotInputs) {
  const std::string in = ScratchFolder("loop-in");
  const std::string scratch = ScratchFolder("loop-scratch");
  const std::string runtime = ScratchFolder("loop-run");
  WriteFileBytes(in + "a.hdr", PictureBytes(6, 6, 2));
  Watch watch({"-i", in, "-c", "hdr", "--filename-mask=%filename%_x.%ext%", "--watch"}, runtime);
  ASSERT_GT(watch.Pid(), 0);
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n")) << watch.Out();

  MoveIn(PictureBytes(6, 6, 5), scratch, in + "b.hdr");
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 2)) << watch.Out();

  fs::create_directories(scratch + "shots/deep");
  WriteFileBytes(scratch + "shots/deep/c.hdr", PictureBytes(4, 4, 6));
  fs::rename(scratch + "shots", in + "shots");
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 3)) << watch.Out();

  watch.Drain(1500);
  EXPECT_EQ(watch.Occurrences("Import complete"), 3) << watch.Out();
  EXPECT_EQ(FolderEntries(in),
            (std::set<std::string>{"a.hdr", "a_x.hdr", "b.hdr", "b_x.hdr", "shots"}));
  EXPECT_EQ(FolderEntries(in + "shots/deep"), (std::set<std::string>{"c.hdr", "c_x.hdr"}));

  // A picture written over one of the outputs is the user's: it is converted.
  WriteFileBytes(in + "a_x.hdr", PictureBytes(6, 6, 7));
  ASSERT_TRUE(watch.WaitFor("Files converted: 1 of 1\r\n", 4)) << watch.Out();
  EXPECT_TRUE(Exists(in + "a_x_x.hdr"));
  EXPECT_TRUE(EndedBy(watch.EndBy(SIGTERM), SIGTERM));
  for (const std::string& folder : {in, scratch, runtime}) fs::remove_all(folder);
}

// SIGTERM while a file converts: that file is finished and committed, no new
// one starts, and the process then ends by SIGTERM without temporaries.
TEST(HotFolder, SigtermFinishesTheFileInFlight) {
  const std::string in = ScratchFolder("term-in");
  const std::string out = ScratchFolder("term-out");
  const std::string scratch = ScratchFolder("term-scratch");
  const std::string runtime = ScratchFolder("term-run");
  Watch watch(
      {"-i", in, "-o", out, "-c", "tiff", "--tiff-compression=deflate", "--threads=1", "--watch"},
      runtime);
  ASSERT_GT(watch.Pid(), 0);
  ASSERT_TRUE(watch.WaitFor("Import complete, new files added: 0\r\n")) << watch.Out();

  // Three large pictures in one folder moved in: one batch, whose single
  // worker takes one file while the others wait.
  fs::create_directory(scratch + "pair");
  WriteFileBytes(scratch + "pair/big1.hdr", PictureBytes(2000, 1500, 11));
  WriteFileBytes(scratch + "pair/big2.hdr", PictureBytes(2000, 1500, 12));
  WriteFileBytes(scratch + "pair/big3.hdr", PictureBytes(2000, 1500, 13));
  fs::rename(scratch + "pair", in + "pair");
  ASSERT_TRUE(watch.WaitFor("Converting...\r\n", 1)) << watch.Out();
  const auto deadline = steady_clock::now() + seconds(60);
  while (Temporaries(out).empty() && steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_FALSE(Temporaries(out).empty()) << "no file was being written";

  const int status = watch.EndBy(SIGTERM);
  EXPECT_TRUE(EndedBy(status, SIGTERM)) << "status " << status;
  EXPECT_TRUE(Temporaries(out).empty());
  // The file in flight was written whole (renamed into place) and the batch
  // stopped before its end; on a slow machine the stop may be seen only after
  // the first file, so one or two of the three are written, as counted.
  const std::set<std::string> outputs = FolderEntries(out + "pair/");
  ASSERT_GE(outputs.size(), 1u) << watch.Out();
  ASSERT_LE(outputs.size(), 2u) << watch.Out();
  for (const std::string& name : outputs) EXPECT_GT(fs::file_size(out + "pair/" + name), 1000u);
  const std::string totals = "Files converted: " + std::to_string(outputs.size()) + " of 3\r\n";
  EXPECT_EQ(watch.Occurrences(totals), 1) << watch.Out();
  for (const std::string& folder : {in, out, scratch, runtime}) fs::remove_all(folder);
}

// --watch needs a folder: a picture or a list file as input is refused with
// one error line and nothing is converted.
TEST(HotFolder, NeedsAFolderInput) {
  const std::string in = ScratchFolder("nofolder-in");
  WriteFileBytes(in + "a.hdr", PictureBytes(4, 4, 1));
  WriteFileBytes(in + "list.txt", in + "a.hdr\n");
  for (const std::string& input : {in + "a.hdr", in + "list.txt"}) {
    SCOPED_TRACE(input);
    const ProgramResult result = RunLumivert({"-q", "-i", input, "-c", "png", "--watch"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Error: Invalid watch folder\r\n");
    EXPECT_FALSE(Exists(in + "a.png"));
  }
  fs::remove_all(in);
}
