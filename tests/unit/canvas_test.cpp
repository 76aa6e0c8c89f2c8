#include "canvas/Canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "support/TestSupport.h"

namespace {

constexpr std::uint32_t Red = PackRGBA(255, 0, 0, 255);
constexpr std::uint32_t Blue = PackRGBA(0, 0, 255, 255);

// A font file from the packages the build installs.
std::string SomeFontFile() {
  for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                           "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"})
    if (std::filesystem::is_regular_file(path)) return path;
  return "";
}

CanvasFont SansFont(int points = 14, bool underline = false) {
  CanvasFont font;
  EXPECT_TRUE(LoadCanvasFont(font, "DejaVu Sans", points, false, false, underline, false));
  return font;
}

int CountPixels(const CanvasImage& image, std::uint32_t value) {
  return static_cast<int>(std::count(image.pixels.begin(), image.pixels.end(), value));
}

}  // namespace

TEST(Canvas, CreatesFilledImagesAndRefusesEmptySizes) {
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 3, 2, Red));
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(CountPixels(image, Red), 6);
  EXPECT_FALSE(CreateCanvasImage(image, 0, 5, Red));
  EXPECT_FALSE(CreateCanvasImage(image, 5, -1, Red));
  EXPECT_TRUE(image.pixels.empty());

  ASSERT_TRUE(CreateCanvasImage(image, 2, 2, Red));
  ASSERT_TRUE(ResizeBlankImage(image, 7, 4));
  EXPECT_EQ(image.width, 7);
  EXPECT_EQ(CountPixels(image, 0u), 28);
  EXPECT_FALSE(ResizeBlankImage(image, 0, 4));
}

TEST(Canvas, DrawImageBlendsSourceOverWithStraightAlpha) {
  struct Case {
    std::uint32_t source, target;
    int opacity;
    std::uint32_t expected;
  } cases[] = {
      // Opacity 0 and a transparent source leave the target alone.
      {Red, Blue, 0, Blue},
      {PackRGBA(255, 0, 0, 0), Blue, 255, Blue},
      // An opaque source at full opacity replaces the target exactly.
      {PackRGBA(12, 34, 56, 255), Blue, 255, PackRGBA(12, 34, 56, 255)},
      // Onto transparent, the colour is kept whole and only alpha scales.
      {PackRGBA(200, 100, 50, 255), 0u, 128, PackRGBA(200, 100, 50, 128)},
      {PackRGBA(200, 100, 50, 200), 0u, 255, PackRGBA(200, 100, 50, 200)},
      {PackRGBA(200, 100, 50, 2), PackRGBA(9, 9, 9, 0), 255, PackRGBA(200, 100, 50, 2)},
      // Half over opaque mixes half and half.
      {PackRGBA(255, 255, 255, 255), PackRGBA(0, 0, 0, 255), 128, PackRGBA(128, 128, 128, 255)},
      // Out-of-range opacities are held to 0..255.
      {Red, Blue, 999, Red},
      {Red, Blue, -4, Blue},
  };
  for (const Case& c : cases) {
    CanvasImage target, source;
    ASSERT_TRUE(CreateCanvasImage(target, 1, 1, c.target));
    ASSERT_TRUE(CreateCanvasImage(source, 1, 1, c.source));
    DrawImage(target, source, c.opacity);
    EXPECT_EQ(target.At(0, 0), c.expected)
        << std::hex << c.source << " over " << c.target << " at " << std::dec << c.opacity;
  }
}

TEST(Canvas, CopyImageWritesAllChannelsThroughTheFilter) {
  CanvasImage target, source;
  ASSERT_TRUE(CreateCanvasImage(target, 2, 1, PackRGBA(0, 0, 0, 255)));
  ASSERT_TRUE(CreateCanvasImage(source, 2, 1, PackRGBA(10, 20, 30, 255)));
  source.At(1, 0) = PackRGBA(10, 20, 30, 0);
  CopyImage(target, source, 128);
  EXPECT_EQ(target.At(0, 0), PackRGBA(10, 20, 30, 128));
  EXPECT_EQ(target.At(1, 0), PackRGBA(10, 20, 30, 0));

  auto swapRedBlue = [](int x, int, std::uint32_t s, std::uint32_t) -> std::uint32_t {
    return PackRGBA(BlueOf(s), static_cast<unsigned>(x), RedOf(s), AlphaOf(s));
  };
  CopyImage(target, source, 255, swapRedBlue);
  EXPECT_EQ(target.At(0, 0), PackRGBA(30, 0, 10, 255));
  EXPECT_EQ(target.At(1, 0), PackRGBA(30, 1, 10, 0));
}

