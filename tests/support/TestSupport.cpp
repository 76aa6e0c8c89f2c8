#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string ScratchFolder(const std::string& tag) {
  static std::atomic<int> serial{0};
  fs::path dir =
      fs::temp_directory_path() /
      ("lumivert-test-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string() + "/";
}

std::set<std::string> FolderEntries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

ProgramResult RunShellCommand(const std::string& cmd) {
  ProgramResult result;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ProgramResult RunLumivert(const std::vector<std::string>& args, const std::string& workDir) {
  std::string runtime = ScratchFolder("run");
  std::string cmd = "cd " + ShellQuote(workDir.empty() ? runtime : workDir) +
                    " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR=" +
                    ShellQuote(runtime) + " XDG_CONFIG_HOME=" + ShellQuote(runtime + "config") +
                    " " + ShellQuote(LUMIVERT_EXE);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " </dev/null";
  ProgramResult result = RunShellCommand(cmd);
  fs::remove_all(runtime);
  return result;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}
