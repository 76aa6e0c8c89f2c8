// Measures a default command-line conversion against the same work done by
// bare library calls, and the program with several workers against one.
//   convert_bench [--threads 1,2] [--workload both|generated|real]
//                 [--formats png,jpg] [--repeat R] [--keep]
//                 [--count N] [--width W] [--height H]     (generated folder)
//                 [--copies C] [--real-dir DIR]...         (folder of real pictures)
// Every configuration runs R times, the configurations alternating so drift
// in the machine's load hits all of them alike; the best wall time counts
// (noise only ever adds time), peak memory is the highest of the R runs.
// Prints the measured ratios beside their targets; a miss is reported, never
// an error, as the numbers depend on the machine and its load.
#include <FreeImage.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BarePipeline.h"
#include "bench/ChildRun.h"
#include "platform/Files.h"
#include "scripts/RadianceWriter.h"

namespace fs = std::filesystem;

namespace {

// One worker may cost this much wall time over the bare calls.
constexpr double kOverheadTarget = 1.05;
// N workers on N free cores reach at least this share of N times one worker.
constexpr double kScalingTarget = 0.9;
// N workers' peak memory may exceed N times one worker's peak by this much.
constexpr double kMemoryMargin = 1.10;

struct Options {
  std::vector<int> threads;  // 0: one per core
  std::vector<std::string> formats{"png", "jpg"};
  std::string workload = "both";
  int count = 8, width = 3000, height = 2000, copies = 16, repeat = 2;
  std::vector<std::string> realDirs;
  bool keep = false;
};

struct Workload {
  std::string title;
  fs::path folder;
  int files = 0;
};

// The best run of one configuration over the rounds.
struct Outcome {
  Measure best;
  long highestPeakKiB = 0;
  bool failed = false;
};

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

int Cores() { return std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)); }

double LoadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

int Workers(int threads) { return threads == 0 ? Cores() : threads; }

std::string Label(int threads) {
  if (threads == 0) return "auto (" + std::to_string(Cores()) + ")";
  return std::to_string(threads) + (threads == 1 ? " worker" : " workers");
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int FileCount(const fs::path& folder) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file();
  return files;
}

// Whether both folders hold the same names with the same bytes.
bool SameOutputs(const fs::path& a, const fs::path& b) {
  if (FileCount(a) != FileCount(b)) return false;
  for (const auto& entry : fs::directory_iterator(a)) {
    const fs::path other = b / entry.path().filename();
    if (!fs::exists(other) || ReadAll(entry.path()) != ReadAll(other)) return false;
  }
  return true;
}

void EmptyFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

Workload GeneratedWorkload(const Options& options, const fs::path& folder) {
  fs::create_directories(folder);
  for (int i = 0; i < options.count; ++i) {
    FloatPicture pic = GradientPicture(options.width, options.height);
    // A different bright speck per picture, so no two files are alike.
    for (int y = 0; y < options.height; y += 7)
      pic.At((i * 131 + y) % options.width, y)[0] += 1000.0f;
    WriteRadianceFile((folder / ("pic" + std::to_string(i) + ".hdr")).string(), pic);
  }
  char title[96];
  std::snprintf(title, sizeof title, "generated: %d pictures of %dx%d", options.count,
                options.width, options.height);
  return {title, folder, options.count};
}

bool IsRadianceName(const fs::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
  return ext == ".hdr" || ext == ".hdri";
}

// The real pictures of the given folders, each copied several times; only
// those the bare calls convert (their tone mapper refuses the tiniest), so
// both sides do the same work.
Workload RealWorkload(const Options& options, const fs::path& folder) {
  fs::create_directories(folder);
  int pictures = 0;
  long long pixels = 0;
  int smallest = 0, largest = 0, skipped = 0;
  for (const std::string& dir : options.realDirs) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (!entry.is_regular_file() || !IsRadianceName(entry.path())) continue;
      FIBITMAP* picture = FreeImage_Load(FIF_HDR, entry.path().c_str(), 0);
      FIBITMAP* mapped = picture ? FreeImage_TmoFattal02(picture, 0.5, 0.85) : nullptr;
      const int size = FreeImage_GetWidth(picture) * FreeImage_GetHeight(picture);
      FreeImage_Unload(picture);
      FreeImage_Unload(mapped);
      if (!mapped) {
        ++skipped;
        continue;
      }
      pixels += size;
      smallest = pictures ? std::min(smallest, size) : size;
      largest = std::max(largest, size);
      ++pictures;
      for (int copy = 0; copy < options.copies; ++copy)
        fs::copy_file(entry.path(),
                      folder / (entry.path().stem().string() + "-" + std::to_string(copy) +
                                entry.path().extension().string()));
    }
  }
  char title[160];
  std::snprintf(title, sizeof title,
                "real: %d pictures x %d copies, %d to %d pixels each, %.2f Mpixel a copy", pictures,
                options.copies, smallest, largest, pixels / 1e6);
  return {title, folder, pictures * options.copies};
}

