#include "stages/Geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/Settings.h"
#include "stages/Stages.h"
#include "stages/ToneMapping.h"
#include "support/TestSupport.h"

namespace {

class Geometry : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaults(1); }
};

// A picture whose pixel (x, y), counted from the top left, has red = 10 * x,
// green = 10 * y, blue 7 (and alpha 255 at 32 bits). 8-bit pictures hold
// the index 10 * x + y over a grey palette.
FIBITMAP* Pattern(int w, int h, int bpp) {
  FIBITMAP* image = FreeImage_Allocate(w, h, bpp);
  if (bpp == 8) {
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i)
      palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned sy = static_cast<unsigned>(h - 1 - y);
      if (bpp == 8) {
        BYTE index = static_cast<BYTE>(10 * x + y);
        FreeImage_SetPixelIndex(image, static_cast<unsigned>(x), sy, &index);
      } else {
        RGBQUAD c{7, static_cast<BYTE>(10 * y), static_cast<BYTE>(10 * x), 255};
        FreeImage_SetPixelColor(image, static_cast<unsigned>(x), sy, &c);
      }
    }
  return image;
}

// Colour of pixel (x, y) counted from the top left.
RGBQUAD At(FIBITMAP* image, int x, int y) {
  RGBQUAD c{};
  FreeImage_GetPixelColor(image, static_cast<unsigned>(x),
                          FreeImage_GetHeight(image) - 1 - static_cast<unsigned>(y), &c);
  return c;
}

std::string Size(FIBITMAP* image) {
  if (!image) return "none";
  return std::to_string(FreeImage_GetWidth(image)) + "x" +
         std::to_string(FreeImage_GetHeight(image));
}

// Writes the picture as a Radiance file and loads it the way the converter does.
FIBITMAP* LoadHdr(const FloatPicture& picture) {
  const std::string path = ScratchFolder("geometry") + "picture.hdr";
  EXPECT_TRUE(WriteRadianceFile(path, picture));
  FIBITMAP* image = FreeImage_Load(FIF_HDR, path.c_str(), 0);
  EXPECT_NE(image, nullptr);
  EXPECT_EQ(FreeImage_GetImageType(image), FIT_RGBF);
  return image;
}

// Mean grey level of a column of a 24-bit picture.
double ColumnLevel(FIBITMAP* image, int x) {
  double sum = 0;
  const int h = static_cast<int>(FreeImage_GetHeight(image));
  for (int y = 0; y < h; ++y) {
    RGBQUAD c = At(image, x, y);
    sum += (c.rgbRed + c.rgbGreen + c.rgbBlue) / 3.0;
  }
  return sum / h;
}

RGBQUAD At(const Bitmap& image, int x, int y) { return At(image.get(), x, y); }
std::string Size(const Bitmap& image) { return Size(image.get()); }
double ColumnLevel(const Bitmap& image, int x) { return ColumnLevel(image.get(), x); }

TEST_F(Geometry, RotationLeavesThePictureAloneWhenOffOrAngleOutOfRange) {
  struct Case {
    byte on;
    int angle;
  } cases[] = {{0, 90}, {1, 0}, {1, 360}, {1, -90}, {1, 450}};
  for (const Case& c : cases) {
    Settings.DoImageRotation = c.on;
    Settings.ImageRotation = c.angle;
    FIBITMAP* image = Pattern(10, 5, 8);
    const Bitmap result = RotateImage(Bitmap(image));
    EXPECT_EQ(result.get(), image) << int(c.on) << " " << c.angle;
    EXPECT_EQ(FreeImage_GetBPP(result.get()), 8u);
  }
  Settings.DoImageRotation = 1;
  Settings.ImageRotation = 90;
  EXPECT_EQ(RotateImage(Bitmap()).get(), nullptr);
}

