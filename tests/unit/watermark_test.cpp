#include "stages/Watermark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "canvas/Canvas.h"
#include "settings/Settings.h"
#include "stages/ImageWatermark.h"
#include "stages/Stages.h"
#include "stages/TextWatermark.h"
#include "support/TestSupport.h"

namespace {

struct Rgba {
  int r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

constexpr Rgba Grey{100, 100, 100, 255};
constexpr Rgba White{255, 255, 255, 255};

// A picture of one colour: 24 bits, or 32 bits with c's alpha when wide.
FIBITMAP* Solid(int w, int h, Rgba c, bool wide = false) {
  FIBITMAP* dib = FreeImage_Allocate(w, h, wide ? 32 : 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                     FI_RGBA_BLUE_MASK);
  RGBQUAD q{static_cast<BYTE>(c.b), static_cast<BYTE>(c.g), static_cast<BYTE>(c.r),
            static_cast<BYTE>(c.a)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) FreeImage_SetPixelColor(dib, x, y, &q);
  return dib;
}

// Pixel at (x, y) counted from the top row; alpha 255 for 24-bit pictures.
Rgba At(FIBITMAP* dib, int x, int y) {
  RGBQUAD q;
  FreeImage_GetPixelColor(dib, x, FreeImage_GetHeight(dib) - 1 - y, &q);
  return {q.rgbRed, q.rgbGreen, q.rgbBlue, FreeImage_GetBPP(dib) == 32 ? q.rgbReserved : 255};
}

int Width(FIBITMAP* dib) { return static_cast<int>(FreeImage_GetWidth(dib)); }
int Height(FIBITMAP* dib) { return static_cast<int>(FreeImage_GetHeight(dib)); }

// The bounding box of pixels that differ from the colour `plain`.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Box ChangedBox(FIBITMAP* dib, Rgba plain) {
  Box b;
  for (int y = 0; y < Height(dib); ++y)
    for (int x = 0; x < Width(dib); ++x)
      if (!(At(dib, x, y) == plain)) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

Rgba At(const Bitmap& image, int x, int y) { return At(image.get(), x, y); }
int Width(const Bitmap& image) { return Width(image.get()); }
int Height(const Bitmap& image) { return Height(image.get()); }
Box ChangedBox(const Bitmap& image, Rgba plain) { return ChangedBox(image.get(), plain); }

class Watermark : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaults(1);
    Settings.Font = "DejaVu Sans";
    ASSERT_TRUE(LoadWatermarkFont());
    dir_ = ScratchFolder("watermark");
  }
  void TearDown() override { ReleaseWatermarkFont(); }

  // Measured crisp size of one line in the watermark font.
  std::pair<int, int> Measure(const std::string& text) {
    int w = 0, h = 0;
    EXPECT_TRUE(MeasureText(WatermarkFont(), text, w, h));
    return {w, h};
  }
  std::string SavePicture(FIBITMAP* dib, const std::string& name, FREE_IMAGE_FORMAT fif) {
    const std::string path = dir_ + name;
    EXPECT_TRUE(FreeImage_Save(fif, dib, path.c_str(), 0));
    FreeImage_Unload(dib);
    return path;
  }

  std::string dir_;
};

}  // namespace

TEST_F(Watermark, AlignsLinesLeftCentreAndRight) {
  Settings.TextPadding = 3;
  struct Case {
    int alignment, line, label, x;
  } cases[] = {
      {0, 50, 101, 3},    {1, 50, 101, 26},  // 25.5 rounds up
      {1, 51, 100, 25},                      // 24.5 rounds up too
      {1, 120, 101, -10},                    // -9.5 rounds away from zero
      {2, 50, 101, 48},   {9, 50, 101, 0},
  };
  for (const Case& c : cases) {
    Settings.TextAlignment = static_cast<BYTE>(c.alignment);
    EXPECT_EQ(AlignLineX(c.line, c.label), c.x) << c.alignment << " " << c.line;
  }
}

