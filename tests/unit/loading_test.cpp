#include "codecs/Loading.h"

#include <FreeImage.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include "codecs/RadianceReader.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"
#include "stages/ToneMapping.h"
#include "support/TestSupport.h"

namespace {

const std::string Corpus = std::string(SOURCE_DIR) + "/tests/data/";

std::string Header(const std::string& resolution) {
  return "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n" + resolution + "\n";
}

bool SamePixels(FIBITMAP* a, FIBITMAP* b) {
  if (FreeImage_GetWidth(a) != FreeImage_GetWidth(b) ||
      FreeImage_GetHeight(a) != FreeImage_GetHeight(b) ||
      FreeImage_GetBPP(a) != FreeImage_GetBPP(b))
    return false;
  const unsigned rowBytes = FreeImage_GetLine(a);
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
    if (std::memcmp(FreeImage_GetScanLine(a, static_cast<int>(y)),
                    FreeImage_GetScanLine(b, static_cast<int>(y)), rowBytes) != 0)
      return false;
  return true;
}

// Runs call on a thread; true when it returned within 30 s. A call stuck on
// the pipe is set free by opening the pipe's other end (again for each open
// it makes), so the test still ends.
bool ReturnsPromptly(const std::string& fifo, const std::function<void()>& call) {
  std::packaged_task<void()> task(call);
  std::future<void> done = task.get_future();
  std::thread runner(std::move(task));
  const bool returned = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  for (int attempt = 0; !returned && attempt < 100; ++attempt) {
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    const bool freed = done.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready;
    if (writer >= 0) close(writer);
    if (freed) break;
  }
  runner.join();
  return returned;
}

}  // namespace