TEST_F(Geometry, RotationSizesBySimpleAndAdvancedTypes) {
  struct Case {
    int type, angle, bpp;
    const char* size;
  } cases[] =
      {
          {0, 90, 24, "50x100"}, {0, 270, 24, "50x100"}, {0, 180, 24, "100x50"},
          {1, 90, 24, "100x50"}, {1, 45, 32, "100x50"},  {0, 90, 8, "50x100"},
          {2, 90, 24, "100x50"},  // unknown type: no rotation
      };
  Settings.DoImageRotation = 1;
  for (const Case& c : cases) {
    Settings.ImageRotationType = static_cast<byte>(c.type);
    Settings.ImageRotation = c.angle;
    const Bitmap result = RotateImage(Bitmap(Pattern(100, 50, c.bpp)));
    ASSERT_NE(result.get(), nullptr);
    EXPECT_EQ(Size(result), c.size) << c.type << " " << c.angle;
    // 8-bit input is rotated as 24-bit; 24 and 32 bits stay.
    EXPECT_EQ(FreeImage_GetBPP(result.get()), c.bpp == 8 ? 24u : unsigned(c.bpp));
  }
}

TEST_F(Geometry, SimpleRotationMovesPixelsAndKeepsThem) {
  Settings.DoImageRotation = 1;
  Settings.ImageRotationType = 0;
  Settings.ImageRotation = 180;
  Bitmap turned = RotateImage(Bitmap(Pattern(6, 4, 24)));
  ASSERT_NE(turned.get(), nullptr);
  // The top-left pixel (0, 0) ends bottom right, and (5, 3) ends top left.
  RGBQUAD c = At(turned, 5, 3);
  EXPECT_EQ(c.rgbRed, 0);
  EXPECT_EQ(c.rgbGreen, 0);
  c = At(turned, 0, 0);
  EXPECT_EQ(c.rgbRed, 50);
  EXPECT_EQ(c.rgbGreen, 30);
  EXPECT_EQ(c.rgbBlue, 7);

  // A quarter turn: counter-clockwise, so the top-right corner comes to the top left.
  Settings.ImageRotation = 90;
  turned = RotateImage(Bitmap(Pattern(6, 4, 24)));
  ASSERT_EQ(Size(turned), "4x6");
  c = At(turned, 0, 0);
  EXPECT_EQ(c.rgbRed, 50);
  EXPECT_EQ(c.rgbGreen, 0);
  c = At(turned, 3, 5);
  EXPECT_EQ(c.rgbRed, 0);
  EXPECT_EQ(c.rgbGreen, 30);
}

TEST_F(Geometry, SimpleRotationFillsCornersWithTheBackgroundColour) {
  Settings.DoImageRotation = 1;
  Settings.ImageRotationType = 0;
  Settings.ImageRotation = 45;
  Settings.ImageRotationBackColor = "ff8000";
  for (int bpp : {24, 32}) {
    const Bitmap result = RotateImage(Bitmap(Pattern(100, 50, bpp)));
    ASSERT_NE(result.get(), nullptr);
    // The canvas grows to hold the whole turned picture (about 106 x 106).
    EXPECT_GE(FreeImage_GetWidth(result.get()), 106u);
    EXPECT_EQ(FreeImage_GetWidth(result.get()), FreeImage_GetHeight(result.get()));
    EXPECT_EQ(FreeImage_GetBPP(result.get()), unsigned(bpp));
    const int last = static_cast<int>(FreeImage_GetWidth(result.get())) - 1;
    for (RGBQUAD corner : {At(result, 0, 0), At(result, last, last)}) {
      EXPECT_EQ(corner.rgbRed, 255) << bpp;
      EXPECT_EQ(corner.rgbGreen, 128) << bpp;
      EXPECT_EQ(corner.rgbBlue, 0) << bpp;
      if (bpp == 32) {
        EXPECT_EQ(corner.rgbReserved, 0);  // transparent corners
      }
    }
    // The middle is picture, opaque at 32 bits.
    RGBQUAD middle = At(result, last / 2, last / 2);
    EXPECT_EQ(middle.rgbBlue, 7);
    if (bpp == 32) {
      EXPECT_EQ(middle.rgbReserved, 255);
    }
  }
  // An unreadable colour text gives black.
  Settings.ImageRotationBackColor = "#FF8000";
  const Bitmap result = RotateImage(Bitmap(Pattern(100, 50, 24)));
  RGBQUAD corner = At(result, 0, 0);
  EXPECT_EQ(corner.rgbRed + corner.rgbGreen + corner.rgbBlue, 0);
}

