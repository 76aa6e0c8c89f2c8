// Our gradient-domain tone mapper against the library's call: the same bytes
// for every picture, at any number of threads.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/ParallelFor.h"
#include "stages/FattalToneMapper.h"
#include "stages/ToneMapping.h"

namespace {

using Shade = std::function<FIRGBF(unsigned x, unsigned y)>;

FIBITMAP* MakePicture(unsigned w, unsigned h, const Shade& shade) {
  FIBITMAP* image = FreeImage_AllocateT(FIT_RGBF, static_cast<int>(w), static_cast<int>(h));
  for (unsigned y = 0; y < h; ++y) {
    FIRGBF* row = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(image, static_cast<int>(y)));
    for (unsigned x = 0; x < w; ++x) row[x] = shade(x, y);
  }
  return image;
}

// Gradients, a bright disc and some noise: every stage of the operator has
// work to do.
FIRGBF Scene(unsigned x, unsigned y, unsigned w, unsigned h) {
  const float fx = static_cast<float>(x) / w, fy = static_cast<float>(y) / h;
  const float dx = fx - 0.7F, dy = fy - 0.3F;
  const bool sun = dx * dx + dy * dy < 0.01F;
  const float noise = static_cast<float>((x * 1103515245u + y * 12345u) >> 16 & 255) / 2550.0F;
  if (sun) return {5000.0F, 4500.0F, 3000.0F};
  return {0.05F + fx + noise, 0.1F + 0.5F * fy + noise, 0.2F + 0.3F * fx * fy};
}

Shade SceneOf(unsigned w, unsigned h) {
  return [w, h](unsigned x, unsigned y) { return Scene(x, y, w, h); };
}

// Empty string when both are equal (or both absent), else what differs.
std::string Difference(FIBITMAP* expected, FIBITMAP* actual) {
  if (!expected || !actual)
    return expected == actual ? "" : (expected ? "ours gave no image" : "library gave none");
  const unsigned w = FreeImage_GetWidth(expected), h = FreeImage_GetHeight(expected);
  if (FreeImage_GetWidth(actual) != w || FreeImage_GetHeight(actual) != h ||
      FreeImage_GetBPP(actual) != FreeImage_GetBPP(expected))
    return "different size or depth";
  const unsigned bytes = w * FreeImage_GetBPP(expected) / 8;
  for (unsigned y = 0; y < h; ++y) {
    const BYTE* a = FreeImage_GetScanLine(expected, static_cast<int>(y));
    const BYTE* b = FreeImage_GetScanLine(actual, static_cast<int>(y));
    for (unsigned i = 0; i < bytes; ++i)
      if (a[i] != b[i])
        return "row " + std::to_string(y) + " byte " + std::to_string(i) + ": " +
               std::to_string(a[i]) + " vs " + std::to_string(b[i]);
  }
  return "";
}

// The library's result next to ours at 1, 2 and 5 threads.
void ExpectSameAsLibrary(FIBITMAP* image, const std::string& name, bool expectImage) {
  FIBITMAP* theirs = FreeImage_TmoFattal02(image, 0.5, 0.85);
  EXPECT_EQ(theirs != nullptr, expectImage) << name;
  for (unsigned threads : {1u, 2u, 5u}) {
    ParallelFor parallel(threads);
    FIBITMAP* ours = FattalToneMap(image, 0.5, 0.85, parallel);
    EXPECT_EQ(Difference(theirs, ours), "") << name << " at " << threads << " threads";
    if (ours) FreeImage_Unload(ours);
  }
  if (theirs) FreeImage_Unload(theirs);
}

TEST(FattalToneMap, GuardAcceptsThisLibrary) { EXPECT_TRUE(FattalMatchesLibrary()); }

struct EdgeCase {
  const char* name;
  unsigned w, h;
  Shade shade;  // empty: the scene
  bool expectImage = true;
};

