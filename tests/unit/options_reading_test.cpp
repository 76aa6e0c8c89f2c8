// Number and keyword readings of option values.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "settings/Keywords.h"
#include "settings/OptionTable.h"

TEST(ReadInteger, ReadsDecimalHexAndBinaryPrefixes) {
  struct Case {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"95", 95},
      {"$5F", 95},
      {"$5f", 95},
      {"%1011", 11},
      {"-$10", -16},
      {"+%11", 3},
      {"24abc", 24},
      {"  \t 42", 42},
      {"-50", -50},
      {"+7", 7},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"$", 0},
      {"$G1", 0},
      {"%2", 0},
      {"1,5", 1},
      {"12 34", 12},
      {" - 5", 0},  // the sign must touch the digits
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", std::numeric_limits<std::int32_t>::min()},  // low 32 bits
      {"4294967295", -1},
      {"4294967296", 0},
      {"4294967301", 5},
      {"$FFFFFFFF", -1},
      {"$1FFFFFFFF", -1},
      {"$123456789ABCDEF0123", static_cast<std::int32_t>(0xCDEF0123u)},
      // Far beyond 64 bits: wraps without failing and keeps the low bits of the wrapped value.
      {"12345678901234567890123", 0x714244CB},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadInteger(c.text), c.expected) << "'" << c.text << "'";
}

TEST(ReadReal, ReadsDecimalPointNumbersAndSpecialWords) {
  struct Case {
    const char* text;
    float expected;
  } cases[] = {
      {"1.5", 1.5f},    {"1,5", 1.0f},      {"-2.25", -2.25f}, {"+0.5", 0.5f}, {".25", 0.25f},
      {"3.", 3.0f},     {"2.2abc", 2.2f},   {"abc", 0.0f},     {"", 0.0f},     {".", 0.0f},
      {"-", 0.0f},      {"1e2", 100.0f},    {"1e", 1.0f},      {"1e+", 1.0f},  {"  0.75", 0.75f},
      {"1e-999", 0.0f}, {"Infinity", 0.0f},  // only the signed words are special
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(ReadReal(c.text), c.expected) << "'" << c.text << "'";

  EXPECT_EQ(ReadReal("+Infinity"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ReadReal("+infinity"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ReadReal("-INFINITY"), -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(ReadReal("NaN")));
  EXPECT_TRUE(std::isnan(ReadReal("nan")));
  // Too large for a float becomes infinity instead of an undefined conversion.
  EXPECT_EQ(ReadReal("1e39"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ReadReal("-1e400"), -std::numeric_limits<float>::infinity());
}

TEST(ReadReal, IgnoresTheLocaleDecimalSeparator) {
  // A locale with a decimal comma must not change how "." numbers read.
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
  for (const char* name : names)
    if (std::setlocale(LC_ALL, name)) break;
  EXPECT_FLOAT_EQ(ReadReal("2.5"), 2.5f);
  EXPECT_FLOAT_EQ(ReadReal("2,5"), 2.0f);
  std::setlocale(LC_ALL, "C");
}

using K = KeywordList;

TEST(Keywords, ParseWordsOfEachList) {
  struct Case {
    KeywordList list;
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {K::DdsLoadAs, "rgba", 2},
      {K::RawLoadAs, "48HS", 4},
      {K::RawLoadAs, "48", 5},
      {K::RawLoadAs, "8", 1},
      {K::FrameLoading, "Random", 4},
      {K::RawToneMapping, "gd", 4},
      {K::Compression, "zlib9", 3},
      {K::Compression, "pxr24", 3},
      {K::Compression, "ZIP", 1},
      {K::Compression, "logluv", 8},
      {K::Compression, "adobedeflate", 5},
      {K::BmpColorTable, "exact", 1},
      {K::TiffColorModel, "lab", 2},
      {K::JpgChroma, "high", 3},
      {K::JpgSaveAs, "progressive", 3},
      {K::RotationType, "advanced", 1},
      {K::Unit, "percent", 1},
      {K::ResizeType, "largeimages", 1},
      {K::ResizeAlgorithm, "lanczos", 5},
      {K::ResizeAlgorithm, "Lanczos3", 0},
      {K::ResizeAlgorithm, "bicubic", 3},
      {K::FontStyle, "bolditalic", 3},
      {K::FontEffect, "strikethrought", 2},
      {K::FontEffect, "strikethrough", 0},
      {K::TextAlignment, "center", 1},
      {K::Boundary, "frame", 1},
      {K::Position, "bottomright", 8},
      {K::Position, "MiddleCenter", 4},
      {K::SizeMode, "fixed", 0},
      {K::Timestamp, "custom", 2},
      {K::Timestamp, "original", 1},
      // The frame and watermark type lists only name numbers.
      {K::FrameType, "solid", 0},
      {K::WatermarkType, "image", 0},
      // Unknown words and lists.
      {K::Position, "bottom right", 0},
      {K::ResizeAlgorithm, "", 0},
      {static_cast<KeywordList>(22), "AUTO", 0},
      {static_cast<KeywordList>(-1), "AUTO", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseKeyword(c.list, c.text), c.expected)
        << static_cast<int>(c.list) << " '" << c.text << "'";
}

TEST(Keywords, NamesPrintTheFirstWordOfANumber) {
  const char* compression[] = {"NONE",         "RLE", "PIZ",  "PXR24", "B44",
                               "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"};
  for (int n = 0; n <= 8; ++n) EXPECT_EQ(KeywordName(K::Compression, n), compression[n]) << n;
  EXPECT_EQ(KeywordName(K::Compression, 9), "");
  EXPECT_EQ(KeywordName(K::FrameType, 1), "SOLID");
  EXPECT_EQ(KeywordName(K::WatermarkType, 2), "IMAGE");
  EXPECT_EQ(KeywordName(K::SizeMode, 0), "FIXED");
  EXPECT_EQ(KeywordName(K::SizeMode, 1), "");
  EXPECT_EQ(KeywordName(K::Position, 8), "BOTTOMRIGHT");
  EXPECT_EQ(KeywordName(K::RawLoadAs, 4), "48HS");
  EXPECT_EQ(KeywordName(K::ResizeAlgorithm, -1), "");
  EXPECT_EQ(KeywordName(static_cast<KeywordList>(22), 0), "");
  // Every named number parses back to itself.
  for (int index = 0; index < KeywordListCount; ++index) {
    const auto list = static_cast<KeywordList>(index);
    if (list == K::FrameType || list == K::WatermarkType) continue;
    for (int n = 0; n < 10; ++n) {
      std::string word = KeywordName(list, n);
      if (!word.empty()) {
        EXPECT_EQ(ParseKeyword(list, word), n) << index << " " << word;
      }
    }
  }
}
