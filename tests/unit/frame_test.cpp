#include <gtest/gtest.h>

#include <cstdlib>

#include "settings/Settings.h"
#include "stages/Stages.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

constexpr Rgb Grey{100, 100, 100};
constexpr Rgb Left{255, 0, 0}, Right{0, 0, 255}, Top{0, 255, 0}, Bottom{255, 255, 0};

// A picture of one colour; 32 bits with the given alpha when alpha >= 0.
FIBITMAP* Solid(int w, int h, Rgb c, int alpha = -1) {
  const int bpp = alpha >= 0 ? 32 : 24;
  FIBITMAP* dib =
      FreeImage_Allocate(w, h, bpp, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
  RGBQUAD q{static_cast<BYTE>(c.b), static_cast<BYTE>(c.g), static_cast<BYTE>(c.r),
            static_cast<BYTE>(alpha < 0 ? 0 : alpha)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) FreeImage_SetPixelColor(dib, x, y, &q);
  return dib;
}

// Pixel at (x, y) counted from the top row.
Rgb At(FIBITMAP* dib, int x, int y) {
  RGBQUAD q;
  FreeImage_GetPixelColor(dib, x, FreeImage_GetHeight(dib) - 1 - y, &q);
  return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplyDefaults(1);
    Settings.DoFrame = 1;
    Settings.SolidLeftColor = "FF0000";
    Settings.SolidRightColor = "0000ff";
    Settings.SolidTopColor = "00FF00";
    Settings.SolidBottomColor = "FFFF00";
  }
  void Widths(int l, int r, int t, int b) {
    Settings.SolidLeft = l;
    Settings.SolidRight = r;
    Settings.SolidTop = t;
    Settings.SolidBottom = b;
  }
};

}  // namespace

TEST_F(Frame, OffLeavesThePictureAsItIs) {
  Settings.DoFrame = 0;
  Widths(5, 5, 5, 5);
  FIBITMAP* given = Solid(20, 10, Grey, 128);
  const Bitmap picture = ApplyFrame(Bitmap(given), 20, 10);
  EXPECT_EQ(picture.get(), given);
  EXPECT_EQ(FreeImage_GetBPP(picture.get()), 32u);
  EXPECT_EQ(ApplyFrame(Bitmap(), 20, 10).get(), nullptr);
}

TEST_F(Frame, ZeroWidthsOnlyDropTheAlphaChannel) {
  Widths(0, 0, 0, 0);
  for (int doFrame : {1, 7}) {  // any non-zero switch converts; only 1 draws
    Settings.DoFrame = static_cast<BYTE>(doFrame);
    Bitmap picture = ApplyFrame(Bitmap(Solid(9, 7, Grey, 10)), 9, 7);
    ASSERT_NE(picture.get(), nullptr);
    EXPECT_EQ(FreeImage_GetBPP(picture.get()), 24u);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) EXPECT_EQ(At(picture.get(), x, y), Grey) << x << "," << y;
  }
  Settings.DoFrame = 2;
  Widths(3, 3, 3, 3);
  Bitmap picture = ApplyFrame(Bitmap(Solid(9, 7, Grey)), 9, 7);
  EXPECT_EQ(At(picture.get(), 0, 0), Grey);
}