TEST_F(Watermark, PlacesLabelsAtTheNineAnchors) {
  const WatermarkArea picture{0, 0, 640, 480};
  const WatermarkArea framed{20, 30, 600, 400};
  struct Case {
    int anchor;
    WatermarkPosition whole, inFrame;
  } cases[] = {
      {0, {10, 10}, {30, 40}},   {1, {260, 10}, {260, 40}},   {2, {510, 10}, {490, 40}},
      {3, {10, 230}, {30, 220}}, {4, {260, 230}, {260, 220}}, {5, {510, 230}, {490, 220}},
      {6, {10, 450}, {30, 400}}, {7, {260, 450}, {260, 400}}, {8, {510, 450}, {490, 400}},
      {9, {0, 0}, {20, 30}},
  };
  for (const Case& c : cases) {
    const WatermarkPosition p = PlaceWatermark(c.anchor, picture, 120, 20, 10, 10);
    EXPECT_EQ(p.x, c.whole.x) << c.anchor;
    EXPECT_EQ(p.y, c.whole.y) << c.anchor;
    const WatermarkPosition q = PlaceWatermark(c.anchor, framed, 120, 20, 10, 10);
    EXPECT_EQ(q.x, c.inFrame.x) << c.anchor;
    EXPECT_EQ(q.y, c.inFrame.y) << c.anchor;
  }
  // Centring truncates towards zero, also for a label larger than the area.
  EXPECT_EQ(PlaceWatermark(4, {0, 0, 101, 11}, 20, 4, 0, 0).x, 40);
  EXPECT_EQ(PlaceWatermark(4, {0, 0, 101, 11}, 20, 4, 0, 0).y, 3);
  EXPECT_EQ(PlaceWatermark(1, {0, 0, 10, 10}, 13, 4, 0, 0).x, -1);
}

TEST_F(Watermark, FrameBoundaryAppliesOnlyWithAFrame) {
  Settings.SolidLeft = 5;
  Settings.SolidRight = 7;
  Settings.SolidTop = 11;
  Settings.SolidBottom = 13;
  Settings.DoFrame = 0;
  WatermarkArea a = WatermarkAreaFor(100, 80, 1);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.width, 100);
  EXPECT_EQ(a.height, 80);
  Settings.DoFrame = 1;
  a = WatermarkAreaFor(100, 80, 1);
  EXPECT_EQ(a.x, 5);
  EXPECT_EQ(a.y, 11);
  EXPECT_EQ(a.width, 88);
  EXPECT_EQ(a.height, 56);
  a = WatermarkAreaFor(100, 80, 0);
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.width, 100);
}

TEST_F(Watermark, FittingCutsTheLabelToItsTopLeftPart) {
  Bitmap label(Solid(700, 30, White, true));
  // Mark the top-left pixel so the kept part can be recognised.
  RGBQUAD mark{1, 2, 3, 4};
  FreeImage_SetPixelColor(label.get(), 0, 29, &mark);
  label = FitWatermark(std::move(label), 640, 480, 10, 10);
  ASSERT_NE(label.get(), nullptr);
  EXPECT_EQ(Width(label), 630);
  EXPECT_EQ(Height(label), 30);
  EXPECT_EQ(At(label, 0, 0), (Rgba{3, 2, 1, 4}));

  FIBITMAP* const before = label.get();
  label = FitWatermark(std::move(label), 640, 40, 10, 10);  // fits exactly
  EXPECT_EQ(label.get(), before);
  label = FitWatermark(std::move(label), 640, 35, 0, 10);  // the offsets count whatever the anchor
  ASSERT_NE(label.get(), nullptr);
  EXPECT_EQ(Height(label), 25);
  EXPECT_EQ(FitWatermark(std::move(label), 640, 35, 0, 35).get(), nullptr);  // nothing left
  EXPECT_EQ(FitWatermark(Bitmap(), 640, 35, 0, 0).get(), nullptr);
}

