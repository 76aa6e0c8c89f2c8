#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/Settings.h"
#include "stages/Stages.h"

namespace {

class ColorAdjust : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaults(1); }
};

// A one-row 24- or 32-bit picture with the given grey levels (alpha 200 at 32 bits).
Bitmap GreyRow(const std::vector<int>& levels, int bpp = 24) {
  Bitmap image(FreeImage_Allocate(static_cast<int>(levels.size()), 1, bpp));
  for (unsigned x = 0; x < levels.size(); ++x) {
    const BYTE v = static_cast<BYTE>(levels[x]);
    RGBQUAD c{v, v, v, 200};
    FreeImage_SetPixelColor(image.get(), x, 0, &c);
  }
  return image;
}

RGBQUAD At(const Bitmap& image, unsigned x) {
  RGBQUAD c{};
  FreeImage_GetPixelColor(image.get(), x, 0, &c);
  return c;
}

TEST_F(ColorAdjust, StagesPassThroughWhenOffOrGivenNoImage) {
  Bitmap image = GreyRow({10, 128, 250});
  FIBITMAP* const given = image.get();
  Settings.ImageBrightness = 50;
  Settings.ImageInvert = 1;
  Settings.ImageThreshold = 128;
  image = AdjustImageColors(std::move(image));
  EXPECT_EQ(image.get(), given);
  image = GreyscaleImage(std::move(image));
  EXPECT_EQ(image.get(), given);
  image = ThresholdImage(std::move(image));
  EXPECT_EQ(image.get(), given);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 24u);
  EXPECT_EQ(At(image, 0).rgbRed, 10);
  EXPECT_EQ(At(image, 2).rgbBlue, 250);

  Settings.DoImageColorCorrection = Settings.DoImageGreyscale = Settings.DoImageThreshold = 1;
  EXPECT_EQ(AdjustImageColors(Bitmap()).get(), nullptr);
  EXPECT_EQ(GreyscaleImage(Bitmap()).get(), nullptr);
  EXPECT_EQ(ThresholdImage(Bitmap()).get(), nullptr);
}

TEST_F(ColorAdjust, BrightnessContrastGammaAndInversionOnKnownLevels) {
  struct Case {
    int brightness, contrast;
    float gamma;
    byte invert;
    std::vector<int> expected;  // for the levels 0, 64, 100, 200, 255
  } cases[] = {
      {0, 0, 1.0f, 0, {0, 64, 100, 200, 255}},   // neutral: unchanged
      {50, 0, 1.0f, 0, {0, 96, 150, 255, 255}},  // scaled by 1.5, clipped
      {-50, 0, 1.0f, 0, {0, 32, 50, 100, 128}},  // halved (127.5 rounds up)
      {0, 50, 1.0f, 0, {0, 32, 86, 236, 255}},   // spread around 128
      {0, -100, 1.0f, 0, {128, 128, 128, 128, 128}},
      {0, 0, 2.0f, 0, {0, 128, 160, 226, 255}},  // 255 * (v / 255) ^ (1 / 2)
      {0, 0, 1.0f, 1, {255, 191, 155, 55, 0}},
      {50, 0, 1.0f, 1, {255, 159, 105, 0, 0}},  // inversion comes last
  };
  Settings.DoImageColorCorrection = 1;
  for (const Case& c : cases) {
    Settings.ImageBrightness = c.brightness;
    Settings.ImageContrast = c.contrast;
    Settings.ImageGamma = c.gamma;
    Settings.ImageInvert = c.invert;
    const std::string label = std::to_string(c.brightness) + "/" + std::to_string(c.contrast) +
                              "/" + std::to_string(c.gamma) + "/" + std::to_string(c.invert);
    Bitmap image = GreyRow({0, 64, 100, 200, 255});
    FIBITMAP* const given = image.get();
    const Bitmap result = AdjustImageColors(std::move(image));
    ASSERT_EQ(result.get(), given) << label;  // adjusted in place
    for (unsigned x = 0; x < 5; ++x) {
      RGBQUAD p = At(result, x);
      EXPECT_EQ(p.rgbRed, c.expected[x]) << label << " at " << x;
      EXPECT_EQ(p.rgbGreen, c.expected[x]) << label << " at " << x;
      EXPECT_EQ(p.rgbBlue, c.expected[x]) << label << " at " << x;
    }
  }
}