// The bare library calls over every picture of a folder; the number of failures.
int BareFolder(const std::string& ext, const fs::path& in, const fs::path& out) {
  int failures = 0;
  for (const auto& entry : fs::directory_iterator(in))
    if (!BareConvert(entry.path().string(), (out / entry.path().stem()).string() + "." + ext, ext))
      ++failures;
  return failures;
}

const char* Verdict(bool met) { return met ? "PASS" : "MISS"; }

// Runs one format of one workload: the bare calls and every worker count,
// then prints the table and the ratios against their targets.
void MeasureFormat(const Options& options, const Workload& work, const std::string& ext,
                   const fs::path& root) {
  const std::string program = ProgramFolder() + "lumivert";
  const std::string self = ProgramFolder() + "convert_bench";
  const fs::path bareOut = root / ("out-bare-" + ext);
  const auto programOut = [&](int threads) {
    return root / ("out-" + std::to_string(threads) + "-" + ext);
  };
  // Entry 0 is the bare calls, entry i + 1 the program with threads[i].
  const size_t runs = options.threads.size() + 1;
  std::vector<Outcome> outcomes(runs);
  const auto runOne = [&](size_t which) {
    const fs::path out = which == 0 ? bareOut : programOut(options.threads[which - 1]);
    EmptyFolder(out);
    Measure m = InChild([&] {
      if (which == 0) return RunProgram({self, "--bare", ext, work.folder.string(), out.string()});
      return RunProgram({program, "-q", "-i", work.folder.string() + "/", "-o", out.string(), "-c",
                         ext, "--threads=" + std::to_string(options.threads[which - 1])});
    });
    m.status = m.status || FileCount(out) != work.files;
    Outcome& o = outcomes[which];
    if (o.highestPeakKiB == 0 || m.seconds < o.best.seconds) o.best = m;
    o.highestPeakKiB = std::max(o.highestPeakKiB, m.peakKiB);
    o.failed = o.failed || m.status;
  };
  for (int round = 0; round < options.repeat; ++round)
    for (size_t i = 0; i < runs; ++i) runOne(round % 2 ? runs - 1 - i : i);

  for (size_t i = 0; i < runs; ++i) {
    const Outcome& o = outcomes[i];
    const std::string what = i == 0 ? "library" : Label(options.threads[i - 1]);
    std::printf("%-4s %-12s %9.2f %9.2f %10.1f%s\n", ext.c_str(), what.c_str(), o.best.seconds,
                o.best.cpuSeconds, o.highestPeakKiB / 1024.0, o.failed ? "  (failures)" : "");
  }
  const Outcome& bare = outcomes[0];
  const auto one = std::find(options.threads.begin(), options.threads.end(), 1);
  const Outcome& single = outcomes[one - options.threads.begin() + 1];
  const double overhead = single.best.seconds / bare.best.seconds;
  std::printf("%-4s 1 worker / library  wall %5.3f        target <= %5.3f       %s\n", ext.c_str(),
              overhead, kOverheadTarget, Verdict(overhead <= kOverheadTarget));
  // One worker that already keeps more than one core busy leaves less for
  // more workers to gain: report that ceiling beside the throughput.
  const double busy = single.best.cpuSeconds / single.best.seconds;
  std::printf("%-4s 1 worker keeps %.2f cores busy: at most %.2fx left on %d cores\n", ext.c_str(),
              busy, Cores() / std::max(busy, 1.0), Cores());
  for (size_t i = 1; i < runs; ++i) {
    const int workers = Workers(options.threads[i - 1]);
    if (workers == 1) continue;
    const Outcome& many = outcomes[i];
    const std::string label = Label(options.threads[i - 1]);
    const double speedup = single.best.seconds / many.best.seconds;
    const double wanted = kScalingTarget * std::min(workers, Cores());
    std::printf("%-4s %-12s throughput %5.2fx  target >= %4.2fx       %s\n", ext.c_str(),
                label.c_str(), speedup, wanted, Verdict(speedup >= wanted));
    const double peak = many.highestPeakKiB / 1024.0;
    const double limit = kMemoryMargin * workers * single.highestPeakKiB / 1024.0;
    std::printf("%-4s %-12s peak %7.1f MiB  target <= %7.1f MiB  %s\n", ext.c_str(), label.c_str(),
                peak, limit, Verdict(peak <= limit));
    std::printf("%-4s %-12s outputs %s\n", ext.c_str(), label.c_str(),
                SameOutputs(programOut(1), programOut(options.threads[i - 1]))
                    ? "identical to 1 worker"
                    : "DIFFER from 1 worker");
  }
}