TEST_F(Watermark, RotatesOnlyStrictlyBetweenZeroAndFullTurn) {
  Bitmap label(Solid(40, 10, White, true));
  FIBITMAP* const given = label.get();
  for (int degrees : {0, 360, -90, 400}) {
    label = RotateWatermark(std::move(label), degrees);
    EXPECT_EQ(label.get(), given);
  }
  label = RotateWatermark(std::move(label), 90);
  ASSERT_NE(label.get(), nullptr);
  EXPECT_EQ(Width(label), 10);
  EXPECT_EQ(Height(label), 40);
  label = RotateWatermark(std::move(label), 45);
  ASSERT_NE(label.get(), nullptr);
  EXPECT_GT(Width(label), 30);
  EXPECT_EQ(At(label, 0, 0).a, 0);  // the added corners are transparent
}

TEST_F(Watermark, OpaqueLabelsKeepTheirExactColours) {
  const Bitmap label(Solid(4, 3, White, true));
  const Bitmap picture = CompositeWatermark(Bitmap(Solid(10, 8, Grey)), label.get(), {5, 2});
  ASSERT_NE(picture.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(picture.get()), 24u);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 5 && x < 9 && y >= 2 && y < 5;
      EXPECT_EQ(At(picture, x, y), inside ? White : Grey) << x << "," << y;
    }
}

TEST_F(Watermark, LabelAlphaDecidesTheMixAndOutsideLabelsAreRefused) {
  const Bitmap clear(Solid(4, 3, {255, 0, 0, 0}, true));
  const Bitmap half(Solid(4, 3, {255, 255, 255, 128}, true));
  Bitmap picture = CompositeWatermark(Bitmap(Solid(10, 8, Grey)), clear.get(), {0, 0});
  EXPECT_EQ(At(picture, 0, 0), Grey);
  picture = CompositeWatermark(std::move(picture), half.get(), {6, 5});
  const Rgba mixed = At(picture, 9, 7);
  EXPECT_NEAR(mixed.r, 178, 2);
  EXPECT_EQ(At(picture, 5, 7), Grey);
  // Not wholly inside: the picture stays as it is.
  for (WatermarkPosition p : {WatermarkPosition{-1, 0}, {0, -1}, {7, 0}, {0, 6}}) {
    FIBITMAP* before = picture.get();
    picture = CompositeWatermark(std::move(picture), half.get(), p);
    EXPECT_EQ(picture.get(), before);
  }
  EXPECT_EQ(At(picture, 0, 0), Grey);
}