// The library's 24-bit conversion refuses floating-point pictures, so a
// rotated HDR input must still arrive as a tone-mapped 24-bit picture.
TEST_F(Geometry, RotatingFloatingPointPictureToneMapsIt) {
  struct Case {
    int w, h, type, angle;
    const char* size;
  } cases[] = {
      {40, 20, 0, 180, "40x20"}, {40, 20, 0, 90, "20x40"}, {40, 20, 1, 180, "40x20"},
      {8, 6, 0, 180, "8x6"},  // below the tone-mapping operator's minimum size
      {5, 40, 0, 90, "40x5"},
  };
  Settings.DoImageRotation = 1;
  for (const Case& c : cases) {
    Settings.ImageRotationType = static_cast<byte>(c.type);
    Settings.ImageRotation = c.angle;
    const Bitmap result = RotateImage(Bitmap(LoadHdr(GradientPicture(c.w, c.h))));
    ASSERT_NE(result.get(), nullptr) << c.w << "x" << c.h << " " << c.angle;
    EXPECT_EQ(FreeImage_GetImageType(result.get()), FIT_BITMAP);
    EXPECT_EQ(FreeImage_GetBPP(result.get()), 24u);
    EXPECT_EQ(Size(result), c.size);
    if (c.angle == 180) {
      // The gradient brightens to the right; half a turn brings the bright side left.
      const int right = static_cast<int>(FreeImage_GetWidth(result.get())) - 1;
      EXPECT_GT(ColumnLevel(result, 0), ColumnLevel(result, right) + 20)
          << c.w << "x" << c.h << " type " << c.type;
    }
  }
}

TEST_F(Geometry, ToneMappingKeepsSizeAndInputAndHandlesSmallPictures) {
  for (int w : {40, 8}) {
    FIBITMAP* input = LoadHdr(GradientPicture(w, 6 + w));
    FIBITMAP* mapped = ToneMapToStandard(input);
    ASSERT_NE(mapped, nullptr) << w;
    EXPECT_NE(mapped, input);
    EXPECT_EQ(FreeImage_GetBPP(mapped), 24u);
    EXPECT_EQ(Size(mapped), Size(input));
    // The input is still the caller's, unchanged.
    EXPECT_EQ(FreeImage_GetImageType(input), FIT_RGBF);
    EXPECT_GT(ColumnLevel(mapped, w - 1), ColumnLevel(mapped, 0) + 20);
    if (w >= 32) {
      // Large enough pictures get exactly the library's own result.
      FIBITMAP* direct = FreeImage_TmoFattal02(input, 0.5, 0.85);
      ASSERT_NE(direct, nullptr);
      for (unsigned y = 0; y < FreeImage_GetHeight(input); ++y)
        EXPECT_EQ(std::memcmp(FreeImage_GetScanLine(direct, static_cast<int>(y)),
                              FreeImage_GetScanLine(mapped, static_cast<int>(y)), 3u * w),
                  0);
      FreeImage_Unload(direct);
    }
    FreeImage_Unload(mapped);
    FreeImage_Unload(input);
  }
  EXPECT_EQ(ToneMapToStandard(nullptr), nullptr);
}

