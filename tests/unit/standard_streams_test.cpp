// Started with standard descriptors closed: nothing opened later may take
// their place, and a closed standard output means there is no console. A
// reader that goes away during a run (| head) ends neither the run nor the
// process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "platform/StandardStreams.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// In a child, so the test's own descriptors stay as they are: closes the
// descriptors in mask (bit n for descriptor n), reopens, and reports through
// the exit code which were noted as closed (same bits) plus 8 when all three
// are now /dev/null or were open already.
int ReopenInChild(int mask) {
  const pid_t pid = fork();
  if (pid == 0) {
    struct stat null {};
    stat("/dev/null", &null);
    for (int fd = 0; fd < 3; ++fd)
      if (mask & (1 << fd)) close(fd);
    const ClosedStandardStreams closed = ReopenClosedStandardStreams();
    int code = (closed.input ? 1 : 0) | (closed.output ? 2 : 0) | (closed.error ? 4 : 0);
    bool good = true;
    for (int fd = 0; fd < 3; ++fd) {
      struct stat st {};
      if (fstat(fd, &st) != 0) good = false;
      if ((mask & (1 << fd)) && st.st_rdev != null.st_rdev) good = false;
    }
    _exit(code | (good ? 8 : 0));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StandardStreams, ClosedDescriptorsAreNotedAndReopenedOnDevNull) {
  for (int mask = 0; mask < 8; ++mask) EXPECT_EQ(ReopenInChild(mask), mask | 8) << mask;
}

struct Started {
  std::string out, lock;
  bool converted = false;
};

// Starts the real program through bash with redirections (such as ">&-"),
// in its own lock folder with -o that folder; returns standard output (when open), the lock
// file's bytes and whether pic.bmp was written.
Started Start(const std::string& args, const std::string& redirections) {
  const std::string dir = ScratchFolder("closed");
  WriteRadianceFile(dir + "pic.hdr", GradientPicture(24, 16));
  const std::string cmd =
      "cd " + ShellQuote(dir) + " && XDG_RUNTIME_DIR=" + ShellQuote(dir) + " bash -c " +
      ShellQuote("exec " + ShellQuote(LUMIVERT_EXE) + " " + args + " " + redirections);
  Started started;
  started.out = RunShellCommand(cmd).out;
  started.lock = ReadFileBytes(dir + "Corvanta Nembrix 2.1.lock");
  started.converted = fs::exists(dir + "pic.bmp");
  fs::remove_all(dir);
  return started;
}

TEST(StandardStreams, ClosedStandardOutputIsNoConsole) {
  // A conversion gives way to window mode; help and version end silently.
  for (const char* args : {"-i \"$PWD/pic.hdr\" -c bmp", "-v", "-h", "-i missing.hdr"}) {
    const Started s = Start(args, ">&-");
    EXPECT_EQ(s.lock, "") << args;
    EXPECT_FALSE(s.converted) << args;
  }
}

TEST(StandardStreams, ClosedInputOrErrorLeaveTheRunAsItWas) {
  // With only standard error closed the lock file would be descriptor 2, and
  // the colour warning would be written into it.
  const std::string args = "-i \"$PWD/pic.hdr\" -c bmp --wm-back-color=red";
  const Started open = Start(args, "</dev/null 2>/dev/null");
  EXPECT_NE(open.out.find("Files converted: 1 of 1\r\n"), std::string::npos) << open.out;
  for (const char* redirections : {"</dev/null 2>&-", "<&- 2>/dev/null", "<&- 2>&-"}) {
    const Started closed = Start(args, redirections);
    EXPECT_EQ(closed.lock, "") << redirections;
    EXPECT_TRUE(closed.converted) << redirections;
    EXPECT_EQ(closed.out, open.out) << redirections;
  }
}

// A folder of four small pictures and one broken file (its reason goes to
// standard error during the run), converted with -d for plenty of lines.
class GoneReader : public ::testing::Test {
 protected:
  void SetUp() override {
    in_ = ScratchFolder("gone-in");
    for (int i = 1; i <= 4; ++i)
      WriteRadianceFile(in_ + "pic" + std::to_string(i) + ".hdr", GradientPicture(8 * i, 6 + i));
    WriteFileBytes(in_ + "broken.hdr", "not a picture");
    out_ = ScratchFolder("gone-out");
    runtime_ = ScratchFolder("gone-run");
  }
  void TearDown() override {
    for (const std::string& dir : {in_, out_, runtime_}) fs::remove_all(dir);
  }

  ChildOptions Options(ChildStream out, ChildStream err) const {
    ChildOptions options;
    options.args = {"-i", in_, "-o", out_, "-c", "png", "-d"};
    options.runtime = runtime_;
    options.out = out;
    options.err = err;
    return options;
  }

  // The output folder's files with their bytes; empties the folder.
  std::map<std::string, std::string> TakeOutputs() const {
    std::map<std::string, std::string> files;
    for (const std::string& name : FolderEntries(out_)) files[name] = ReadFileBytes(out_ + name);
    fs::remove_all(out_);
    fs::create_directories(out_);
    return files;
  }

  std::string in_, out_, runtime_;
};

}  // namespace

// Standard output, standard error or both lost their reader, before the
// start or after the first line: the run converts every file, leaves no
// temporary file, ends normally with 0, and what still has a reader gets
// exactly the bytes of an undisturbed run (nothing is said about the loss).
TEST_F(GoneReader, TheRunGoesOnWhenAStreamsReaderGoesAway) {
  const ChildEnd reference = RunChildProgram(Options(ChildStream::Read, ChildStream::Read));
  ASSERT_TRUE(WIFEXITED(reference.status) && WEXITSTATUS(reference.status) == 0);
  ASSERT_NE(reference.out.find("Files converted: 4 of 5\r\n"), std::string::npos) << reference.out;
  ASSERT_NE(reference.err.find("broken.hdr: unreadable or not Radiance"), std::string::npos)
      << reference.err;
  const std::map<std::string, std::string> expected = TakeOutputs();
  ASSERT_EQ(expected.size(), 4u);

  struct Case {
    const char* name;
    ChildStream out, err;
    bool closeAfterFirstLine;  // of standard output, read by the test
  };
  const Case cases[] = {
      {"output closed", ChildStream::ClosedReader, ChildStream::Read, false},
      {"error closed", ChildStream::Read, ChildStream::ClosedReader, false},
      {"both closed", ChildStream::ClosedReader, ChildStream::ClosedReader, false},
      {"output closed after its first line", ChildStream::Read, ChildStream::Read, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProgram child = StartChildProgram(Options(c.out, c.err));
    ASSERT_GT(child.pid, 0);
    std::string firstLine;
    if (c.closeAfterFirstLine) {
      char ch;
      while (firstLine.find('\n') == std::string::npos && read(child.out, &ch, 1) == 1)
        firstLine += ch;
      close(child.out);
      child.out = -1;
    }
    const ChildEnd end = FinishChildProgram(child);
    EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << "status " << end.status;
    if (c.closeAfterFirstLine) {
      EXPECT_EQ(firstLine, reference.out.substr(0, reference.out.find('\n') + 1));
    } else if (c.out == ChildStream::Read) {
      EXPECT_EQ(end.out, reference.out);
    }
    if (c.err == ChildStream::Read) {
      EXPECT_EQ(end.err, reference.err);
    }
    EXPECT_EQ(TakeOutputs(), expected);  // all four, whole, and no temporary file beside them
  }
}