TEST(Canvas, FillBoxCoversWholePixelsExactlyAndBlendsItsAlpha) {
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 10, 8, Blue));
  ASSERT_TRUE(FillBox(image, 2, 3, 4, 2, Red));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
      EXPECT_EQ(image.At(x, y), inside ? Red : Blue) << x << "," << y;
    }
  // Empty and inverted boxes draw nothing.
  ASSERT_TRUE(FillBox(image, 0, 0, 0, 5, Red));
  ASSERT_TRUE(FillBox(image, 9, 7, -3, -3, Red));
  EXPECT_EQ(CountPixels(image, Red), 8);

  ASSERT_TRUE(FillSurface(image, PackRGBA(255, 255, 255, 128)));
  EXPECT_EQ(image.At(0, 0), PackRGBA(128, 128, 255, 255));
}

TEST(Canvas, FillPathFollowsRelativeLinesWithAntialiasedEdges) {
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 12, 12, 0));
  // Right triangle above the diagonal from (0, 0) to (10, 10).
  ASSERT_TRUE(FillPath(image, "M 0 0 l 10 0 l -10 10 Z", Red));
  EXPECT_EQ(image.At(1, 1), Red);
  EXPECT_EQ(image.At(6, 1), Red);
  EXPECT_EQ(image.At(1, 6), Red);
  EXPECT_EQ(image.At(8, 8), 0u);
  EXPECT_EQ(image.At(11, 0), 0u);
  // The hypotenuse cuts pixels in half: partial coverage, colour kept.
  const std::uint32_t seam = image.At(4, 5);
  EXPECT_EQ(seam & 0x00FFFFFFu, 0x0000FFu);
  EXPECT_GT(AlphaOf(seam), 60u);
  EXPECT_LT(AlphaOf(seam), 200u);

  // Doubled signs multiply out: "l --4 0" goes right by 4.
  CanvasImage box;
  ASSERT_TRUE(CreateCanvasImage(box, 6, 6, 0));
  ASSERT_TRUE(FillPath(box, "M 1 1 l --4 0 l 0 4 l -4 0 Z", Blue));
  EXPECT_EQ(CountPixels(box, Blue), 16);
  EXPECT_EQ(box.At(4, 4), Blue);

  EXPECT_FALSE(FillPath(box, "M 1 x l 2 2 Z", Red));
  EXPECT_FALSE(FillPath(box, "l 2 2 Z", Red));
}

TEST(Canvas, FloodFillStopsAtOtherColours) {
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 7, 5, 0));
  for (int y = 0; y < 5; ++y) image.At(3, y) = Blue;  // a wall down column 3
  FloodFill(image, 1, 1, Red);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(image.At(x, y), x < 3 ? Red : (x == 3 ? Blue : 0u)) << x << "," << y;
  FloodFill(image, 40, 1, Red);  // outside: nothing
  EXPECT_EQ(image.At(5, 1), 0u);
}

TEST(Canvas, HandsFreeImageTheSamePixelsTopRowFirst) {
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 3, 2, 0));
  image.At(0, 0) = PackRGBA(1, 2, 3, 4);
  image.At(2, 1) = PackRGBA(200, 100, 50, 1);  // colour under a tiny alpha survives
  FIBITMAP* dib = CanvasToBitmap(image);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(FreeImage_GetBPP(dib), 32u);
  EXPECT_EQ(FreeImage_GetWidth(dib), 3u);
  EXPECT_EQ(FreeImage_GetHeight(dib), 2u);
  RGBQUAD px;
  FreeImage_GetPixelColor(dib, 0, 1, &px);  // FreeImage counts rows from the bottom
  EXPECT_EQ(px.rgbRed, 1);
  EXPECT_EQ(px.rgbGreen, 2);
  EXPECT_EQ(px.rgbBlue, 3);
  EXPECT_EQ(px.rgbReserved, 4);
  FreeImage_GetPixelColor(dib, 2, 0, &px);
  EXPECT_EQ(px.rgbRed, 200);
  EXPECT_EQ(px.rgbGreen, 100);
  EXPECT_EQ(px.rgbBlue, 50);
  EXPECT_EQ(px.rgbReserved, 1);
  FreeImage_Unload(dib);
  EXPECT_EQ(CanvasToBitmap(CanvasImage()), nullptr);
}

