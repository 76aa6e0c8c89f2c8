// Measures a default command-line conversion of a folder of large generated
// HDR pictures against the same work done by bare library calls.
//   convert_bench [--count N] [--width W] [--height H] [--repeat R] [--keep]
// Prints, for png and jpg, the best wall time of R alternating runs (the
// machine's noise only ever adds time) and the peak resident memory of each.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BarePipeline.h"
#include "platform/Files.h"
#include "scripts/RadianceWriter.h"

namespace fs = std::filesystem;

namespace {

struct Measure {
  double seconds = 0;
  double cpuSeconds = 0;  // user + system
  long peakKiB = 0;
  int status = -1;
};

// Runs body in a child process so its peak memory is its own.
Measure InChild(const std::function<int()>& body) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peakKiB = usage.ru_maxrss;
  m.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m;
}

int RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  return 127;
}

}  // namespace

// The bare library calls over every picture of a folder; the number of failures.
int BareFolder(const std::string& ext, const fs::path& in, const fs::path& out) {
  int failures = 0;
  for (const auto& entry : fs::directory_iterator(in))
    if (!BareConvert(entry.path().string(), (out / entry.path().stem()).string() + "." + ext, ext))
      ++failures;
  return failures;
}

int main(int argc, char** argv) {
  if (argc == 5 && !std::strcmp(argv[1], "--bare")) return BareFolder(argv[2], argv[3], argv[4]);
  int count = 8, width = 3000, height = 2000, repeat = 3;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--count") && i + 1 < argc) count = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--width") && i + 1 < argc) width = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--height") && i + 1 < argc) height = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
      repeat = std::max(1, std::atoi(argv[++i]));
    if (!std::strcmp(argv[i], "--keep")) keep = true;
  }
  const fs::path root = fs::temp_directory_path() / ("lumivert-bench-" + std::to_string(getpid()));
  const fs::path in = root / "in", runtime = root / "run";
  fs::create_directories(in);
  fs::create_directories(runtime);
  std::printf("generating %d pictures of %dx%d...\n", count, width, height);
  for (int i = 0; i < count; ++i) {
    FloatPicture pic = GradientPicture(width, height);
    for (int y = 0; y < height; y += 7) pic.At((i * 131 + y) % width, y)[0] += 1000.0f;
    WriteRadianceFile((in / ("pic" + std::to_string(i) + ".hdr")).string(), pic);
  }
  const std::string program = ProgramFolder() + "lumivert";
  const std::string self = ProgramFolder() + "convert_bench";
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

  std::printf("%-4s %-8s %10s %10s %12s\n", "fmt", "what", "seconds", "cpu", "peak MiB");
  for (const std::string ext : {"png", "jpg"}) {
    const fs::path outProgram = root / ("out-program-" + ext), outBare = root / ("out-bare-" + ext);
    fs::create_directories(outProgram);
    fs::create_directories(outBare);
    Measure bare, prog;
    for (int round = 0; round < repeat; ++round) {
      // A fresh process too, so neither side starts with pages already mapped.
      Measure b = InChild([&] {
        return RunProgram({self, "--bare", ext, in.string(), outBare.string()});
      });
      Measure p = InChild([&] {
        return RunProgram(
            {program, "-q", "-i", in.string() + "/", "-o", outProgram.string(), "-c", ext});
      });
      if (round == 0 || b.seconds < bare.seconds) bare = b;
      if (round == 0 || p.seconds < prog.seconds) prog = p;
    }
    std::printf("%-4s %-8s %10.2f %10.2f %12.1f%s\n", ext.c_str(), "library", bare.seconds,
                bare.cpuSeconds, bare.peakKiB / 1024.0, bare.status ? "  (failures)" : "");
    std::printf("%-4s %-8s %10.2f %10.2f %12.1f%s\n", ext.c_str(), "program", prog.seconds,
                prog.cpuSeconds, prog.peakKiB / 1024.0, prog.status ? "  (failed)" : "");
    std::printf("%-4s overhead %+9.1f%%\n", ext.c_str(),
                100.0 * (prog.seconds - bare.seconds) / bare.seconds);
  }
  const double floatPicture = width * 12.0 * height / (1024 * 1024);
  std::printf("one float picture: %.1f MiB\n", floatPicture);
  if (!keep) fs::remove_all(root);
  return 0;
}