TEST_F(ColorAdjust, AdjustmentConvertsOddDepthsAndKeepsAlpha) {
  Settings.DoImageColorCorrection = 1;
  Settings.ImageInvert = 1;

  // 32 bits: colours inverted, alpha left alone.
  Bitmap image = AdjustImageColors(GreyRow({0, 100}, 32));
  ASSERT_NE(image.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 32u);
  EXPECT_EQ(At(image, 1).rgbRed, 155);
  EXPECT_EQ(At(image, 1).rgbReserved, 200);

  // 1 bit (black, white) becomes a 24-bit picture, then inverted.
  Bitmap mono(FreeImage_Allocate(2, 1, 1));
  RGBQUAD* palette = FreeImage_GetPalette(mono.get());
  palette[1].rgbRed = palette[1].rgbGreen = palette[1].rgbBlue = 255;
  BYTE white = 1;
  FreeImage_SetPixelIndex(mono.get(), 1, 0, &white);
  image = AdjustImageColors(std::move(mono));
  ASSERT_NE(image.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 24u);
  EXPECT_EQ(At(image, 0).rgbGreen, 255);
  EXPECT_EQ(At(image, 1).rgbGreen, 0);

  // 48 bits (16 per channel) become 24 bits, then inverted.
  Bitmap wide(FreeImage_AllocateT(FIT_RGB16, 1, 1));
  auto* px = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(wide.get(), 0));
  px->red = 0xFFFF;
  px->green = 0x6400;
  px->blue = 0;
  image = AdjustImageColors(std::move(wide));
  ASSERT_NE(image.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 24u);
  EXPECT_EQ(At(image, 0).rgbRed, 0);
  EXPECT_EQ(At(image, 0).rgbGreen, 155);
  EXPECT_EQ(At(image, 0).rgbBlue, 255);
}

TEST_F(ColorAdjust, GreyscaleGivesEightBitLuminance) {
  Settings.DoImageGreyscale = 1;
  Bitmap image(FreeImage_Allocate(3, 1, 24));
  RGBQUAD colours[] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {90, 90, 90, 0}};  // red, green, grey
  for (unsigned x = 0; x < 3; ++x) FreeImage_SetPixelColor(image.get(), x, 0, &colours[x]);
  Bitmap grey = GreyscaleImage(std::move(image));
  ASSERT_NE(grey.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(grey.get()), 8u);
  EXPECT_EQ(FreeImage_GetColorType(grey.get()), FIC_MINISBLACK);
  BYTE v[3];
  for (unsigned x = 0; x < 3; ++x) FreeImage_GetPixelIndex(grey.get(), x, 0, &v[x]);
  // Luminance weights green far above red; a grey stays its level.
  EXPECT_NEAR(v[0], 54, 1);
  EXPECT_NEAR(v[1], 182, 1);
  EXPECT_EQ(v[2], 90);

  // 48-bit input goes through a 24-bit conversion first.
  Bitmap wide(FreeImage_AllocateT(FIT_RGB16, 1, 1));
  auto* px = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(wide.get(), 0));
  px->red = px->green = px->blue = 0x5A00;
  grey = GreyscaleImage(std::move(wide));
  ASSERT_NE(grey.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(grey.get()), 8u);
  FreeImage_GetPixelIndex(grey.get(), 0, 0, &v[0]);
  EXPECT_EQ(v[0], 90);
}

TEST_F(ColorAdjust, ThresholdGivesOneBitUsingTheLowEightBitsOfTheLevel) {
  struct Case {
    int threshold;
    std::vector<int> expected;  // for the levels 0, 127, 128, 255
  } cases[] = {
      {128, {0, 0, 1, 1}}, {1, {0, 1, 1, 1}},
      {255, {0, 0, 0, 1}}, {256, {1, 1, 1, 1}},  // acts as 0
      {384, {0, 0, 1, 1}},                       // acts as 128
  };
  Settings.DoImageThreshold = 1;
  for (const Case& c : cases) {
    Settings.ImageThreshold = c.threshold;
    const Bitmap result = ThresholdImage(GreyRow({0, 127, 128, 255}));
    ASSERT_NE(result.get(), nullptr) << c.threshold;
    EXPECT_EQ(FreeImage_GetBPP(result.get()), 1u);
    // Index 0 is black, 1 white.
    const RGBQUAD* palette = FreeImage_GetPalette(result.get());
    EXPECT_EQ(palette[0].rgbRed + palette[0].rgbGreen + palette[0].rgbBlue, 0);
    EXPECT_EQ(palette[1].rgbRed + palette[1].rgbGreen + palette[1].rgbBlue, 3 * 255);
    for (unsigned x = 0; x < 4; ++x) {
      BYTE index = 9;
      FreeImage_GetPixelIndex(result.get(), x, 0, &index);
      EXPECT_EQ(index, c.expected[x]) << c.threshold << " at " << x;
    }
  }
}

TEST_F(ColorAdjust, GreyscaleThenThresholdGivesThresholdOfTheGreyPicture) {
  Settings.DoImageGreyscale = 1;
  Settings.DoImageThreshold = 1;
  Settings.ImageThreshold = 128;
  // Pure red is dark in luminance, pure green bright.
  Bitmap image(FreeImage_Allocate(2, 1, 24));
  RGBQUAD colours[] = {{0, 0, 255, 0}, {0, 255, 0, 0}};
  for (unsigned x = 0; x < 2; ++x) FreeImage_SetPixelColor(image.get(), x, 0, &colours[x]);
  const Bitmap result = ThresholdImage(GreyscaleImage(std::move(image)));
  ASSERT_NE(result.get(), nullptr);
  EXPECT_EQ(FreeImage_GetBPP(result.get()), 1u);
  BYTE red = 9, green = 9;
  FreeImage_GetPixelIndex(result.get(), 0, 0, &red);
  FreeImage_GetPixelIndex(result.get(), 1, 0, &green);
  EXPECT_EQ(red, 0);
  EXPECT_EQ(green, 1);
}

}  // namespace