TEST(Canvas, LoadsPngWithAlphaAndOpaqueBmpAndJpeg) {
  const std::string dir = ScratchFolder("canvas-load");
  FIBITMAP* rgba =
      FreeImage_Allocate(4, 3, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
  for (int y = 0; y < 3; ++y) {
    BYTE* row = FreeImage_GetScanLine(rgba, y);
    for (int x = 0; x < 4; ++x) {
      row[x * 4 + FI_RGBA_RED] = static_cast<BYTE>(10 * x);
      row[x * 4 + FI_RGBA_GREEN] = static_cast<BYTE>(50 * y);
      row[x * 4 + FI_RGBA_BLUE] = 7;
      row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(x == 0 ? 0 : 60 * x);
    }
  }
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, rgba, (dir + "logo.png").c_str(), 0));
  FIBITMAP* rgb = FreeImage_ConvertTo24Bits(rgba);
  ASSERT_TRUE(FreeImage_Save(FIF_BMP, rgb, (dir + "logo.bmp").c_str(), 0));
  ASSERT_TRUE(FreeImage_Save(FIF_JPEG, rgb, (dir + "logo.jpg").c_str(), JPEG_QUALITYSUPERB));
  FreeImage_Unload(rgb);
  FreeImage_Unload(rgba);

  CanvasImage image;
  int bpp = 0;
  ASSERT_TRUE(LoadCanvasImage(dir + "logo.png", image, bpp));
  EXPECT_EQ(bpp, 32);
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 3);
  // Canvas row 0 is the top row, FreeImage scanline 2.
  EXPECT_EQ(image.At(3, 0), PackRGBA(30, 100, 7, 180));
  EXPECT_EQ(image.At(1, 2), PackRGBA(10, 0, 7, 60));
  EXPECT_EQ(AlphaOf(image.At(0, 1)), 0u);

  ASSERT_TRUE(LoadCanvasImage(dir + "logo.bmp", image, bpp));
  EXPECT_EQ(bpp, 24);
  EXPECT_EQ(image.At(3, 0), PackRGBA(30, 100, 7, 255));

  ASSERT_TRUE(LoadCanvasImage(dir + "logo.jpg", image, bpp));
  EXPECT_EQ(bpp, 24);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(AlphaOf(image.At(2, 2)), 255u);

  // A 32-bit bitmap whose fourth byte is all padding zeros is opaque; a PNG
  // whose alpha is all zero stays transparent.
  FIBITMAP* padded =
      FreeImage_Allocate(2, 2, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
  for (int y = 0; y < 2; ++y) {
    BYTE* row = FreeImage_GetScanLine(padded, y);
    for (int x = 0; x < 2; ++x) row[x * 4 + FI_RGBA_GREEN] = 90;
  }
  ASSERT_TRUE(FreeImage_Save(FIF_BMP, padded, (dir + "padded.bmp").c_str(), 0));
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, padded, (dir + "clear.png").c_str(), 0));
  FreeImage_Unload(padded);
  ASSERT_TRUE(LoadCanvasImage(dir + "padded.bmp", image, bpp));
  EXPECT_EQ(bpp, 24);
  EXPECT_EQ(image.At(1, 1), PackRGBA(0, 90, 0, 255));
  ASSERT_TRUE(LoadCanvasImage(dir + "clear.png", image, bpp));
  EXPECT_EQ(bpp, 32);
  EXPECT_EQ(image.At(1, 1), PackRGBA(0, 90, 0, 0));

  EXPECT_FALSE(LoadCanvasImage(dir + "missing.png", image, bpp));
  WriteFileBytes(dir + "junk.png", "not a picture");
  EXPECT_FALSE(LoadCanvasImage(dir + "junk.png", image, bpp));
}

TEST(Canvas, FontFacesLoadByFamilyMetricAliasOrFile) {
  CanvasFont font;
  EXPECT_TRUE(LoadCanvasFont(font, "DejaVu Sans", 14, false, false, false, false));
  EXPECT_EQ(font.family, "DejaVu Sans");
  // Arial is not installed, but fontconfig declares Liberation Sans as its
  // metric-compatible substitute.
  ASSERT_TRUE(
      std::filesystem::exists("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"));
  EXPECT_TRUE(LoadCanvasFont(font, "Arial", 14, true, true, false, false));
  EXPECT_EQ(font.family, "Liberation Sans");
  EXPECT_TRUE(LoadCanvasFont(font, "arial", 14, false, false, false, false));

  // Any other unknown name would only reach some fallback: refused.
  EXPECT_FALSE(LoadCanvasFont(font, "NoSuchFontXyz", 14, false, false, false, false));
  EXPECT_FALSE(font.Loaded());
  EXPECT_FALSE(LoadCanvasFont(font, "", 14, false, false, false, false));
  EXPECT_FALSE(LoadCanvasFont(font, "DejaVu Sans", 0, false, false, false, false));

  const std::string file = SomeFontFile();
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(LoadCanvasFont(font, file, 12, false, false, false, false));
  EXPECT_FALSE(font.family.empty());
  const std::string dir = ScratchFolder("canvas-font");
  WriteFileBytes(dir + "broken.ttf", "not a font");
  EXPECT_FALSE(LoadCanvasFont(font, dir + "broken.ttf", 12, false, false, false, false));
}

