// Measures the gradient-domain tone mapping of large generated pictures: the
// library's call against ours on 1 and 2 threads.
//   tonemap_bench [--repeat R]
// Each case runs in a fresh child process that builds its picture and then
// maps it; wall and CPU time cover the mapping only, the peak resident memory
// covers the whole child (picture included), and the output's hash shows the
// bytes agree. A row "picture only" gives the memory of the input alone.
#include <FreeImage.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/ParallelFor.h"
#include "stages/FattalToneMapper.h"

namespace {

enum class Mapper { None, Library, Ours };

struct Case {
  const char* name;
  Mapper mapper;
  unsigned threads;
};

struct Report {
  double seconds = 0, cpuSeconds = 0;
  uint64_t hash = 0;
  int ok = 0;
};

// Sky gradient, a sun disc thousands of times brighter, and noise.
FIBITMAP* MakeScene(unsigned w, unsigned h) {
  FIBITMAP* image = FreeImage_AllocateT(FIT_RGBF, static_cast<int>(w), static_cast<int>(h));
  if (!image) return nullptr;
  uint32_t seed = 12345;
  for (unsigned y = 0; y < h; ++y) {
    FIRGBF* row = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(image, static_cast<int>(y)));
    const float fy = static_cast<float>(y) / h;
    for (unsigned x = 0; x < w; ++x) {
      const float fx = static_cast<float>(x) / w;
      seed = seed * 1664525u + 1013904223u;
      const float noise = static_cast<float>(seed >> 8) / 16777216.0F * 0.05F;
      const float dx = (fx - 0.72F) * 2, dy = fy - 0.7F;
      const float d2 = dx * dx + dy * dy;
      const float sun = d2 < 0.002F ? 20000.0F : 2.0F / (1.0F + 400.0F * d2);
      const float ground = fy < 0.35F ? 0.05F + 0.1F * std::sin(fx * 40.0F) * fy : 0;
      row[x].red = 0.2F + 0.6F * fy + sun + ground + noise;
      row[x].green = 0.3F + 0.5F * fy + 0.9F * sun + ground * 0.8F + noise;
      row[x].blue = 0.6F + 0.3F * fy + 0.7F * sun + ground * 0.5F + noise;
    }
  }
  return image;
}

uint64_t HashBytes(FIBITMAP* image) {
  uint64_t hash = 1469598103934665603ull;
  const unsigned h = FreeImage_GetHeight(image);
  const unsigned bytes = FreeImage_GetWidth(image) * FreeImage_GetBPP(image) / 8;
  for (unsigned y = 0; y < h; ++y) {
    const BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned i = 0; i < bytes; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
  }
  return hash;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Report RunCase(unsigned w, unsigned h, const Case& c) {
  Report report;
  FIBITMAP* image = MakeScene(w, h);
  if (!image) return report;
  if (c.mapper == Mapper::Ours && !FattalMatchesLibrary()) return report;
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  FIBITMAP* mapped = nullptr;
  if (c.mapper == Mapper::Library) {
    mapped = FreeImage_TmoFattal02(image, 0.5, 0.85);
  } else if (c.mapper == Mapper::Ours) {
    ParallelFor parallel(c.threads);
    mapped = FattalToneMap(image, 0.5, 0.85, parallel);
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  report.cpuSeconds = CpuSeconds() - cpuStart;
  report.ok = c.mapper == Mapper::None || mapped != nullptr;
  if (mapped) {
    report.hash = HashBytes(mapped);
    FreeImage_Unload(mapped);
  }
  FreeImage_Unload(image);
  return report;
}

struct Measure {
  Report report;
  long peakKiB = 0;
};

// The case in a fresh child, its report through a pipe, its peak from wait4.
Measure InChild(unsigned w, unsigned h, const Case& c) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    KeepLargeBuffersOutOfTheHeap();
    const Report r = RunCase(w, h, c);
    const ssize_t written = write(fds[1], &r, sizeof r);
    _exit(written == static_cast<ssize_t>(sizeof r) ? 0 : 1);
  }
  close(fds[1]);
  Measure m;
  if (read(fds[0], &m.report, sizeof m.report) != static_cast<ssize_t>(sizeof m.report))
    m.report = Report{};
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  m.peakKiB = usage.ru_maxrss;
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 1;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[++i]));
  FreeImage_Initialise();
  struct Size {
    unsigned w, h;
  };
  const Case cases[] = {{"picture only", Mapper::None, 0},
                        {"library", Mapper::Library, 1},
                        {"ours, 1 thread", Mapper::Ours, 1},
                        {"ours, 2 threads", Mapper::Ours, 2}};
  std::printf("%-12s %-16s %9s %9s %10s %8s %8s  %s\n", "size", "case", "wall s", "CPU s",
              "peak MiB", "speed-up", "memory", "output hash");
  for (const Size s : {Size{8192, 4096}, Size{4096, 2048}}) {
    const std::string size = std::to_string(s.w) + "x" + std::to_string(s.h);
    double libraryWall = 0;
    long libraryPeak = 0;
    for (const Case& c : cases) {
      // Best of the repeats: the machine's noise only ever adds time.
      Measure best;
      for (int r = 0; r < repeat; ++r) {
        const Measure m = InChild(s.w, s.h, c);
        if (r == 0 || m.report.seconds < best.report.seconds) best = m;
      }
      if (c.mapper == Mapper::Library) {
        libraryWall = best.report.seconds;
        libraryPeak = best.peakKiB;
      }
      char ratio[32] = "", memory[32] = "";
      if (c.mapper == Mapper::Ours && libraryWall > 0 && libraryPeak > 0) {
        std::snprintf(ratio, sizeof ratio, "%.2fx", libraryWall / best.report.seconds);
        std::snprintf(memory, sizeof memory, "%.2fx",
                      static_cast<double>(best.peakKiB) / libraryPeak);
      }
      std::printf("%-12s %-16s %9.2f %9.2f %10.0f %8s %8s  %016llx%s\n", size.c_str(), c.name,
                  best.report.seconds, best.report.cpuSeconds, best.peakKiB / 1024.0, ratio, memory,
                  static_cast<unsigned long long>(best.report.hash),
                  best.report.ok ? "" : "  FAILED");
      std::fflush(stdout);
    }
  }
  FreeImage_DeInitialise();
  return 0;
}
