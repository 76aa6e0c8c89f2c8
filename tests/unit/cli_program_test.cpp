// The built program end to end: console bytes and exit codes of help,
// version, usage errors, the banner, pause and quiet, and the instance lock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

namespace {

const std::string LockName = "Corvanta Nembrix 2.1.lock";

const std::vector<std::string> Banner = {
    "Corvanta Nembrix 2.1",
    "Copyright (c) 2019-2026 Corvanta Software Ltd. All rights reserved.",
    "https://www.corvanta.com/nembrix/",
    " ",
};
// A named input that does not exist stops the run at its first check.
const std::vector<std::string> MissingFile = {"Preparing...", "Error: Invalid input file"};

std::vector<std::string> HelpFor(const std::string& prog) {
  return {
      " ",
      "Usage: " + prog + " -i <filename> [options]",
      " ",
      "  " + prog + " -i example.hdr",
      "  " + prog + " -i c:/tmp/example.hdr",
      "  " + prog + " -i c:/tmp/example.hdr -o d:/converted",
      "  " + prog + " -i c:/tmp/filelist.txt",
      "  " + prog + " -i c:/tmp/ -o d:/converted --jpg-quality=95",
      "  " + prog + " -i /srv/hdr/ -o /srv/converted -c bmp --jpg-quality=95",
      " ",
      "Options:",
      " ",
      "  -h, -?, --help            Display this help and exit",
      "  -i FILE, --input=FILE     Set input file/list/folder",
      "  -o PATH, --output=PATH    Set output folder",
      "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
      " ",
      "Advanced options:",
      " ",
      "  --width=NUM               Set output image width",
      "  --height=NUM              Set output image height",
      "  --filename-mask=STR       Define output filename format",
      "  --flip-horizontal         Flip output image horizontally",
      "  --flip-vertical           Flip output image vertically",
      "  --brightness=NUM          Set output image brightness, NUM = -100..100",
      "  --contrast=NUM            Set output image contrast, NUM = -100..100",
      "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
      "  --invert                  Invert output image",
      "  --greyscale               Greyscale output image",
      "  --profile=FILE            Set configuration file with required settings",
      "    ...                     Refer documentation for all available options",
      " ",
      "Other options:",
      " ",
      "  -q, --quiet               Don't print status messages to stdout",
      "  -d, --debug               Print debug information to stdout",
      "  -p, --pause               Pause at exit",
      "  -v, --version             Display version information and exit",
  };
}

// Runs exe with args and XDG_RUNTIME_DIR set to runtime ("" leaves it unset).
ProgramResult RunWith(const std::string& exe, const std::vector<std::string>& args,
                      const std::string& runtime) {
  std::string cmd = runtime.empty() ? "env -u XDG_RUNTIME_DIR "
                                    : "env XDG_RUNTIME_DIR=" + ShellQuote(runtime) + " ";
  cmd += ShellQuote(exe);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  return RunShellCommand(cmd + " </dev/null");
}

// Holds the instance lock in folder the way a running copy would.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    locked_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
  }
  ~HeldLock() {
    if (fd_ >= 0) close(fd_);
  }
  bool locked() const { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

// What the window path prints when no display is available.
const std::vector<std::string> NoWindow = {
    "No display is available for the window; use -i to convert from the command line."};

struct Case {
  std::vector<std::string> args;
  std::vector<std::string> lines;
};

void ExpectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    ProgramResult r = RunLumivert(c.args);
    EXPECT_EQ(r.out, CrLfLines(c.lines)) << testing::PrintToString(c.args);
    EXPECT_EQ(r.exitCode, 0) << testing::PrintToString(c.args);
  }
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(ProgramRun, HelpAndVersionOnlyAsTheFirstParameter) {
  const std::vector<std::string> help = HelpFor("lumivert");
  ExpectAll({
      {{"-h"}, help},
      {{"-?"}, help},
      {{"--help"}, help},
      {{"--HELP=x", "-i", "pic.hdr"}, help},
      {{"-v"}, {"2.1"}},
      {{"-V"}, {"2.1"}},
      {{"--version"}, {"2.1"}},
      {{"--Version=no", "-i", "x"}, {"2.1"}},
      // Later in the command line they mean nothing.
      {{"-q", "-h"}, NoWindow},
      {{"stray", "-v"}, NoWindow},
      {{"-i", "x.hdr", "-h"}, Join(Banner, MissingFile)},
      {{"-h=1"}, NoWindow},
  });
}

TEST(ProgramRun, HelpNamesTheProgramByItsFileName) {
  std::string folder = ScratchFolder("cli-name");
  std::string runtime = ScratchFolder("cli-name-run");
  std::filesystem::copy_file(LUMIVERT_EXE, folder + "nembrix.bin");
  std::filesystem::permissions(folder + "nembrix.bin", std::filesystem::perms::owner_all);
  ProgramResult r = RunWith(folder + "nembrix.bin", {"-h"}, runtime);
  EXPECT_EQ(r.out, CrLfLines(HelpFor("nembrix")));
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramRun, UsageErrorsPrintOneLine) {
  const std::vector<std::string> incorrect = {"Error: Incorrect number of parameters"};
  ExpectAll({
      {{"--input", "pic.hdr"}, incorrect},
      {{"-i"}, incorrect},
      {{"-i", "pic.hdr", "-o", "-q"}, incorrect},
      {{"-i", "pic.hdr", "--jpg-quality"}, incorrect},
      {{"-q", "-i", "pic.hdr", "--width="}, incorrect},  // quiet never hides errors
      {{"-i", "pic.hdr", "--profile=missing.ini"}, {"Error: Invalid profile file"}},
      // No terminal: -p waits for nothing and prints no prompt on this path.
      {{"-p", "--jpg-quality", "-i", "x"}, incorrect},
      {{"--jpg-quality", "-p", "-i", "x"}, incorrect},
  });
}