TEST(Canvas, TextSizeGrowsWithTextAndPoints) {
  const CanvasFont small = SansFont(10), large = SansFont(30);
  int w1, h1, w2, h2, w3, h3;
  ASSERT_TRUE(MeasureText(small, "Hi", w1, h1));
  ASSERT_TRUE(MeasureText(small, "Hi there", w2, h2));
  ASSERT_TRUE(MeasureText(large, "Hi", w3, h3));
  EXPECT_GT(w1, 5);
  EXPECT_GT(w2, w1);
  EXPECT_EQ(h2, h1);
  EXPECT_GT(h3, 2 * h1);
  // 10 points at 96 dpi is 13.3 pixels of em; a line is a little taller.
  EXPECT_GE(h1, 13);
  EXPECT_LE(h1, 24);
  int we, he;
  ASSERT_TRUE(MeasureText(small, "", we, he));
  EXPECT_EQ(we, 0);
  EXPECT_EQ(he, h1);
  EXPECT_NEAR(VectorTextWidth(small, "Hi there"), w2, 2.0);
  EXPECT_FALSE(MeasureText(CanvasFont(), "Hi", w1, h1));
}

TEST(Canvas, CrispTextWritesOnlyTheExactFrontAndBackValues) {
  const CanvasFont font = SansFont(14);
  int w, h;
  ASSERT_TRUE(MeasureText(font, "Wg", w, h));
  const std::uint32_t front = PackRGBA(255, 255, 255, 77);
  const std::uint32_t back = PackRGBA(10, 20, 30, 0);
  const std::uint32_t outside = PackRGBA(1, 1, 1, 1);
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, w + 10, h + 10, outside));
  ASSERT_TRUE(DrawCrispText(image, font, 4, 3, "Wg", front, back));
  int fronts = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.At(x, y);
      const bool cell = x >= 4 && x < 4 + w && y >= 3 && y < 3 + h;
      if (cell) {
        EXPECT_TRUE(p == front || p == back) << x << "," << y;
        fronts += p == front;
      } else {
        EXPECT_TRUE(p == outside || p == front) << x << "," << y;  // overhang only in front
      }
    }
  EXPECT_GT(fronts, 20);
}

TEST(Canvas, UnderlineDrawsARuleAcrossTheLine) {
  auto longestRun = [](const CanvasFont& font) {
    CanvasImage image;
    int w, h;
    MeasureText(font, "aaaa", w, h);
    CreateCanvasImage(image, w, h, 0);
    DrawCrispText(image, font, 0, 0, "aaaa", Red, 0);
    int best = 0;
    for (int y = 0; y < h; ++y) {
      int run = 0;
      for (int x = 0; x < w; ++x) {
        run = image.At(x, y) == Red ? run + 1 : 0;
        best = std::max(best, run);
      }
    }
    return std::pair{best, w};
  };
  const auto [plain, w] = longestRun(SansFont(20, false));
  const auto [ruled, w2] = longestRun(SansFont(20, true));
  EXPECT_LT(plain, w / 2);
  EXPECT_GE(ruled, w2 - 2);
}

TEST(Canvas, VectorTextIsAntialiasedAndBlended) {
  const CanvasFont font = SansFont(16);
  CanvasImage image;
  ASSERT_TRUE(CreateCanvasImage(image, 80, 30, 0));
  ASSERT_TRUE(DrawVectorText(image, font, 2, 2, "Sweg", Red));
  int solid = 0, partial = 0;
  for (std::uint32_t p : image.pixels) {
    if (AlphaOf(p) == 255) ++solid;
    if (AlphaOf(p) > 0 && AlphaOf(p) < 255) {
      ++partial;
      EXPECT_EQ(p & 0x00FFFFFFu, 0x0000FFu);  // straight colour under partial coverage
    }
  }
  EXPECT_GT(solid, 10);
  EXPECT_GT(partial, 10);
  EXPECT_EQ(image.At(79, 29), 0u);
  EXPECT_EQ(image.At(0, 0), 0u);
}
