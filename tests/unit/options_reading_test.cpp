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

TEST(Keywords, ParseWordsOfEachList) {
  struct Case {
    int list;
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {0, "rgba", 2},
      {1, "48HS", 4},
      {1, "48", 5},
      {1, "8", 1},
      {2, "Random", 4},
      {3, "gd", 4},
      {4, "zlib9", 3},
      {4, "pxr24", 3},
      {4, "ZIP", 1},
      {4, "logluv", 8},
      {4, "adobedeflate", 5},
      {5, "exact", 1},
      {6, "lab", 2},
      {7, "high", 3},
      {8, "progressive", 3},
      {9, "advanced", 1},
      {10, "percent", 1},
      {11, "largeimages", 1},
      {12, "lanczos", 5},
      {12, "Lanczos3", 0},
      {12, "bicubic", 3},
      {15, "bolditalic", 3},
      {16, "strikethrought", 2},
      {16, "strikethrough", 0},
      {17, "center", 1},
      {18, "frame", 1},
      {19, "bottomright", 8},
      {19, "MiddleCenter", 4},
      {20, "fixed", 0},
      {21, "custom", 2},
      {21, "original", 1},
      // Lists 13 and 14 only name numbers.
      {13, "solid", 0},
      {14, "image", 0},
      // Unknown words and lists.
      {19, "bottom right", 0},
      {12, "", 0},
      {22, "AUTO", 0},
      {-1, "AUTO", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseKeyword(c.list, c.text), c.expected) << c.list << " '" << c.text << "'";
}

TEST(Keywords, NamesPrintTheFirstWordOfANumber) {
  const char* compression[] = {"NONE",         "RLE", "PIZ",  "PXR24", "B44",
                               "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"};
  for (int n = 0; n <= 8; ++n) EXPECT_EQ(KeywordName(4, n), compression[n]) << n;
  EXPECT_EQ(KeywordName(4, 9), "");
  EXPECT_EQ(KeywordName(13, 1), "SOLID");
  EXPECT_EQ(KeywordName(14, 2), "IMAGE");
  EXPECT_EQ(KeywordName(20, 0), "FIXED");
  EXPECT_EQ(KeywordName(20, 1), "");
  EXPECT_EQ(KeywordName(19, 8), "BOTTOMRIGHT");
  EXPECT_EQ(KeywordName(1, 4), "48HS");
  EXPECT_EQ(KeywordName(12, -1), "");
  EXPECT_EQ(KeywordName(22, 0), "");
  // Every named number parses back to itself.
  for (int list = 0; list < KeywordListCount; ++list) {
    if (list == 13 || list == 14) continue;
    for (int n = 0; n < 10; ++n) {
      std::string word = KeywordName(list, n);
      if (!word.empty()) {
        EXPECT_EQ(ParseKeyword(list, word), n) << list << " " << word;
      }
    }
  }
}