TEST(FattalToneMap, SameBytesAsLibraryOnGeneratedPictures) {
  const float huge = std::numeric_limits<float>::max();
  const std::vector<EdgeCase> cases = {
      {"smallest 32 x 32", 32, 32, {}},
      {"2^k sides 64 x 64", 64, 64, {}},
      {"2^k + 1 sides 65 x 65", 65, 65, {}},
      {"landscape 2^k wide 128 x 40", 128, 40, {}},
      {"portrait 2^k tall 40 x 128", 40, 128, {}},
      {"landscape 129 x 33", 129, 33, {}},
      {"portrait 37 x 100", 37, 100, {}},
      {"medium 600 x 400", 600, 400, {}},
      {"uniform", 48, 40,
       [](unsigned, unsigned) {
         return FIRGBF{0.5F, 0.5F, 0.5F};
       },
       false},
      {"all zero", 40, 40,
       [](unsigned, unsigned) {
         return FIRGBF{0, 0, 0};
       },
       false},
      {"zero but one pixel", 40, 36,
       [](unsigned x, unsigned y) {
         return x == 7 && y == 9 ? FIRGBF{1, 2, 3} : FIRGBF{0, 0, 0};
       }},
      {"very large values", 50, 40,
       [](unsigned x, unsigned y) {
         const float v = 1e30F * static_cast<float>(1 + (x + y) % 7);
         return FIRGBF{v, v * 0.5F, 1e-30F};
       }},
      {"luminance overflowing to infinity", 40, 40,
       [huge](unsigned x, unsigned) {
         return x < 20 ? FIRGBF{huge, huge, huge} : FIRGBF{1, 1, 1};
       }},
      {"negative and NaN channels", 40, 44,
       [](unsigned x, unsigned y) {
         if (x == 3 && y == 3) return FIRGBF{std::nanf(""), 1, 1};
         return FIRGBF{x % 3 == 0 ? -2.0F : 1.0F + x, 0.5F + y, 0.25F};
       }},
  };
  for (const EdgeCase& c : cases) {
    FIBITMAP* image = MakePicture(c.w, c.h, c.shade ? c.shade : SceneOf(c.w, c.h));
    ExpectSameAsLibrary(image, c.name, c.expectImage);
    FreeImage_Unload(image);
  }
}

// The case the thread-sanitizer run checks: small enough to be quick there,
// large enough for the solver to split its finest grids.
TEST(FattalToneMap, ThreadsAgreeOnASmallPicture) {
  FIBITMAP* image = MakePicture(300, 200, SceneOf(300, 200));
  ExpectSameAsLibrary(image, "300 x 200", true);
  FreeImage_Unload(image);
}

// Rows and columns beyond the edge repeat it, as the tone-mapping stage does
// for pictures the library refuses.
FIBITMAP* ExtendToLibraryMinimum(FIBITMAP* image) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  const unsigned W = std::max(w, 32u), H = std::max(h, 32u);
  FIBITMAP* big = FreeImage_AllocateT(FIT_RGBF, static_cast<int>(W), static_cast<int>(H));
  for (unsigned y = 0; y < H; ++y) {
    const FIRGBF* src = reinterpret_cast<const FIRGBF*>(
        FreeImage_GetScanLine(image, static_cast<int>(h - 1 - std::min(y, h - 1))));
    FIRGBF* dst =
        reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(big, static_cast<int>(H - 1 - y)));
    for (unsigned x = 0; x < W; ++x) dst[x] = src[std::min(x, w - 1)];
  }
  return big;
}

