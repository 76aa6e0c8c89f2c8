// Compares the memory estimate with the real peak: converts generated
// pictures in a child process and reads its peak resident size.
//   memory_bench LUMIVERT_EXE [FOLDER]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scripts/RadianceWriter.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"

namespace {

struct Case {
  int width, height;
  int targetWidth, targetHeight;  // 0: no resize
};

// Peak resident bytes of the program run with args.
long PeakBytes(const std::vector<std::string>& args) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss * 1024L;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: memory_bench LUMIVERT_EXE [FOLDER]\n");
    return 2;
  }
  const std::string exe = argv[1];
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  const std::vector<Case> cases = {
      {1, 4000, 0, 0},    {300, 200, 0, 0},       {1000, 1000, 0, 0},       {4000, 1000, 0, 0},
      {3000, 2000, 0, 0}, {3000, 2000, 300, 200}, {4000, 1000, 1000, 1000}, {300, 200, 3000, 2000}};
  const std::string missing = folder + "/memory-bench-missing.hdr";
  const long idle = PeakBytes({exe, "-q", "-i", missing, "-o", folder});
  std::printf("idle %.1f MB\n%-28s %10s %10s %7s\n", idle / 1e6, "case", "estimate", "measured",
              "ratio");
  for (const Case& c : cases) {
    const std::string input = folder + "/memory-bench.hdr";
    WriteRadianceFile(input, GradientPicture(c.width, c.height));
    SettingsRecord settings;
    std::vector<std::string> args = {exe, "-q", "-i", input, "-o", folder, "-c", "png"};
    char name[64];
    std::snprintf(name, sizeof name, "%d x %d", c.width, c.height);
    std::string label = name;
    if (c.targetWidth > 0) {
      settings.DoImageResize = 1;
      settings.ImageWidth = c.targetWidth;
      settings.ImageHeight = c.targetHeight;
      args.push_back("--width=" + std::to_string(c.targetWidth));
      args.push_back("--height=" + std::to_string(c.targetHeight));
      std::snprintf(name, sizeof name, " -> %d x %d", c.targetWidth, c.targetHeight);
      label += name;
    }
    const double estimate =
        static_cast<double>(EstimateFileWorkingSet(c.width, c.height, settings, "png"));
    const double measured = static_cast<double>(PeakBytes(args) - idle);
    std::printf("%-28s %8.1f MB %8.1f MB %7.2f\n", label.c_str(), estimate / 1e6, measured / 1e6,
                estimate / measured);
  }
  return 0;
}
