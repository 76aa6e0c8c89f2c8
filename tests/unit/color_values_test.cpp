#include <gtest/gtest.h>

#include <utility>

#include "canvas/ColorValues.h"
#include "lang/LanguageTable.h"

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
  const std::pair<const char*, const char*> cases[] = {
      {"ff8000", "Orange"},        {"C0C0C0", "Silver"},        {"8000ff", "Violet"},
      {"12ab34", "Color #12AB34"}, {"ff8001", "Color #FF8001"},
  };
  for (const auto& [text, name] : cases) EXPECT_EQ(ColorDisplayName(text), name) << text;
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