TEST(ProgramRun, BannerQuietAndPause) {
  ExpectAll({
      {{"-i", "pic.hdr"}, Join(Banner, MissingFile)},
      {{"--input=pic.hdr", "-o", "out", "-c", "png", "-d"},
       Join(Banner, {"Preparing...", "Input: pic.hdr", "Error: Invalid input file"})},
      {{"-q", "-i", "pic.hdr"}, {"Error: Invalid input file"}},
      {{"-i", "pic.hdr", "--quiet"}, {"Error: Invalid input file"}},
      {{"-i", "pic.hdr", "-p"}, Join(Join(Banner, MissingFile), {"Press any key to exit."})},
      {{"-p", "-q", "-i", "pic.hdr"}, {"Error: Invalid input file", "Press any key to exit."}},
  });
}

// The tests run without a display, so the window path says so and ends.
TEST(ProgramRun, WithoutAnInputTheWindowPathIsTaken) {
  ExpectAll({
      {{}, NoWindow},
      {{"pic.hdr"}, NoWindow},
      {{"-o", "out", "--jpg-quality=5", "-p"}, NoWindow},
      {{"-U"}, NoWindow},
      {{"-T"}, NoWindow},
      {{"-t", "/nonexistent"}, NoWindow},
  });
}

TEST(ProgramRun, OddParametersNeverCrash) {
  std::vector<std::string> many(200, "--width=1");
  many[150] = "-i";
  many[151] = "x.hdr";
  std::vector<std::string> lastKept(126, "stray");
  lastKept.push_back("-i");
  lastKept.push_back("x.hdr");
  lastKept.push_back("-q");                 // index 128: not read
  const std::string longValue(40000, 'a');  // the whole shell line stays below 128 KiB
  ExpectAll({
      {many, NoWindow},  // the input option lies beyond the 128th parameter
      {lastKept, Join(Banner, MissingFile)},
      {{"-i", "x.hdr", "--width=99999999999999999999999999", "--gamma=1e99999",
        "--rotation=$FFFFFFFFFFFFFFFFFFFF", "--brightness=-%1111111111111111111111111111111111111"},
       Join(Banner, MissingFile)},
      {{"-i", longValue, "--wm-text=" + longValue},
       Join(Banner, {"Preparing...", "Error: Invalid input folder"})},
      {{"-i", "\xFF\xFE.hdr", "--wm-text=\xC3(", "--\xFF\xFE=1", "-\xC3", "\xE2\x82"},
       Join(Banner, MissingFile)},
      {{"\xFF-v"}, NoWindow},
      {{"-i", "\"unterminated", "--wm-text=\"also"},
       Join(Banner, {"Preparing...", "Error: Invalid input folder"})},
  });
}

TEST(InstanceLock, ASecondCopyEndsSilently) {
  std::string runtime = ScratchFolder("cli-lock");
  {
    HeldLock held(runtime + LockName);
    ASSERT_TRUE(held.locked());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-v"}, std::vector<std::string>{"-i", "pic.hdr"},
          std::vector<std::string>{"--jpg-quality"}, std::vector<std::string>{}}) {
      ProgramResult r = RunWith(LUMIVERT_EXE, args, runtime);
      EXPECT_EQ(r.out, "") << testing::PrintToString(args);
      EXPECT_EQ(r.exitCode, 0);
    }
  }
  // Once the first copy is gone the lock is free again.
  ProgramResult r = RunWith(LUMIVERT_EXE, {"-v"}, runtime);
  EXPECT_EQ(r.out, "2.1\r\n");
  struct stat st {};
  ASSERT_EQ(stat((runtime + LockName).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(InstanceLock, ARunningCopyHoldsTheLockUntilItEnds) {
  std::string runtime = ScratchFolder("cli-lock-run");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  // Fill the pipe so the first copy blocks on its first console line while holding the lock.
  fcntl(fds[1], F_SETFL, O_NONBLOCK);
  std::string filler(4096, 'x');
  size_t filled = 0;
  ssize_t w;
  while ((w = write(fds[1], filler.data(), filler.size())) > 0) filled += static_cast<size_t>(w);
  fcntl(fds[1], F_SETFL, 0);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    execl(LUMIVERT_EXE, LUMIVERT_EXE, "-v", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);

  // Wait until the child has taken the lock (our own try fails then).
  bool childHolds = false;
  for (int tries = 0; tries < 2000 && !childHolds; ++tries) {
    int fd = open((runtime + LockName).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
      childHolds = flock(fd, LOCK_EX | LOCK_NB) != 0;
      close(fd);
    }
    if (!childHolds) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(childHolds);

  ProgramResult second = RunWith(LUMIVERT_EXE, {"-v"}, runtime);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.exitCode, 0);

  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(out.size(), filled + 5);
  EXPECT_EQ(out.substr(filled), "2.1\r\n");
}

TEST(InstanceLock, APlantedLinkIsNotFollowed) {
  std::string runtime = ScratchFolder("cli-lock-link");
  std::string target = runtime + "victim";
  ASSERT_EQ(symlink(target.c_str(), (runtime + LockName).c_str()), 0);
  ProgramResult r = RunWith(LUMIVERT_EXE, {"-v"}, runtime);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(InstanceLock, WithoutARuntimeFolderTheLockLivesInTmpPerUser) {
  ProgramResult r = RunWith(LUMIVERT_EXE, {"-v"}, "");
  EXPECT_EQ(r.out, "2.1\r\n");
  EXPECT_EQ(r.exitCode, 0);
  std::string path = "/tmp/Corvanta Nembrix 2.1-" + std::to_string(getuid()) + ".lock";
  struct stat st {};
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}
