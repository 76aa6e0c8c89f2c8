// The real program interrupted while it writes: the temporary file of the
// file in progress goes, the program ends by the signal, and the output the
// user already had keeps its bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
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

pid_t StartLumivert(const std::vector<std::string>& args, const std::string& runtime) {
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
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
  std::vector<char*> argv{const_cast<char*>(LUMIVERT_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(LUMIVERT_EXE, argv.data());
  _exit(127);
}

}  // namespace

TEST(InterruptCleanup, SignalDuringAWriteRemovesTheTemporaryFileAndKeepsTheOutput) {
  const std::string input = ScratchFolder("interrupt-in") + "big.hdr";
  WriteNoiseHdr(input);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const std::string out = ScratchFolder("interrupt-out");
    const std::string runtime = ScratchFolder("interrupt-run");
    WriteFileBytes(out + "big.tiff", "the previous good output");
    const pid_t pid = StartLumivert(
        {"-i", input, "-o", out, "-c", "tiff", "--tiff-compression=deflate"}, runtime);
    ASSERT_GT(pid, 0);

    bool seen = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!seen && std::chrono::steady_clock::now() < deadline) {
      seen = HoldsTemporaryFile(out);
      if (!seen) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;  // ended without writing
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    ASSERT_TRUE(seen) << "no temporary file appeared";
    kill(pid, sig);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    // Ended by the signal itself, before the write could finish.
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
    EXPECT_EQ(FolderEntries(out), std::set<std::string>{"big.tiff"});
    EXPECT_EQ(ReadFileBytes(out + "big.tiff"), "the previous good output");
    fs::remove_all(out);
    fs::remove_all(runtime);
  }
  fs::remove_all(fs::path(input).parent_path());
}
