#include <gtest/gtest.h>

#include "lang/LanguageTable.h"
#include "pipeline/ColorValues.h"

TEST(ColorValues, ParsesSixDigitsInEitherCaseAndOtherwiseBlack) {
  struct Case {
    const char* text;
    std::uint32_t rgb;
  } cases[] = {
      {"FF8000", 0x0080FFu}, {"ff8000", 0x0080FFu}, {"#FF8000", 0u},       {"", 0u},
      {"1G0000", 1u},        {"G10000", 0u},        {"0000FF", 0xFF0000u},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseColorRGB(c.text), c.rgb) << c.text;
}

TEST(ColorValues, AlphaGoesToTheTopByteKeepingItsLowBits) {
  EXPECT_EQ(ParseColorRGBA("FFFFFF", 255), 4294967295u);
  EXPECT_EQ(ParseColorRGBA("000000", 0), 0u);
  EXPECT_EQ(ParseColorRGBA("010203", 256 + 7), 0x07030201u);
}

TEST(ColorValues, FormatsUpperCasePaddedHex) {
  EXPECT_EQ(FormatColorHex(10u + 0u * 256u + 255u * 65536u), "0A00FF");
  EXPECT_EQ(FormatColorHex(ParseColorRGBA("abcdef", 9)), "ABCDEF");
}

TEST(ColorValues, NamesKnownColoursAndLabelsOthers) {
  BuildLanguageTable();
  EXPECT_EQ(ColorDisplayName("ff8000"), LanguageText("Preferences", "Orange"));
  EXPECT_EQ(ColorDisplayName("12ab34"), LanguageText("Preferences", "Color") + " #12AB34");
}

TEST(ColorValues, SwatchIsSolid24Bit) {
  FIBITMAP* s = ColorSwatch(ParseColorRGB("FF8000"), 34, 12);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(FreeImage_GetBPP(s), 24u);
  EXPECT_EQ(FreeImage_GetWidth(s), 34u);
  RGBQUAD px;
  FreeImage_GetPixelColor(s, 33, 11, &px);
  EXPECT_EQ(px.rgbRed, 255);
  EXPECT_EQ(px.rgbGreen, 128);
  EXPECT_EQ(px.rgbBlue, 0);
  FreeImage_Unload(s);
  EXPECT_EQ(ColorSwatch(0, 0, 5), nullptr);
}
