// Started with standard descriptors closed: nothing opened later may take
// their place, and a closed standard output means there is no console.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/StandardStreams.h"
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

}  // namespace