TEST_F(Frame, BandsTakeTheirSideColoursAndMeetOnTheDiagonals) {
  const int W = 60, H = 40;
  Widths(6, 8, 4, 10);
  Bitmap picture = ApplyFrame(Bitmap(Solid(W, H, Grey)), W, H);
  ASSERT_NE(picture.get(), nullptr);
  EXPECT_EQ(FreeImage_GetWidth(picture.get()), 60u);
  EXPECT_EQ(FreeImage_GetHeight(picture.get()), 40u);
  EXPECT_EQ(FreeImage_GetBPP(picture.get()), 24u);
  struct Case {
    int x, y;
    Rgb expected;
  } cases[] = {
      // Band middles and their inner edges.
      {30, 0, Top},
      {30, 3, Top},
      {30, 4, Grey},
      {0, 20, Left},
      {5, 20, Left},
      {6, 20, Grey},
      {W - 8, 20, Right},
      {W - 9, 20, Grey},
      {W - 1, 20, Right},
      {30, H - 10, Bottom},
      {30, H - 11, Grey},
      {30, H - 1, Bottom},
      // Corner squares split along the diagonals, away from the seam pixels.
      {0, 0 + 3, Left},
      {5, 0, Top},
      {W - 1, 3, Right},
      {W - 8, 0, Top},
      {3, H - 1, Bottom},
      {0, H - 10, Left},
      {W - 5, H - 1, Bottom},
      {W - 1, H - 10, Right},
      {W - 8, H - 1, Bottom},
      {5, H - 1, Bottom},
      // Inside stays untouched.
      {30, 20, Grey},
      {6, 4, Grey},
      {W - 9, H - 11, Grey},
  };
  for (const Case& c : cases)
    EXPECT_EQ(At(picture.get(), c.x, c.y), c.expected) << c.x << "," << c.y;

  // On every mitre seam pixel the two side colours share the pixel and
  // nothing of the picture shows through.
  const Rgb seam = At(picture.get(), 2, 1);  // on the line from (0, 0) to (6, 4)
  EXPECT_EQ(seam.b, 0);
  EXPECT_EQ(seam.r + seam.g, 255) << seam;
  EXPECT_GT(seam.r, 0);
  EXPECT_GT(seam.g, 0);
}

TEST_F(Frame, LeftAndTopOnlyFollowTheDiagonalFromTheCorner) {
  const int W = 50, H = 40;
  Widths(10, 0, 20, 0);
  Bitmap picture = ApplyFrame(Bitmap(Solid(W, H, Grey)), W, H);
  // The top band runs over the full width, tapering only on the left.
  for (int y = 0; y < 20; ++y) {
    EXPECT_EQ(At(picture.get(), W - 1, y), Top) << y;
    EXPECT_EQ(At(picture.get(), 10, y), Top) << y;
  }
  EXPECT_EQ(At(picture.get(), 10, 20), Grey);
  for (int y = 20; y < H; ++y) {
    EXPECT_EQ(At(picture.get(), 0, y), Left) << y;
    EXPECT_EQ(At(picture.get(), 9, y), Left) << y;
    EXPECT_EQ(At(picture.get(), 10, y), Grey) << y;
  }
  // Below the line from (0, 0) to (10, 20) is left, above it top.
  EXPECT_EQ(At(picture.get(), 1, 15), Left);
  EXPECT_EQ(At(picture.get(), 8, 2), Top);
  EXPECT_EQ(At(picture.get(), 4, 18), Left);
  EXPECT_EQ(At(picture.get(), 6, 5), Top);
}

TEST_F(Frame, OpacityScalesTheWholeFrame) {
  Widths(4, 4, 4, 4);
  Settings.SolidOpacity = 0;
  Bitmap picture = ApplyFrame(Bitmap(Solid(20, 20, Grey)), 20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(At(picture.get(), x, y), Grey) << x << "," << y;

  Settings.SolidOpacity = 128;
  picture = ApplyFrame(Bitmap(Solid(20, 20, Grey)), 20, 20);
  const Rgb mixed = At(picture.get(), 10, 1);  // green over grey, about half and half
  EXPECT_NEAR(mixed.r, 50, 2);
  EXPECT_NEAR(mixed.g, 178, 2);
  EXPECT_NEAR(mixed.b, 50, 2);
  EXPECT_EQ(At(picture.get(), 10, 10), Grey);
}

TEST_F(Frame, OverlappingBandsLetTheLaterSideWin) {
  // L + R exceeds W: the left band, drawn last, covers the right one.
  Widths(15, 15, 0, 0);
  Bitmap picture = ApplyFrame(Bitmap(Solid(20, 30, Grey)), 20, 30);
  EXPECT_EQ(At(picture.get(), 7, 10), Left);
  EXPECT_EQ(At(picture.get(), 14, 10), Left);
  EXPECT_EQ(At(picture.get(), 16, 10), Right);
  EXPECT_EQ(At(picture.get(), 19, 29), Right);
  EXPECT_EQ(FreeImage_GetWidth(picture.get()), 20u);
}