void MeasureWorkload(const Options& options, const Workload& work, const fs::path& root) {
  if (work.files == 0) {
    std::printf("\n%s: no pictures, skipped\n", work.title.c_str());
    return;
  }
  std::printf("\n%s (%d files)\nload average at start: %.2f on %d cores\n", work.title.c_str(),
              work.files, LoadAverage(), Cores());
  std::printf("%-4s %-12s %9s %9s %10s\n", "fmt", "what", "seconds", "cpu", "peak MiB");
  for (const std::string& ext : options.formats) MeasureFormat(options, work, ext, root);
  std::printf("load average at end: %.2f\n", LoadAverage());
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::string threads = "1," + std::to_string(std::max(2, Cores()));
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--keep") {
      options.keep = true;
      continue;
    }
    if (i + 1 == argc) break;
    const char* value = argv[++i];
    if (name == "--threads") threads = value;
    if (name == "--formats") options.formats = SplitList(value);
    if (name == "--workload") options.workload = value;
    if (name == "--count") options.count = std::atoi(value);
    if (name == "--width") options.width = std::atoi(value);
    if (name == "--height") options.height = std::atoi(value);
    if (name == "--copies") options.copies = std::max(1, std::atoi(value));
    if (name == "--real-dir") options.realDirs.push_back(value);
    if (name == "--repeat") options.repeat = std::max(1, std::atoi(value));
  }
  for (const std::string& item : SplitList(threads))
    options.threads.push_back(std::max(0, std::atoi(item.c_str())));
  // One worker is what every other count is compared with.
  if (std::find(options.threads.begin(), options.threads.end(), 1) == options.threads.end())
    options.threads.insert(options.threads.begin(), 1);
  if (options.realDirs.empty())
    options.realDirs = {SOURCE_DIR "/tests/data", SOURCE_DIR "/samples"};
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && !std::strcmp(argv[1], "--bare")) return BareFolder(argv[2], argv[3], argv[4]);
  const Options options = ParseOptions(argc, argv);
  const fs::path root = fs::temp_directory_path() / ("lumivert-bench-" + std::to_string(getpid()));
  const fs::path runtime = root / "run";
  fs::create_directories(runtime);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

  std::printf(
      "best of %d alternating runs; targets: 1 worker within %.0f %% of the library, "
      "N workers >= %.1f x min(N, cores) throughput, peak <= N x 1 worker's + %.0f %%\n",
      options.repeat, 100 * (kOverheadTarget - 1), kScalingTarget, 100 * (kMemoryMargin - 1));
  if (options.workload == "both" || options.workload == "generated") {
    std::printf("generating %d pictures of %dx%d...\n", options.count, options.width,
                options.height);
    std::fflush(stdout);
    MeasureWorkload(options, GeneratedWorkload(options, root / "generated"), root);
    std::printf("one generated float picture: %.1f MiB\n",
                options.width * 12.0 * options.height / (1024 * 1024));
  }
  if (options.workload == "both" || options.workload == "real")
    MeasureWorkload(options, RealWorkload(options, root / "real"), root);
  if (!options.keep) fs::remove_all(root);
  return 0;
}