// An input that became a pipe after the scan: every reader of the path
// refuses it at once, without waiting for a writer, and says why.
TEST(Loading, APipeInPlaceOfAnInputIsRefusedWithoutWaiting) {
  const std::string dir = ScratchFolder("fifo-input");
  const std::string fifo = dir + "pic.hdr";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ApplyDefaults(1);
  RunState.ConversionType = "png";
  const std::string refused = "not a regular file";
  const struct {
    const char* name;
    std::function<std::string()> call;  // what the call gave
    std::string expected;
  } cases[] = {
      {"LoadInputImage",
       [&] {
         std::string failure;
         const Bitmap image = LoadInputImage(fifo, &failure);
         return image ? std::string("loaded") : failure;
       },
       refused},
      {"ReadRadianceHeader",
       [&] {
         RadianceHeader header;
         std::string error;
         return ReadRadianceHeader(fifo, header, error) ? std::string("read") : error;
       },
       refused},
      {"DecodeRadianceFile",
       [&] {
         std::string error;
         FIBITMAP* image = DecodeRadianceFile(fifo, error);
         if (image) FreeImage_Unload(image);
         return image ? std::string("decoded") : error;
       },
       refused},
      // The weighing steps cannot read a size, and leave the file to its
      // load, which fails with the reason above.
      {"EstimateInputWorkingSet", [&] { return std::to_string(EstimateInputWorkingSet(fifo)); },
       "0"},
      {"InputFitsInMemory",
       [&] {
         const bool fits = InputFitsInMemory(fifo);
         return std::string(fits ? "fits" : "refused") + "/" + FailureText(TakeFailure());
       },
       "fits/converted"},
      {"ReadStatedSize",
       [&] {
         std::int64_t w = 0, h = 0;
         return std::string(ReadStatedSize(fifo, FIF_HDR, w, h) ? "sized" : "no size");
       },
       "no size"},
      {"RadianceSizeIsPlausible",
       [&] { return std::string(RadianceSizeIsPlausible(fifo) ? "plausible" : "implausible"); },
       "plausible"},
  };
  for (const auto& c : cases) {
    std::string outcome = "never returned";
    EXPECT_TRUE(ReturnsPromptly(fifo, [&] { outcome = c.call(); })) << c.name << " waited";
    EXPECT_EQ(outcome, c.expected) << c.name;
  }
  // The pipe is still a pipe: nothing replaced or removed it.
  struct stat st {};
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A link to a picture is still an input: links are followed, only what they
// reach must be a regular file.
TEST(Loading, ALinkToAPictureLoads) {
  const std::string dir = ScratchFolder("link-input");
  WriteRadianceFile(dir + "pic.hdr", GradientPicture(40, 36));
  ASSERT_EQ(symlink((dir + "pic.hdr").c_str(), (dir + "link.hdr").c_str()), 0);
  std::string failure;
  FIBITMAP* direct = LoadInputImage(dir + "pic.hdr").release();
  FIBITMAP* linked = LoadInputImage(dir + "link.hdr", &failure).release();
  ASSERT_NE(direct, nullptr);
  ASSERT_NE(linked, nullptr) << failure;
  EXPECT_EQ(FreeImage_GetWidth(linked), 40u);
  EXPECT_EQ(FreeImage_GetHeight(linked), 36u);
  EXPECT_TRUE(SamePixels(direct, linked));
  FreeImage_Unload(direct);
  FreeImage_Unload(linked);
}

TEST(Loading, HeaderSizeIsCheckedAgainstTheBytesThatFollow) {
  struct Case {
    const char* name;
    std::string bytes;
    bool plausible;
  } cases[] = {
      // 30000 x 30000 needs at least 30000 * (4 + 8 * 237) bytes.
      {"huge claim", Header("-Y 30000 +X 30000") + std::string(1000, '\x01'), false},
      {"flat 4x2 complete", Header("-Y 2 +X 4") + std::string(32, '\x01'), true},
      {"flat 4x2 short", Header("-Y 2 +X 4") + std::string(31, '\x01'), false},
      // Width 254 can be run-length encoded in 4 + 8 * 2 = 20 bytes a line.
      {"rle 254x3 minimal", Header("-Y 3 +X 254") + std::string(60, '\x01'), true},
      {"rle 254x3 short", Header("-Y 3 +X 254") + std::string(59, '\x01'), false},
      {"swapped axes form", Header("+X 1000 +Y 1000") + std::string(10, '\x01'), false},
      {"negative size", Header("-Y -5 +X 10") + std::string(10, '\x01'), false},
      {"largest stated size", Header("-Y 2147483647 +X 2147483647") + std::string(1000, '\x01'),
       false},
      {"not radiance", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\0'), true},
  };
  const std::string dir = ScratchFolder("loading");
  for (const Case& c : cases) {
    const std::string path = dir + "case.hdr";
    WriteFileBytes(path, c.bytes);
    EXPECT_EQ(RadianceSizeIsPlausible(path), c.plausible) << c.name;
  }
}

TEST(Loading, ImplausibleFileFailsAtOnce) {
  const std::string path = ScratchFolder("loading") + "claim.hdr";
  WriteFileBytes(path, Header("-Y 30000 +X 30000") + std::string(1000, '\x02'));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LoadInputImage(path).get(), nullptr);
  // Not a timing test: a refused header must not have read or reserved anything.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Loading, RealFilesLoadExactlyAsTheLibraryReadsThem) {
  for (const char* name : {"castle_Tigers.hdr", "qtcreator_preview_studio.hdr", "rgbr4x4.hdr",
                           "scale.hdr", "vips_sample.hdr", "trans2_fish.hdr"}) {
    const std::string path = Corpus + name;
    FIBITMAP* ours = LoadInputImage(path).release();
    FIBITMAP* direct = FreeImage_Load(FIF_HDR, path.c_str(), 0);
    ASSERT_NE(ours, nullptr) << name;
    ASSERT_NE(direct, nullptr) << name;
    EXPECT_EQ(FreeImage_GetBPP(ours), 96u) << name;
    EXPECT_TRUE(SamePixels(ours, direct)) << name;
    FreeImage_Unload(ours);
    FreeImage_Unload(direct);
  }
}

TEST(Loading, GeneratedFlatAndRunLengthFilesLoad) {
  const std::string dir = ScratchFolder("loading");
  for (bool rle : {false, true}) {
    const std::string path = dir + (rle ? "rle.hdr" : "flat.hdr");
    WriteRadianceFile(path, GradientPicture(300, 5), rle);
    FIBITMAP* image = LoadInputImage(path).release();
    ASSERT_NE(image, nullptr) << rle;
    EXPECT_EQ(FreeImage_GetWidth(image), 300u);
    EXPECT_EQ(FreeImage_GetHeight(image), 5u);
    FreeImage_Unload(image);
    // Cutting the file in half makes it fail, whatever the encoding.
    std::string bytes = ReadFileBytes(path);
    WriteFileBytes(path, bytes.substr(0, bytes.size() / 2));
    image = LoadInputImage(path).release();
    EXPECT_EQ(image, nullptr) << rle;
    if (image) FreeImage_Unload(image);
  }
}

TEST(ToneMapping, LargePicturesAreMappedExactlyAsTheLibraryDoes) {
  FIBITMAP* hdr = FreeImage_Load(FIF_HDR, (Corpus + "trans2_fish.hdr").c_str(), 0);
  ASSERT_NE(hdr, nullptr);
  FIBITMAP* ours = ToneMapToStandard(hdr);
  FIBITMAP* direct = FreeImage_TmoFattal02(hdr, 0.5, 0.85);
  ASSERT_NE(ours, nullptr);
  EXPECT_TRUE(SamePixels(ours, direct));
  FreeImage_Unload(ours);
  FreeImage_Unload(direct);
  FreeImage_Unload(hdr);
}

TEST(ToneMapping, SmallPicturesKeepTheirSize) {
  struct Case {
    int w, h;
  } cases[] = {{2, 1}, {1, 7}, {4, 4}, {31, 40}, {40, 31}, {31, 31}, {32, 32}, {200, 3}};
  for (const Case& c : cases) {
    const std::string path = ScratchFolder("tonemap") + "small.hdr";
    WriteRadianceFile(path, GradientPicture(c.w, c.h));
    FIBITMAP* hdr = FreeImage_Load(FIF_HDR, path.c_str(), 0);
    ASSERT_NE(hdr, nullptr);
    FIBITMAP* mapped = ToneMapToStandard(hdr);
    ASSERT_NE(mapped, nullptr) << c.w << "x" << c.h;
    EXPECT_EQ(FreeImage_GetWidth(mapped), static_cast<unsigned>(c.w));
    EXPECT_EQ(FreeImage_GetHeight(mapped), static_cast<unsigned>(c.h));
    EXPECT_EQ(FreeImage_GetBPP(mapped), 24u);
    FreeImage_Unload(mapped);
    FreeImage_Unload(hdr);
  }
}

// A picture one column short of the minimum is mapped as the library maps the
// same picture with its right edge repeated once, then cut back.
TEST(ToneMapping, SmallPictureIsExtendedByItsRightAndBottomEdges) {
  const std::string dir = ScratchFolder("tonemap");
  for (bool narrow : {true, false}) {
    const int w = narrow ? 31 : 40, h = narrow ? 40 : 31;
    FloatPicture small = GradientPicture(w, h);
    small.At(3, 5)[1] = 50.0f;  // some detail away from the edges
    FloatPicture extended(narrow ? 32 : 40, narrow ? 40 : 32);
    for (int y = 0; y < extended.height; ++y)
      for (int x = 0; x < extended.width; ++x)
        for (int k = 0; k < 3; ++k)
          extended.At(x, y)[k] = small.At(std::min(x, w - 1), std::min(y, h - 1))[k];
    WriteRadianceFile(dir + "small.hdr", small, false);
    WriteRadianceFile(dir + "extended.hdr", extended, false);
    FIBITMAP* a = FreeImage_Load(FIF_HDR, (dir + "small.hdr").c_str(), 0);
    FIBITMAP* b = FreeImage_Load(FIF_HDR, (dir + "extended.hdr").c_str(), 0);
    FIBITMAP* ours = ToneMapToStandard(a);
    FIBITMAP* mappedBig = FreeImage_TmoFattal02(b, 0.5, 0.85);
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(mappedBig, nullptr);
    FIBITMAP* expected = FreeImage_Copy(mappedBig, 0, 0, w, h);
    EXPECT_TRUE(SamePixels(ours, expected)) << w << "x" << h;
    for (FIBITMAP* bm : {a, b, ours, mappedBig, expected}) FreeImage_Unload(bm);
  }
}
