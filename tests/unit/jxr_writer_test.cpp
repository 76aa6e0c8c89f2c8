#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "codecs/JxrReader.h"
#include "codecs/JxrWriter.h"
#include "support/TestSupport.h"

namespace {

constexpr unsigned Width = 37, Height = 23;

FIBITMAP* Picture() {
  FIBITMAP* image = FreeImage_Allocate(Width, Height, 24);
  for (unsigned y = 0; y < Height; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned x = 0; x < Width; ++x) {
      row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(x * 7);
      row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(y * 11);
      row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(x * y);
    }
  }
  return image;
}

// Every pixel byte of two pictures of the same layout (row padding excluded).
// Float pixels pass through the codec's own float mapping, which keeps
// about twenty mantissa bits, so they are compared within that precision.
void ExpectSamePixels(FIBITMAP* a, FIBITMAP* b) {
  ASSERT_EQ(FreeImage_GetWidth(a), FreeImage_GetWidth(b));
  ASSERT_EQ(FreeImage_GetHeight(a), FreeImage_GetHeight(b));
  ASSERT_EQ(FreeImage_GetBPP(a), FreeImage_GetBPP(b));
  ASSERT_EQ(FreeImage_GetImageType(a), FreeImage_GetImageType(b));
  if (FreeImage_GetImageType(a) == FIT_RGBF) {
    for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y) {
      const float* ra =
          reinterpret_cast<const float*>(FreeImage_GetScanLine(a, static_cast<int>(y)));
      const float* rb =
          reinterpret_cast<const float*>(FreeImage_GetScanLine(b, static_cast<int>(y)));
      for (unsigned i = 0; i < 3 * FreeImage_GetWidth(a); ++i)
        ASSERT_NEAR(ra[i], rb[i], 1e-4f * ra[i] + 1e-7f) << "row " << y << " value " << i;
    }
    return;
  }
  const unsigned bits = FreeImage_GetWidth(a) * FreeImage_GetBPP(a);
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y) {
    const BYTE* ra = FreeImage_GetScanLine(a, static_cast<int>(y));
    const BYTE* rb = FreeImage_GetScanLine(b, static_cast<int>(y));
    ASSERT_EQ(std::memcmp(ra, rb, bits / 8), 0) << "row " << y;
    if (bits % 8) {
      const BYTE mask = static_cast<BYTE>(0xFF << (8 - bits % 8));
      ASSERT_EQ(ra[bits / 8] & mask, rb[bits / 8] & mask) << "row " << y;
    }
  }
}

FIBITMAP* WithAlpha(FIBITMAP* source) {
  FIBITMAP* image = FreeImage_ConvertTo32Bits(source);
  for (unsigned y = 0; y < Height; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned x = 0; x < Width; ++x) row[4 * x + FI_RGBA_ALPHA] = static_cast<BYTE>(x * 5 + y);
  }
  return image;
}

}  // namespace

// Lossless writing keeps every pixel of every layout the converter hands over.
TEST(JxrWriter, LosslessRoundTripKeepsEveryPixel) {
  struct Case {
    const char* name;
    FIBITMAP* (*convert)(FIBITMAP*);
  } cases[] = {
      {"1-bit", [](FIBITMAP* p) { return FreeImage_Dither(p, FID_FS); }},
      {"8-bit grey", FreeImage_ConvertTo8Bits},
      {"16-bit 565", FreeImage_ConvertTo16Bits565},
      {"16-bit 555", FreeImage_ConvertTo16Bits555},
      {"24-bit", FreeImage_ConvertTo24Bits},
      {"32-bit with alpha", WithAlpha},
      {"48-bit", FreeImage_ConvertToRGB16},
      {"96-bit float", FreeImage_ConvertToRGBF},
  };
  const std::string folder = ScratchFolder("jxr");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FIBITMAP* source = Picture();
    FIBITMAP* image = c.convert(source);
    FreeImage_Unload(source);
    ASSERT_NE(image, nullptr);
    const std::string path = folder + "round.jxr";
    ASSERT_TRUE(WriteJxrFile(image, path, 100));
    // The JPEG XR container signature.
    EXPECT_EQ(ReadFileBytes(path).substr(0, 4), std::string("II\xBC\x01", 4));
    FIBITMAP* back = LoadJxrFile(path);
    ASSERT_NE(back, nullptr);
    ExpectSamePixels(image, back);
    FreeImage_Unload(back);
    FreeImage_Unload(image);
  }
}

TEST(JxrWriter, BlackAndWhiteKeepsItsColoursWhateverThePaletteOrder) {
  FIBITMAP* image = FreeImage_Allocate(Width, Height, 1);
  RGBQUAD* palette = FreeImage_GetPalette(image);
  palette[0] = {255, 255, 255, 0};  // index 0 is white here
  palette[1] = {0, 0, 0, 0};
  FreeImage_GetScanLine(image, 0)[0] = 0x80;  // bottom-left pixel black
  const std::string path = ScratchFolder("jxr") + "bw.jxr";
  ASSERT_TRUE(WriteJxrFile(image, path, 100));
  FIBITMAP* back = LoadJxrFile(path);
  ASSERT_NE(back, nullptr);
  for (auto [x, y, black] : {std::tuple{0u, 0u, true}, {1u, 0u, false}, {36u, 22u, false}}) {
    BYTE index = 0;
    ASSERT_TRUE(FreeImage_GetPixelIndex(back, x, y, &index));
    EXPECT_EQ(FreeImage_GetPalette(back)[index].rgbGreen, black ? 0 : 255) << x << "," << y;
  }
  FreeImage_Unload(back);
  FreeImage_Unload(image);
}

TEST(JxrWriter, LossyQualityWritesASmallerReadableFile) {
  FIBITMAP* image = Picture();
  const std::string folder = ScratchFolder("jxr");
  ASSERT_TRUE(WriteJxrFile(image, folder + "lossless.jxr", 100));
  ASSERT_TRUE(WriteJxrFile(image, folder + "lossy.jxr", 30));
  EXPECT_LT(ReadFileBytes(folder + "lossy.jxr").size(),
            ReadFileBytes(folder + "lossless.jxr").size());
  FIBITMAP* back = LoadJxrFile(folder + "lossy.jxr");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(back), Width);
  EXPECT_EQ(FreeImage_GetBPP(back), 24u);
  FreeImage_Unload(back);
  FreeImage_Unload(image);
}

TEST(JxrWriter, RefusesLayoutsAndPathsItCannotWrite) {
  const std::string folder = ScratchFolder("jxr");
  FIBITMAP* picture = Picture();
  FIBITMAP* fourBit = FreeImage_ConvertTo4Bits(picture);
  EXPECT_FALSE(WriteJxrFile(fourBit, folder + "four.jxr", 100));
  FIBITMAP* rgba16 = FreeImage_ConvertToRGBA16(picture);
  EXPECT_FALSE(WriteJxrFile(rgba16, folder + "rgba16.jxr", 100));
  EXPECT_FALSE(WriteJxrFile(nullptr, folder + "none.jxr", 100));
  EXPECT_FALSE(WriteJxrFile(picture, folder + "missing/picture.jxr", 100));
  EXPECT_EQ(LoadJxrFile(folder + "missing/picture.jxr"), nullptr);
  WriteFileBytes(folder + "fake.jxr", "not a picture");
  EXPECT_EQ(LoadJxrFile(folder + "fake.jxr"), nullptr);
  FreeImage_Unload(rgba16);
  FreeImage_Unload(fourBit);
  FreeImage_Unload(picture);
}
