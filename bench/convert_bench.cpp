// Measures a default command-line conversion of a folder of large generated
// HDR pictures against the same work done by bare library calls.
//   convert_bench [--count N] [--width W] [--height H] [--keep]
// Prints, for png and jpg, the wall time and peak resident memory of each.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

int main(int argc, char** argv) {
  int count = 8, width = 3000, height = 2000;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--count") && i + 1 < argc) count = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--width") && i + 1 < argc) width = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--height") && i + 1 < argc) height = std::atoi(argv[++i]);
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
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

  std::printf("%-4s %-8s %10s %12s\n", "fmt", "what", "seconds", "peak MiB");
  for (const std::string ext : {"png", "jpg"}) {
    const fs::path outProgram = root / ("out-program-" + ext), outBare = root / ("out-bare-" + ext);
    fs::create_directories(outProgram);
    fs::create_directories(outBare);
    Measure bare = InChild([&] {
      int failures = 0;
      for (const auto& entry : fs::directory_iterator(in))
        if (!BareConvert(entry.path().string(),
                         (outBare / entry.path().stem()).string() + "." + ext, ext))
          ++failures;
      return failures;
    });
    Measure prog = InChild([&] {
      return RunProgram(
          {program, "-q", "-i", in.string() + "/", "-o", outProgram.string(), "-c", ext});
    });
    std::printf("%-4s %-8s %10.2f %12.1f%s\n", ext.c_str(), "library", bare.seconds,
                bare.peakKiB / 1024.0, bare.status ? "  (failures)" : "");
    std::printf("%-4s %-8s %10.2f %12.1f%s\n", ext.c_str(), "program", prog.seconds,
                prog.peakKiB / 1024.0, prog.status ? "  (failed)" : "");
    std::printf("%-4s overhead %+9.1f%%\n", ext.c_str(),
                100.0 * (prog.seconds - bare.seconds) / bare.seconds);
  }
  const double floatPicture = width * 12.0 * height / (1024 * 1024);
  std::printf("one float picture: %.1f MiB\n", floatPicture);
  if (!keep) fs::remove_all(root);
  return 0;
}