TEST_F(Geometry, PercentDimensionsRoundHalfToEven) {
  struct Case {
    int value, unit, current, expected;
  } cases[] = {
      {50, 1, 101, 50},
      {150, 1, 101, 152},
      {25, 1, 10, 2},
      {35, 1, 10, 4},
      {1, 1, 50, 0},
      {1, 1, 150, 2},
      {1, 1, 49, 0},
      {1, 1, 51, 1},
      {100, 1, 7, 7},
      {33, 1, 3, 1},
      {-50, 1, 101, -50},
      {-150, 1, 101, -152},
      {320, 0, 7, 320},
      {-4, 0, 7, -4},
      {50, 2, 100, 0},
      {50, 255, 100, 0},
      {10000, 1, 30000, 3000000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResolveDimension(c.value, c.unit, c.current), c.expected)
        << c.value << " unit " << c.unit << " of " << c.current;
}

TEST_F(Geometry, ResizeTargetsFollowUnitsAspectAndLargeImageRules) {
  struct Case {
    int w, h;
    int width, widthUnit, height, heightUnit;
    byte keep, largeOnly;
    const char* size;  // "same" when the picture must come back untouched
  } cases[] = {
      {400, 300, 200, 0, 200, 0, 0, 0, "200x200"},
      {400, 300, 200, 0, 200, 0, 1, 0, "200x150"},
      {300, 400, 200, 0, 200, 0, 1, 0, "150x200"},
      {300, 300, 200, 0, 10, 0, 1, 0, "200x200"},   // square: the width target counts
      {400, 300, 200, 0, 999, 0, 1, 0, "200x150"},  // the shorter side's target is ignored
      {101, 40, 50, 1, 100, 1, 0, 0, "50x40"},
      {101, 40, 150, 1, 100, 1, 0, 0, "152x40"},
      {101, 40, 101, 0, 40, 0, 0, 0, "same"},
      {101, 40, 100, 1, 100, 1, 1, 0, "same"},
      {101, 40, 0, 0, 40, 0, 0, 0, "same"},
      {101, 40, 50, 0, 0, 0, 1, 0, "same"},   // a zero target stops even a kept-aspect resize
      {101, 40, 100, 1, 1, 1, 0, 0, "same"},  // 1% of 40 rounds to 0
      {101, 40, 50, 2, 20, 0, 0, 0, "same"},  // unknown unit gives 0
      {100, 100, 200, 0, 50, 0, 0, 1, "200x50"},
      {100, 100, 200, 0, 50, 0, 1, 1, "200x200"},
      {100, 100, 200, 0, 150, 0, 0, 1, "same"},
      {100, 100, 100, 0, 150, 0, 0, 1, "100x150"},  // reaching the width is enough
      {100, 100, 200, 0, 150, 0, 0, 0, "200x150"},
      {100, 100, 50, 0, 80, 0, 0, 1, "50x80"},
      // Single-precision ratio: 9 / (6/5 as a float) is 7.4999995, so 7, not 8.
      {6, 5, 9, 0, 1, 0, 1, 0, "9x7"},
      {5, 6, 1, 0, 9, 0, 1, 0, "7x9"},
      // Exact halves round away from zero: 5 / 2 gives 3.
      {2, 1, 5, 0, 1, 0, 1, 0, "5x3"},
      {1, 2, 1, 0, 5, 0, 1, 0, "3x5"},
  };
  Settings.DoImageResize = 1;
  for (const Case& c : cases) {
    Settings.ImageWidth = c.width;
    Settings.ImageWidthUnit = static_cast<byte>(c.widthUnit);
    Settings.ImageHeight = c.height;
    Settings.ImageHeightUnit = static_cast<byte>(c.heightUnit);
    Settings.KeepAspectRatio = c.keep;
    Settings.ImageResizeType = c.largeOnly;
    FIBITMAP* image = Pattern(c.w, c.h, 24);
    const Bitmap result = ResizeImage(Bitmap(image), c.w, c.h);
    const std::string label = std::to_string(c.w) + "x" + std::to_string(c.h) + " to " +
                              std::to_string(c.width) + "/" + std::to_string(c.height) + " keep " +
                              std::to_string(c.keep) + " large " + std::to_string(c.largeOnly);
    ASSERT_NE(result.get(), nullptr) << label;
    if (std::string(c.size) == "same") {
      EXPECT_EQ(result.get(), image) << label;
      EXPECT_EQ(Size(result), std::to_string(c.w) + "x" + std::to_string(c.h)) << label;
    } else {
      EXPECT_EQ(Size(result), c.size) << label;
      EXPECT_EQ(FreeImage_GetBPP(result.get()), 24u) << label;
    }
  }
}

TEST_F(Geometry, ResizeDoesNothingWhenOffAndHandsOnNoImage) {
  Settings.DoImageResize = 0;
  Settings.ImageWidth = 10;
  Settings.ImageHeight = 10;
  FIBITMAP* image = Pattern(40, 30, 24);
  EXPECT_EQ(ResizeImage(Bitmap(image), 40, 30).get(), image);
  Settings.DoImageResize = 1;
  EXPECT_EQ(ResizeImage(Bitmap(), 40, 30).get(), nullptr);
  // An extremely wide picture whose kept-aspect height rounds to 0 yields no image.
  Settings.KeepAspectRatio = 1;
  Settings.ImageWidth = 1;
  Settings.ImageHeight = 1;
  image = Pattern(300, 1, 24);
  EXPECT_EQ(ResizeImage(Bitmap(image), 300, 1).get(), nullptr);
}

TEST_F(Geometry, ResizeFilterIsATableNotACast) {
  const FREE_IMAGE_FILTER expected[] = {FILTER_BOX,     FILTER_BILINEAR,   FILTER_BSPLINE,
                                        FILTER_BICUBIC, FILTER_CATMULLROM, FILTER_LANCZOS3,
                                        FILTER_BICUBIC, FILTER_BICUBIC};
  const byte values[] = {0, 1, 2, 3, 4, 5, 6, 255};
  for (int i = 0; i < 8; ++i) {
    Settings.ImageResizeAlgorithm = values[i];
    EXPECT_EQ(ResizeFilter(), expected[i]) << int(values[i]);
  }
}

TEST_F(Geometry, ResizeWorksOnFloatingPointData) {
  FloatPicture flat(40, 20);
  for (float& v : flat.rgb) v = 2.0f;
  Settings.DoImageResize = 1;
  Settings.ImageWidth = 50;
  Settings.ImageWidthUnit = 1;
  Settings.ImageHeight = 50;
  Settings.ImageHeightUnit = 1;
  Bitmap result = ResizeImage(Bitmap(LoadHdr(flat)), 40, 20);
  ASSERT_NE(result.get(), nullptr);
  EXPECT_EQ(Size(result), "20x10");
  EXPECT_EQ(FreeImage_GetImageType(result.get()), FIT_RGBF);
  EXPECT_EQ(FreeImage_GetBPP(result.get()), 96u);
  // A flat picture stays flat, with its value beyond the 8-bit range intact.
  for (unsigned y = 0; y < 10; ++y) {
    const auto* row = reinterpret_cast<const FIRGBF*>(FreeImage_GetScanLine(result.get(), int(y)));
    for (unsigned x = 0; x < 20; ++x) {
      EXPECT_NEAR(row[x].red, 2.0f, 1e-4f);
      EXPECT_NEAR(row[x].blue, 2.0f, 1e-4f);
    }
  }

  // After a kept-aspect resize of a gradient the float data still tone-maps.
  Settings.ImageWidth = 24;
  Settings.ImageWidthUnit = 0;
  Settings.KeepAspectRatio = 1;
  result = ResizeImage(Bitmap(LoadHdr(GradientPicture(64, 48))), 64, 48);
  ASSERT_EQ(Size(result), "24x18");
  FIBITMAP* mapped = ToneMapToStandard(result.get());
  ASSERT_NE(mapped, nullptr);
  EXPECT_GT(ColumnLevel(mapped, 23), ColumnLevel(mapped, 0) + 20);
  FreeImage_Unload(mapped);
}

TEST_F(Geometry, FlipsMirrorPixelPositions) {
  struct Case {
    byte horizontal, vertical;
  } cases[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (const Case& c : cases) {
    Settings.DoImageFlipHorizontal = c.horizontal;
    Settings.DoImageFlipVertical = c.vertical;
    FIBITMAP* given = Pattern(5, 3, 24);
    const Bitmap image = FlipImage(Bitmap(given));
    EXPECT_EQ(image.get(), given);  // mirrored in place
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const int sx = c.horizontal ? 4 - x : x, sy = c.vertical ? 2 - y : y;
        RGBQUAD p = At(image, x, y);
        EXPECT_EQ(p.rgbRed, 10 * sx) << int(c.horizontal) << int(c.vertical) << " " << x << y;
        EXPECT_EQ(p.rgbGreen, 10 * sy) << int(c.horizontal) << int(c.vertical) << " " << x << y;
      }
  }
  EXPECT_EQ(FlipImage(Bitmap()).get(), nullptr);  // no image: nothing happens
}

}  // namespace
