#include <unistd.h>

#include <climits>

#include "app/WindowMode.h"
#include "platform/Files.h"

namespace {
std::vector<std::string> StartFiles;
}

std::vector<std::string> WindowStartFiles(int paramCount, char** params) {
  std::string cwd;
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer)) cwd = std::string(buffer) + "/";
  std::vector<std::string> files;
  for (int i = 0; i < paramCount; ++i) {
    const std::string p = params[i] ? params[i] : "";
    // The value of -o or -c is a folder or an extension, never a file to open.
    if (p.size() == 2 && p[0] == '-' && std::string("oOcC").find(p[1]) != std::string::npos) {
      ++i;
      continue;
    }
    if (p.empty() || p[0] == '-' || !IsRegularFile(p)) continue;
    files.push_back(p[0] == '/' ? p : cwd + p);
  }
  return files;
}

void SetWindowStartFiles(std::vector<std::string> files) { StartFiles = std::move(files); }

const std::vector<std::string>& WindowStartFiles() { return StartFiles; }