TEST(FattalToneMap, SmallPicturesThroughTheStageMatchTheExtendedLibraryCall) {
  struct Size {
    unsigned w, h;
  };
  for (const Size s : {Size{1, 1}, Size{5, 3}, Size{31, 31}, Size{16, 70}, Size{70, 16}}) {
    FIBITMAP* image = MakePicture(s.w, s.h, SceneOf(s.w, s.h));
    FIBITMAP* big = ExtendToLibraryMinimum(image);
    FIBITMAP* mapped = FreeImage_TmoFattal02(big, 0.5, 0.85);
    // Where the library gives nothing (no gradient), the stage's global operator.
    FIBITMAP* expected =
        mapped ? FreeImage_Copy(mapped, 0, 0, static_cast<int>(s.w), static_cast<int>(s.h))
               : MapGlobally(image);
    const std::string name = std::to_string(s.w) + " x " + std::to_string(s.h);
    for (unsigned threads : {1u, 2u, 5u}) {
      FIBITMAP* ours = ToneMapToStandard(image, threads);
      EXPECT_EQ(Difference(expected, ours), "") << name << " at " << threads << " threads";
      if (ours) FreeImage_Unload(ours);
    }
    for (FIBITMAP* b : {image, big, mapped, expected})
      if (b) FreeImage_Unload(b);
  }
}

TEST(FattalToneMap, SameBytesAsLibraryOnRealFiles) {
  std::vector<std::string> files;
  for (const char* folder : {"/tests/data", "/samples"}) {
    const std::filesystem::path dir = std::string(SOURCE_DIR) + folder;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (entry.is_regular_file() && (ext == ".hdr" || ext == ".hdri"))
        files.push_back(entry.path().string());
    }
  }
  ASSERT_FALSE(files.empty());
  unsigned mapped = 0;
  for (const std::string& file : files) {
    FIBITMAP* image = FreeImage_Load(FIF_HDR, file.c_str(), 0);
    if (!image || !FattalToneMapHandles(image)) {
      if (image) FreeImage_Unload(image);
      continue;
    }
    FIBITMAP* theirs = FreeImage_TmoFattal02(image, 0.5, 0.85);
    ExpectSameAsLibrary(image, file, theirs != nullptr);
    if (theirs) FreeImage_Unload(theirs);
    FreeImage_Unload(image);
    ++mapped;
  }
  EXPECT_GE(mapped, 3u);
}

TEST(FattalToneMap, LeavesOtherPicturesToTheLibrary) {
  FIBITMAP* rgba = FreeImage_AllocateT(FIT_RGBAF, 40, 40);
  FIBITMAP* narrow = MakePicture(31, 40, SceneOf(31, 40));
  FIBITMAP* wide = FreeImage_AllocateT(FIT_RGBF, 32769, 32);
  EXPECT_FALSE(FattalToneMapHandles(rgba));
  EXPECT_FALSE(FattalToneMapHandles(narrow));
  EXPECT_FALSE(FattalToneMapHandles(wide));
  EXPECT_FALSE(FattalToneMapHandles(nullptr));
  ParallelFor parallel(2);
  EXPECT_EQ(FattalToneMap(narrow, 0.5, 0.85, parallel), nullptr);
  for (FIBITMAP* b : {rgba, narrow, wide}) FreeImage_Unload(b);
}

TEST(ParallelFor, SlicesCoverTheRangeOnceInOrder) {
  for (unsigned threads : {1u, 2u, 5u}) {
    ParallelFor parallel(threads);
    for (size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{1000}}) {
      std::vector<int> hits(count, 0);
      std::vector<std::pair<size_t, size_t>> slices(parallel.SlicesFor(count));
      for (int round = 0; round < 3; ++round)
        parallel.RunSlices(count, [&](unsigned slice, size_t begin, size_t end) {
          slices[slice] = {begin, end};
          for (size_t i = begin; i < end; ++i) ++hits[i];
        });
      for (size_t i = 0; i < count; ++i) EXPECT_EQ(hits[i], 3) << i;
      size_t next = 0;
      for (const auto& [begin, end] : slices) {
        EXPECT_EQ(begin, next);
        next = end;
      }
      EXPECT_EQ(next, count);
    }
  }
}

}  // namespace
