// The memory budget and the refusal of files whose stated sizes need more.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/MemoryBudget.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"
#include "stages/FattalToneMapper.h"
#include "stages/MemoryEstimate.h"
#include "stages/Stages.h"
#include "support/TestSupport.h"

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

// Sets LUMIVERT_MEMORY_LIMIT for the life of the object.
class MemoryLimit {
 public:
  explicit MemoryLimit(std::uint64_t bytes) {
    setenv("LUMIVERT_MEMORY_LIMIT", std::to_string(bytes).c_str(), 1);
  }
  ~MemoryLimit() { unsetenv("LUMIVERT_MEMORY_LIMIT"); }
};

// A 68-byte PNG whose header claims 60000 x 60000 RGBA pixels (one tiny
// compressed block of data follows).
std::string ClaimingPng() {
  static const char bytes[] =
      "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\xea\x60\x00\x00\xea"
      "\x60\x08\x06\x00\x00\x00\x80\xd2\x75\x42\x00\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63\x60\x80"
      "\x00\x00\x00\x08\x00\x01\xb7\x58\x73\x95\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";
  return std::string(bytes, sizeof bytes - 1);
}

bool Converted(const ProgramResult& r, int n, int of) {
  return r.out.find("Files converted: " + std::to_string(n) + " of " + std::to_string(of)) !=
         std::string::npos;
}

}  // namespace

TEST(MemoryBudget, ReadsTheSystemFiles) {
  EXPECT_EQ(KilobyteField("MemTotal:  100 kB\nMemAvailable:   2048 kB\n", "MemAvailable"),
            2048u * 1024);
  EXPECT_EQ(KilobyteField("MemTotal:  100 kB\n", "MemAvailable"), 0u);
  EXPECT_EQ(KilobyteField("VmSize:\t  12 kB\n", "VmSize"), 12u * 1024);
  EXPECT_EQ(UnifiedCgroupPath("4:memory:/a\n0::/user.slice/x.scope\n"), "/user.slice/x.scope");
  EXPECT_EQ(UnifiedCgroupPath("4:memory:/a\n"), "");
}

TEST(MemoryBudget, EnvironmentReplacesTheMeasuredValue) {
  const std::uint64_t measured = AvailableMemoryBytes();
  EXPECT_GT(measured, 0u);
  {
    MemoryLimit limit(123456789);
    EXPECT_EQ(AvailableMemoryBytes(), 123456789u);
  }
  setenv("LUMIVERT_MEMORY_LIMIT", "lots", 1);
  EXPECT_GT(AvailableMemoryBytes(), 0u);  // not a number: measured as usual
  unsetenv("LUMIVERT_MEMORY_LIMIT");
}

