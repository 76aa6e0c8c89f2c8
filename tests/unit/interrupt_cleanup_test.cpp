// The real program ended by a signal while it writes: the temporary file of
// the file in progress goes, the program ends by the signal, and the output
// the user already had keeps its bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Noise at 2000 x 1500: a deflate-compressed float TIFF of it takes about a
// second to write, long enough to be caught in the middle.
void WriteNoiseHdr(const std::string& path) {
  FloatPicture pic(2000, 1500);
  unsigned state = 7;
  for (float& v : pic.rgb) {
    state = state * 1103515245u + 12345u;
    v = static_cast<float>(state >> 8 & 0xFFFF) / 256.0f;
  }
  WriteFileBytes(path, RadianceBytes(pic));
}

bool HoldsTemporaryFile(const std::string& folder) {
  for (const std::string& name : FolderEntries(folder))
    if (name[0] == '.' && name.find(".lumivert-") != std::string::npos) return true;
  return false;
}

// Signals the program cleans up after; each ends it by itself afterwards.
const int EndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};

// ignored: a signal set to SIG_IGN before the start, as nohup does.
pid_t StartLumivert(const std::vector<std::string>& args, const std::string& runtime,
                    int ignored = 0) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (runtime + "config").c_str(), 1);
  const int null = open("/dev/null", O_RDWR);
  dup2(null, 0);
  dup2(null, 1);
  dup2(null, 2);
  // Whoever started the tests may ignore or block these; the program must
  // meet them as a user's shell would deliver them.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig : EndingSignals) signal(sig, SIG_DFL);
  if (ignored != 0) signal(ignored, SIG_IGN);
  // SIGQUIT dumps core by default; no core file is wanted from a test.
  struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  std::vector<char*> argv{const_cast<char*>(LUMIVERT_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(LUMIVERT_EXE, argv.data());
  _exit(127);
}

// Waits up to two minutes for a temporary file in folder, or for the end of
// pid (its status then goes to status). True when the file was seen.
bool WaitForTemporaryFile(pid_t pid, const std::string& folder, int& status, bool& ended) {
  ended = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (std::chrono::steady_clock::now() < deadline) {
    if (HoldsTemporaryFile(folder)) return true;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

}  // namespace

TEST(InterruptCleanup, SignalDuringAWriteRemovesTheTemporaryFileAndKeepsTheOutput) {
  const std::string input = ScratchFolder("interrupt-in") + "big.hdr";
  WriteNoiseHdr(input);
  for (int sig : EndingSignals) {
    SCOPED_TRACE(strsignal(sig));
    const std::string out = ScratchFolder("interrupt-out");
    const std::string runtime = ScratchFolder("interrupt-run");
    WriteFileBytes(out + "big.tiff", "the previous good output");
    const pid_t pid = StartLumivert(
        {"-i", input, "-o", out, "-c", "tiff", "--tiff-compression=deflate"}, runtime);
    ASSERT_GT(pid, 0);

    int status = 0;
    bool ended = false;
    const bool seen = WaitForTemporaryFile(pid, out, status, ended);
    if (!ended) {
      kill(pid, sig);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    ASSERT_TRUE(seen) << "no temporary file appeared";

    // Ended by the signal itself, before the write could finish.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_EQ(FolderEntries(out), std::set<std::string>{"big.tiff"});
    EXPECT_EQ(ReadFileBytes(out + "big.tiff"), "the previous good output");
    fs::remove_all(out);
    fs::remove_all(runtime);
  }
  fs::remove_all(fs::path(input).parent_path());
}

// The same signals right after the start, before any temporary file can
// exist (the program may not even have installed its handlers): the program
// still ends by the signal and the folder is as it was.
TEST(InterruptCleanup, SignalBeforeAnyWriteEndsTheProgramByIt) {
  const std::string input = ScratchFolder("early-in") + "big.hdr";
  WriteNoiseHdr(input);
  const std::string exe = fs::canonical(LUMIVERT_EXE).string();
  for (int sig : EndingSignals) {
    SCOPED_TRACE(strsignal(sig));
    const std::string out = ScratchFolder("early-out");
    const std::string runtime = ScratchFolder("early-run");
    WriteFileBytes(out + "big.tiff", "the previous good output");
    const pid_t pid = StartLumivert(
        {"-i", input, "-o", out, "-c", "tiff", "--tiff-compression=deflate"}, runtime);
    ASSERT_GT(pid, 0);
    // Sent once the child runs the program, so that it meets the program's
    // dispositions and not the test's.
    const std::string exeLink = "/proc/" + std::to_string(pid) + "/exe";
    std::error_code error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fs::read_symlink(exeLink, error) != exe && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_EQ(FolderEntries(out), std::set<std::string>{"big.tiff"});
    EXPECT_EQ(ReadFileBytes(out + "big.tiff"), "the previous good output");
    fs::remove_all(out);
    fs::remove_all(runtime);
  }
  fs::remove_all(fs::path(input).parent_path());
}

// A signal ignored when the program starts (nohup) stays ignored: the same
// signal during the write changes nothing and the run completes.
TEST(InterruptCleanup, SignalIgnoredAtStartStaysIgnored) {
  const std::string input = ScratchFolder("ignored-in") + "big.hdr";
  WriteNoiseHdr(input);
  for (int sig : {SIGQUIT, SIGUSR1, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const std::string out = ScratchFolder("ignored-out");
    const std::string runtime = ScratchFolder("ignored-run");
    WriteFileBytes(out + "big.tiff", "the previous good output");
    const pid_t pid = StartLumivert(
        {"-i", input, "-o", out, "-c", "tiff", "--tiff-compression=deflate"}, runtime, sig);
    ASSERT_GT(pid, 0);

    int status = 0;
    bool ended = false;
    // Sent during the write when it is caught there, else after the end:
    // either way the run must have gone to its end.
    WaitForTemporaryFile(pid, out, status, ended);
    if (!ended) {
      kill(pid, sig);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(FolderEntries(out), std::set<std::string>{"big.tiff"});
    EXPECT_EQ(ReadFileBytes(out + "big.tiff").substr(0, 2), "II");  // a new little-endian TIFF
    fs::remove_all(out);
    fs::remove_all(runtime);
  }
  fs::remove_all(fs::path(input).parent_path());
}