TEST_F(Watermark, StageOffOrUnknownKindOnlyConverts) {
  FIBITMAP* given = Solid(12, 9, {10, 20, 30, 40}, true);
  Bitmap picture = ApplyWatermark(Bitmap(given), 12, 9, FileJob{});
  EXPECT_EQ(picture.get(), given);  // DoWatermark 0
  Settings.DoWatermark = 3;
  picture = ApplyWatermark(std::move(picture), 12, 9, FileJob{});
  EXPECT_EQ(FreeImage_GetBPP(picture.get()), 24u);
  EXPECT_EQ(At(picture, 11, 8), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(ApplyWatermark(Bitmap(), 12, 9, FileJob{}).get(), nullptr);
}

TEST_F(Watermark, FontRulesFollowTheFaceName) {
  Settings.Font = "Arial";
  Settings.FontStyle = 3;
  Settings.FontEffect = 2;
  EXPECT_TRUE(LoadWatermarkFont());
  EXPECT_TRUE(WatermarkFont().Loaded());
  Settings.Font = "NoSuchFontXyz";
  EXPECT_FALSE(LoadWatermarkFont());
  EXPECT_FALSE(WatermarkFont().Loaded());
  // Without a font there is no label, and the stage leaves the picture alone.
  EXPECT_EQ(BuildTextLabel("abc").get(), nullptr);
  Settings.DoWatermark = 1;
  Bitmap picture = ApplyWatermark(Bitmap(Solid(50, 40, Grey)), 50, 40, FileJob{});
  EXPECT_EQ(ChangedBox(picture, Grey).x1, -1);
  Settings.Font = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
  EXPECT_TRUE(LoadWatermarkFont());
}

TEST_F(Watermark, OneLineLabelIsTheTextPlusPadding) {
  Settings.TextPadding = 4;
  const auto [w, h] = Measure("i");
  Bitmap label = BuildTextLabel("i");
  ASSERT_NE(label.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(label.get()), 32u);
  EXPECT_EQ(Width(label), w + 8);  // no 10-pixel minimum for one line
  EXPECT_EQ(Height(label), h + 8);
  EXPECT_LT(w, 10);
  Settings.TextPadding = 0;
  EXPECT_EQ(BuildTextLabel("").get(), nullptr);  // nothing to draw: no label
}

TEST_F(Watermark, LineBreaksInAnyCaseStackLinesWithLeading) {
  const int h = std::max(10, Measure("Wg").second);
  struct Case {
    std::string text;
    int leading, padding, width, height;
  } cases[] = {
      // Two lines narrower than 10 pixels: the 10-pixel minimum applies.
      {"i%EOL%i", 0, 2, 10 + 4, h + h + 4},
      {"i%eol%i%Eol%", 0, 0, 10, h + 2 * h},  // the trailing marker adds an empty line
      {"i%eol%i%eol%i", -5, 0, 10, h + 2 * (h - 5)},
      {"i%eol%i", 7, 1, 12, h + (h + 7) + 2},
      {"Wide line here%eol%x", 0, 0, Measure("Wide line here").first, 2 * h},
  };
  for (const Case& c : cases) {
    Settings.FontLeading = c.leading;
    Settings.TextPadding = c.padding;
    for (int antialiasing : {0, 1}) {
      Settings.TextAntialiasing = static_cast<BYTE>(antialiasing);
      Bitmap label = BuildTextLabel(c.text);
      ASSERT_NE(label.get(), nullptr) << c.text;
      EXPECT_EQ(Width(label), c.width) << c.text;
      EXPECT_EQ(Height(label), c.height) << c.text;
    }
  }
}

TEST_F(Watermark, CrispLabelsCarryTheOpacitiesInTheirAlpha) {
  Settings.FontColor = "FF8000";
  Settings.BackColor = "0000FF";
  Settings.TextOpacity = 200;
  Settings.BackOpacity = 0;
  Settings.TextPadding = 3;
  Bitmap label = BuildTextLabel("Hello%eol%World");
  ASSERT_NE(label.get(), nullptr);
  int glyphs = 0;
  for (int y = 0; y < Height(label); ++y)
    for (int x = 0; x < Width(label); ++x) {
      const Rgba p = At(label, x, y);
      if (p == Rgba{255, 128, 0, 200})
        ++glyphs;
      else
        EXPECT_EQ(p, (Rgba{0, 0, 255, 0})) << x << "," << y;
    }
  EXPECT_GT(glyphs, 30);
}

TEST_F(Watermark, AntialiasedLabelsLayTextOverTheBox) {
  Settings.TextAntialiasing = 1;
  Settings.FontColor = "FFFFFF";
  Settings.BackColor = "000000";
  Settings.BackOpacity = 100;
  Settings.TextOpacity = 255;
  Settings.TextPadding = 5;
  Bitmap label = BuildTextLabel("Sweg");
  ASSERT_NE(label.get(), nullptr);
  EXPECT_EQ(At(label, 0, 0), (Rgba{0, 0, 0, 100}));  // the box, in the padding
  int opaque = 0, between = 0;
  for (int y = 0; y < Height(label); ++y)
    for (int x = 0; x < Width(label); ++x) {
      const Rgba p = At(label, x, y);
      EXPECT_GE(p.a, 100);
      if (p == White) ++opaque;
      if (p.r > 0 && p.r < 255) ++between;  // smoothed glyph edges
    }
  EXPECT_GT(opaque, 10);
  EXPECT_GT(between, 10);
}

TEST_F(Watermark, TextStageStampsTheLabelAtTheAnchor) {
  Settings.DoWatermark = 1;
  Settings.Text = "Hi";
  Settings.BackOpacity = 255;
  Settings.TextPadding = 2;
  const auto [w, h] = Measure("Hi");
  struct Case {
    int anchor, x, y;
  } cases[] = {
      {8, 200 - (w + 4) - 10, 100 - (h + 4) - 10},
      {0, 10, 10},
      {4, (200 - (w + 4)) / 2, (100 - (h + 4)) / 2},
  };
  for (const Case& c : cases) {
    Settings.TextPosition = static_cast<BYTE>(c.anchor);
    Bitmap picture = ApplyWatermark(Bitmap(Solid(200, 100, Grey, true)), 200, 100, FileJob{});
    ASSERT_NE(picture.get(), nullptr);
    EXPECT_EQ(FreeImage_GetBPP(picture.get()), 24u);
    const Box b = ChangedBox(picture, Grey);
    EXPECT_EQ(b.x0, c.x) << c.anchor;
    EXPECT_EQ(b.y0, c.y) << c.anchor;
    EXPECT_EQ(b.x1, c.x + w + 3) << c.anchor;
    EXPECT_EQ(b.y1, c.y + h + 3) << c.anchor;
    // Opaque black box and white glyphs come through unfaded.
    EXPECT_EQ(At(picture, c.x, c.y), (Rgba{0, 0, 0, 255}));
    int white = 0;
    for (int y = b.y0; y <= b.y1; ++y)
      for (int x = b.x0; x <= b.x1; ++x) white += At(picture, x, y) == White;
    EXPECT_GT(white, 10);
  }
}

TEST_F(Watermark, GreyFilterKeepsAlphaAndUsesLuminance) {
  struct Case {
    std::uint32_t source;
    std::uint32_t grey;
  } cases[] = {
      {PackRGBA(255, 0, 0, 255), PackRGBA(76, 76, 76, 255)},
      {PackRGBA(255, 255, 255, 255), PackRGBA(255, 255, 255, 255)},
      {PackRGBA(0, 255, 0, 17), PackRGBA(149, 149, 149, 17)},
      {PackRGBA(0, 0, 255, 0), PackRGBA(28, 28, 28, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GreyFilter(3, 4, c.source, 0xFFFFFFFFu), c.grey) << std::hex << c.source;
}

TEST_F(Watermark, ChecksThatTheImageFileHasContent) {
  Settings.Image = "";
  EXPECT_FALSE(CheckWatermarkImage());
  Settings.Image = dir_ + "missing.png";
  EXPECT_FALSE(CheckWatermarkImage());
  Settings.Image = dir_;
  EXPECT_FALSE(CheckWatermarkImage());
  WriteFileBytes(dir_ + "empty.png", "");
  Settings.Image = dir_ + "empty.png";
  EXPECT_FALSE(CheckWatermarkImage());
  Settings.Image = SavePicture(Solid(3, 3, White), "logo.bmp", FIF_BMP);
  EXPECT_TRUE(CheckWatermarkImage());
}

TEST_F(Watermark, ImageLabelKeepsTransparencyAndScalesItByOpacity) {
  // Left half opaque orange, right half transparent.
  FIBITMAP* logo = Solid(6, 4, {255, 128, 0, 255}, true);
  RGBQUAD clear{0, 0, 0, 0};
  for (int y = 0; y < 4; ++y)
    for (int x = 3; x < 6; ++x) FreeImage_SetPixelColor(logo, x, y, &clear);
  Settings.Image = SavePicture(logo, "logo.png", FIF_PNG);
  struct Case {
    int opacity;
    int greyscale;
    Rgba left;
  } cases[] = {
      {255, 0, {255, 128, 0, 255}},
      {128, 0, {255, 128, 0, 128}},
      {0, 0, {255, 128, 0, 0}},
      {255, 1, {151, 151, 151, 255}},
  };
  for (const Case& c : cases) {
    Settings.ImageOpacity = c.opacity;
    Settings.ImageGreyscale = static_cast<BYTE>(c.greyscale);
    Bitmap label = BuildImageLabel();
    ASSERT_NE(label.get(), nullptr);
    EXPECT_EQ(Width(label), 6);
    EXPECT_EQ(At(label, 1, 1), c.left) << c.opacity;
    EXPECT_EQ(At(label, 4, 1).a, 0) << c.opacity;
  }
  Settings.Image = dir_ + "missing.png";
  EXPECT_EQ(BuildImageLabel().get(), nullptr);
}

TEST_F(Watermark, OpaqueWhiteImageWatermarkStaysExactlyWhite) {
  Settings.DoWatermark = 2;
  Settings.Image = SavePicture(Solid(5, 4, White), "white.bmp", FIF_BMP);
  Bitmap picture = ApplyWatermark(Bitmap(Solid(40, 30, Grey)), 40, 30, FileJob{});
  const Box b = ChangedBox(picture, Grey);
  EXPECT_EQ(b.x0, 40 - 5 - 10);
  EXPECT_EQ(b.y0, 30 - 4 - 10);
  EXPECT_EQ(b.x1, 40 - 10 - 1);
  EXPECT_EQ(b.y1, 30 - 10 - 1);
  for (int y = b.y0; y <= b.y1; ++y)
    for (int x = b.x0; x <= b.x1; ++x) EXPECT_EQ(At(picture, x, y), White) << x << "," << y;

  Settings.ImageOpacity = 0;
  picture = ApplyWatermark(Bitmap(Solid(40, 30, Grey)), 40, 30, FileJob{});
  EXPECT_EQ(ChangedBox(picture, Grey).x1, -1);
}

TEST_F(Watermark, ImageWatermarkLargerThanThePictureIsCutAndPlaced) {
  Settings.DoWatermark = 2;
  Settings.ImagePosition = 0;
  Settings.ImageXOffset = 2;
  Settings.ImageYOffset = 3;
  // A JPEG logo has no alpha: an opaque rectangle at full opacity.
  Settings.Image = SavePicture(Solid(30, 30, {250, 250, 250, 255}), "big.jpg", FIF_JPEG);
  Bitmap picture = ApplyWatermark(Bitmap(Solid(20, 12, {0, 0, 0, 255})), 20, 12, FileJob{});
  const Box b = ChangedBox(picture, {0, 0, 0, 255});
  EXPECT_EQ(b.x0, 2);
  EXPECT_EQ(b.y0, 3);
  EXPECT_EQ(b.x1, 19);
  EXPECT_EQ(b.y1, 11);
  EXPECT_NEAR(At(picture, 10, 8).r, 250, 3);

  // Inside a frame: cut to the inner area and anchored to it.
  Settings.DoFrame = 1;
  Settings.SolidLeft = Settings.SolidTop = 4;
  Settings.SolidRight = Settings.SolidBottom = 1;
  Settings.ImageBoundary = 1;
  Settings.SolidOpacity = 0;
  picture = ApplyWatermark(Bitmap(Solid(20, 12, {0, 0, 0, 255})), 20, 12, FileJob{});
  const Box f = ChangedBox(picture, {0, 0, 0, 255});
  EXPECT_EQ(f.x0, 6);
  EXPECT_EQ(f.y0, 7);
  EXPECT_EQ(f.x1, 18);
  EXPECT_EQ(f.y1, 10);
}

TEST_F(Watermark, TextWithoutPlaceholdersIsDrawnAsWritten) {
  for (const char* text : {"100% cotton", "50% of 80%", "Line one%EOL%line two", "", "%%"}) {
    Settings.Text = text;
    EXPECT_EQ(ExpandWatermarkText(FileJob{}), text);
  }
}

TEST_F(Watermark, TextPlaceholdersComeFromTheFilesJob) {
  RunState.ConversionType = "png";
  FileJob job;
  job.InputFile = "/in/Night.hdr";
  job.Counter = 12;
  job.RandomNumber = 345;
  job.OutputWidth = 64;
  job.OutputHeight = 48;
  job.OutputBpp = 24;
  Settings.Text = "%filename% %N% %rnd% %width%x%height% %bpp% %ext[u]%";
  EXPECT_EQ(ExpandWatermarkText(job), "Night 00012 00345 64x48 24 PNG");
}