// Under an address-space limit the budget is what is left below it.
TEST(MemoryBudget, AddressSpaceLimitBounds) {
  const pid_t child = fork();
  if (child == 0) {
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    // 64 MiB above what is mapped now.
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    unsigned long long vmKb = 0;
    while (status && std::fgets(line, sizeof line, status))
      if (std::sscanf(line, "VmSize: %llu", &vmKb) == 1) break;
    if (status) std::fclose(status);
    limit.rlim_cur = vmKb * 1024 + 64 * MiB;
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    const std::uint64_t room = AvailableMemoryBytes();
    _exit(room <= 64 * MiB && room > 32 * MiB ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(MemoryEstimate, StepsGrowWithTheStatedSizes) {
  // The solver's grid is a square power of two (plus one) over the longer side:
  // 16385 x 16385 cells at about 11 bytes each with our mapper, 22 with the
  // library's.
  const bool own = FattalMatchesLibrary();
  EXPECT_GT(ToneMappingBytes(1, 10000), (own ? 2600 : 5500) * MiB);
  EXPECT_LT(ToneMappingBytes(1, 10000), (own ? 3100 : 6500) * MiB);
  EXPECT_LT(ToneMappingBytes(300, 200), 16 * MiB);
  EXPECT_EQ(ResizeBytes(100, 100, 100, 50, 12), 12u * (10000 + 5000));
  EXPECT_EQ(ResizeBytes(100, 100, 50, 200, 12), 12u * (10000 + 10000 + 5000));
  EXPECT_EQ(RotationBytes(100, 50, 90, 0), 3u * (5000 + 2 * 5000));
  EXPECT_EQ(RotationBytes(100, 50, 0, 0), 0u);

  SettingsRecord s;
  const std::uint64_t plain = EstimateFileWorkingSet(3000, 2000, s, "png");
  EXPECT_EQ(plain, std::max(LoadBytes(3000, 2000), ToneMappingBytes(3000, 2000)) + 256 * 1024);
  s.DoImageResize = 1;
  s.ImageWidth = 100000;
  s.ImageHeight = 100000;
  EXPECT_GT(EstimateFileWorkingSet(300, 200, s, "png"), 100000ull * MiB);
  // Huge stated sizes saturate rather than wrap.
  EXPECT_GT(EstimateFileWorkingSet(2147483647, 2147483647, SettingsRecord(), "png"), 1ull << 60);
}

// A picture whose header holds only command lines is weighed like the
// standard file; a text that merely looks like one up to its resolution line
// is not weighed at all, so it fails at the load as not a picture rather
// than as too large.
TEST(MemoryEstimate, HeaderlessFilesAreWeighedOnlyWhenTheyCanBePictures) {
  ApplyDefaults(1);
  RunState.ConversionType = "png";
  const std::string dir = ScratchFolder("memory-headerless");
  WriteRadianceFile(dir + "tall.hdr", GradientPicture(1, 10000));
  std::string bytes = ReadFileBytes(dir + "tall.hdr");
  const std::string signature = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n";
  ASSERT_EQ(bytes.rfind(signature, 0), 0u);
  WriteFileBytes(dir + "old.hdr", "pfilt -x 1 -y 10000 big.pic\n" + bytes.substr(signature.size()));
  WriteFileBytes(dir + "notes.hdr", "notes\n\n-Y 30000 +X 30000\n" + std::string(1000, 'a'));

  const std::uint64_t standard = EstimateInputWorkingSet(dir + "tall.hdr");
  EXPECT_GT(standard, 0u);
  EXPECT_EQ(EstimateInputWorkingSet(dir + "old.hdr"), standard);
  EXPECT_EQ(EstimateInputWorkingSet(dir + "notes.hdr"), 0u);
  TakeFailure();
  {
    MemoryLimit limit(100 * MiB);
    EXPECT_FALSE(InputFitsInMemory(dir + "old.hdr"));
    EXPECT_EQ(TakeFailure().Kind, FailureKind::TooLarge);
    EXPECT_TRUE(InputFitsInMemory(dir + "notes.hdr"));
    EXPECT_EQ(TakeFailure().Kind, FailureKind::None);
  }
}

// The whole file is weighed before anything is decoded.
TEST(MemoryEstimate, FileRefusedWithItsReason) {
  ApplyDefaults(1);
  RunState.ConversionType = "png";
  const std::string dir = ScratchFolder("memory");
  WriteRadianceFile(dir + "tall.hdr", GradientPicture(1, 10000));
  TakeFailure();
  {
    MemoryLimit limit(100 * MiB);
    EXPECT_FALSE(InputFitsInMemory(dir + "tall.hdr"));
  }
  const FileFailure failure = TakeFailure();
  EXPECT_EQ(failure.Kind, FailureKind::TooLarge);
  EXPECT_EQ(FailureText(failure).rfind("too large for memory: a 1 x 10000 picture needs ", 0), 0u)
      << FailureText(failure);
  EXPECT_NE(failure.Detail.find(" MiB, 100 MiB available"), std::string::npos);

  // The same file with room enough passes, and a small one passes the limit.
  EXPECT_TRUE(InputFitsInMemory(dir + "tall.hdr"));
  WriteRadianceFile(dir + "small.hdr", GradientPicture(300, 200));
  {
    MemoryLimit limit(100 * MiB);
    EXPECT_TRUE(InputFitsInMemory(dir + "small.hdr"));
  }
  EXPECT_EQ(TakeFailure().Kind, FailureKind::None);

  // A watermark picture whose header claims 60000 x 60000.
  WriteFileBytes(dir + "huge.png", ClaimingPng());
  Settings.DoWatermark = 2;
  Settings.Image = dir + "huge.png";
  {
    MemoryLimit limit(1024 * MiB);
    EXPECT_FALSE(InputFitsInMemory(dir + "small.hdr"));
  }
  const FileFailure mark = TakeFailure();
  EXPECT_EQ(mark.Kind, FailureKind::TooLarge);
  EXPECT_EQ(mark.Detail.rfind("the watermark picture needs ", 0), 0u) << mark.Detail;
  ApplyDefaults(1);
}

// A stage refuses by itself too: the picture is released and the file ends.
TEST(MemoryEstimate, ResizeRefusedGivesNoImage) {
  ApplyDefaults(1);
  Settings.DoImageResize = 1;
  Settings.ImageWidth = 50000;
  Settings.ImageHeight = 50000;
  FIBITMAP* image = FreeImage_AllocateT(FIT_RGBF, 30, 20);
  TakeFailure();
  {
    MemoryLimit limit(64 * MiB);
    EXPECT_EQ(ResizeImage(Bitmap(image), 30, 20).get(), nullptr);
  }
  EXPECT_EQ(TakeFailure().Kind, FailureKind::TooLarge);
  ApplyDefaults(1);
}

// End to end: a refused file costs no other file; the budget is far below
// what any of these would take to decode.
TEST(MemoryEstimate, ProgramRefusesAndConvertsTheRest) {
  const std::string dir = ScratchFolder("memory");
  std::filesystem::create_directories(dir + "in");
  std::filesystem::create_directories(dir + "out");
  WriteRadianceFile(dir + "in/tall.hdr", GradientPicture(1, 10000));
  WriteRadianceFile(dir + "in/small.hdr", GradientPicture(48, 40));
  // A header claiming 60000 x 60000 over a few bytes.
  WriteFileBytes(dir + "lying.hdr", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 60000 +X 60000\n" +
                                        std::string(64, '\x02'));
  WriteFileBytes(dir + "huge.png", ClaimingPng());

  MemoryLimit limit(200 * MiB);
  ProgramResult folder = RunLumivert({"-i", dir + "in/", "-o", dir + "out", "-c", "png"});
  EXPECT_TRUE(Converted(folder, 1, 2)) << folder.out;
  EXPECT_TRUE(std::filesystem::exists(dir + "out/small.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "out/tall.png"));

  ProgramResult lying = RunLumivert({"-i", dir + "lying.hdr", "-o", dir + "out", "-c", "png"});
  EXPECT_NE(lying.out.find("Conversion stopped"), std::string::npos) << lying.out;

  ProgramResult huge = RunLumivert({"-i", dir + "in/small.hdr", "-o", dir + "out", "-c", "png",
                                    "--width=100000", "--height=100000"});
  EXPECT_NE(huge.out.find("Conversion stopped"), std::string::npos) << huge.out;

  ProgramResult mark = RunLumivert({"-i", dir + "in/small.hdr", "-o", dir + "out", "-c", "bmp",
                                    "--wm-image=" + dir + "huge.png"});
  EXPECT_NE(mark.out.find("Conversion stopped"), std::string::npos) << mark.out;
  EXPECT_FALSE(std::filesystem::exists(dir + "out/small.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir + "out/lying.png"));
}

// A budget that allows the file changes nothing in the output.
TEST(MemoryEstimate, ConvertedFilesAreUnchangedByTheBudget) {
  const std::string dir = ScratchFolder("memory");
  WriteRadianceFile(dir + "pic.hdr", GradientPicture(120, 90));
  std::filesystem::create_directories(dir + "a");
  std::filesystem::create_directories(dir + "b");
  RunLumivert({"-q", "-i", dir + "pic.hdr", "-o", dir + "a", "-c", "png"});
  {
    MemoryLimit limit(64 * MiB);
    RunLumivert({"-q", "-i", dir + "pic.hdr", "-o", dir + "b", "-c", "png"});
  }
  const std::string a = ReadFileBytes(dir + "a/pic.png"), b = ReadFileBytes(dir + "b/pic.png");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, b);
}
