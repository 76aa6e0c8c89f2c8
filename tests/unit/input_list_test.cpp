#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/InputList.h"

namespace {

// The bucket rule written out again here, over explicit UTF-16 code units, so
// the map's own conversion and arithmetic are checked rather than reused.
std::uint32_t ExpectedBucket(const std::u16string& units) {
  std::uint64_t h = 0;
  for (char16_t c : units) h = (h * 65599u + c) & 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(h % 512u);
}

std::u16string AsciiUnits(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::vector<std::string> IterationKeys(InputListMap& map) {
  std::vector<std::string> keys;
  std::string key;
  InputElement element;
  map.Reset();
  while (map.Next(key, element)) keys.push_back(key);
  return keys;
}

}  // namespace

TEST(InputList, BucketOfFollowsTheMultiplicativeHash) {
  EXPECT_EQ(InputListMap::BucketOf(""), 0u);
  EXPECT_EQ(InputListMap::BucketOf("a"), 97u);
  EXPECT_EQ(InputListMap::BucketOf("ab"), 65u);  // (97 * 65599 + 98) mod 512
  // Long keys wrap around 32 bits.
  const std::string longKey = "/home/user/pictures/2024/holiday/IMG_0001.hdr";
  EXPECT_EQ(InputListMap::BucketOf(longKey), ExpectedBucket(AsciiUnits(longKey)));
  // Non-ASCII text hashes its UTF-16 units: e-acute is one unit, the G clef two.
  const std::string accented = "/\xC3\xA9t\xC3\xA9/\xF0\x9D\x84\x9E.hdr";
  const std::u16string units = {u'/',   0x00E9, u't', 0x00E9, u'/', 0xD834,
                                0xDD1E, u'.',   u'h', u'd',   u'r'};
  EXPECT_EQ(InputListMap::BucketOf(accented), ExpectedBucket(units));
}

TEST(InputList, IteratesBucketsInOrderAndNewestFirstWithinABucket) {
  // Find three keys sharing one bucket, plus others elsewhere.
  std::vector<std::string> same;
  std::uint32_t shared = 0;
  for (int i = 0; same.size() < 3; ++i) {
    std::string key = "/in/file" + std::to_string(i) + ".hdr";
    std::uint32_t b = ExpectedBucket(AsciiUnits(key));
    if (same.empty()) shared = b;
    if (b == shared) same.push_back(key);
  }
  std::vector<std::string> inserted = {"/z.hdr", same[0], "/a.hdr", same[1], "/m/q.hdr", same[2]};

  InputListMap map;
  for (const std::string& key : inserted) map.Element(key).Present = 1;
  ASSERT_EQ(map.Size(), inserted.size());

  // Expected: by bucket ascending, later insertions first within a bucket.
  std::vector<size_t> order(inserted.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    std::uint32_t bx = ExpectedBucket(AsciiUnits(inserted[x]));
    std::uint32_t by = ExpectedBucket(AsciiUnits(inserted[y]));
    return bx != by ? bx < by : x > y;
  });
  std::vector<std::string> expected;
  for (size_t i : order) expected.push_back(inserted[i]);
  EXPECT_EQ(IterationKeys(map), expected);

  // The shared bucket holds its three keys newest first.
  auto pos = [&](const std::string& k) {
    auto keys = IterationKeys(map);
    return std::find(keys.begin(), keys.end(), k) - keys.begin();
  };
  EXPECT_EQ(pos(same[1]), pos(same[2]) + 1);
  EXPECT_EQ(pos(same[0]), pos(same[1]) + 1);
}

TEST(InputList, ElementLookupIsExactAndCaseSensitive) {
  InputListMap map;
  InputElement& first = map.Element("/in/Sky.hdr");
  first.Present = 1;
  first.RelativeFolder = "a/";
  // The same key gives the same element; another spelling gives a new one.
  EXPECT_EQ(&map.Element("/in/Sky.hdr"), &first);
  EXPECT_EQ(map.Element("/in/sky.hdr").Present, 0);
  EXPECT_EQ(map.Size(), 2u);
  ASSERT_NE(map.Find("/in/Sky.hdr"), nullptr);
  EXPECT_EQ(map.Find("/in/Sky.hdr")->RelativeFolder, "a/");
  EXPECT_EQ(map.Find("/in/SKY.hdr"), nullptr);

  EXPECT_TRUE(map.Remove("/in/Sky.hdr"));
  EXPECT_FALSE(map.Remove("/in/Sky.hdr"));
  EXPECT_EQ(map.Find("/in/Sky.hdr"), nullptr);
  EXPECT_EQ(IterationKeys(map), std::vector<std::string>{"/in/sky.hdr"});

  map.Clear();
  EXPECT_EQ(map.Size(), 0u);
  EXPECT_TRUE(IterationKeys(map).empty());
}

TEST(InputList, IterationCopiesElementFieldsAndEndsCleanly) {
  InputListMap map;
  map.Element("/x/b.hdr") = {1, "deep/er/"};
  map.Element("/x/a.hdr") = {1, ""};
  std::string key;
  InputElement element;
  map.Reset();
  int seen = 0;
  while (map.Next(key, element)) {
    ++seen;
    EXPECT_EQ(element.RelativeFolder, key == "/x/b.hdr" ? "deep/er/" : "");
  }
  EXPECT_EQ(seen, 2);
  // Past the end it stays at the end until reset.
  EXPECT_FALSE(map.Next(key, element));
  map.Reset();
  EXPECT_TRUE(map.Next(key, element));
}
