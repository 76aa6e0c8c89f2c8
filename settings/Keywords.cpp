#include "settings/Keywords.h"

#include <vector>

#include "platform/Text.h"

namespace {

struct Keyword {
  const char* word;
  std::int32_t number;
};

using Words = std::vector<Keyword>;

bool Exists(KeywordList list) {
  const int index = static_cast<int>(list);
  return index >= 0 && index < KeywordListCount;
}

// In the order of KeywordList. Most lists number their words by position; the
// compression list joins the words of several formats, so every word carries
// its own number.
const Words& List(KeywordList list) {
  static const Words lists[KeywordListCount] = {
      {{"AUTO", 0}, {"BGRA", 1}, {"RGBA", 2}},
      {{"AUTO", 0}, {"8", 1}, {"16", 2}, {"24", 3}, {"48HS", 4}, {"48", 5}},
      {{"ALL", 0}, {"FIRST", 1}, {"MIDDLE", 2}, {"LAST", 3}, {"RANDOM", 4}},
      {{"NONE", 0}, {"LINEAR", 1}, {"AL", 2}, {"DRR", 3}, {"GD", 4}},
      {{"NONE", 0},
       {"RLE", 1},
       {"ZIP", 1},
       {"PIZ", 2},
       {"PXR24", 3},
       {"B44", 4},
       {"ZLIB1", 1},
       {"ZLIB6", 2},
       {"ZLIB9", 3},
       {"CCITTFAX3", 1},
       {"CCITTFAX4", 2},
       {"PACKBITS", 3},
       {"DEFLATE", 4},
       {"ADOBEDEFLATE", 5},
       {"LZW", 6},
       {"JPEG", 7},
       {"LOGLUV", 8}},
      {{"AUTO", 0}, {"EXACT", 1}},
      {{"RGB", 0}, {"CMYK", 1}, {"LAB", 2}},
      {{"NONE", 0}, {"LOW", 1}, {"MEDIUM", 2}, {"HIGH", 3}},
      {{"STANDARD", 0}, {"SIMPLE", 1}, {"OPTIMIZED", 2}, {"PROGRESSIVE", 3}},
      {{"SIMPLE", 0}, {"ADVANCED", 1}},
      {{"PIXELS", 0}, {"PERCENT", 1}},
      {{"ALLIMAGES", 0}, {"LARGEIMAGES", 1}},
      {{"BOX", 0},
       {"BILINEAR", 1},
       {"BSPLINE", 2},
       {"BICUBIC", 3},
       {"CATMULLROM", 4},
       {"LANCZOS", 5}},
      {{"NONE", 0}, {"SOLID", 1}},
      {{"NONE", 0}, {"TEXT", 1}, {"IMAGE", 2}},
      {{"REGULAR", 0}, {"BOLD", 1}, {"ITALIC", 2}, {"BOLDITALIC", 3}},
      {{"NONE", 0}, {"UNDERLINE", 1}, {"STRIKETHROUGHT", 2}},
      {{"LEFT", 0}, {"CENTER", 1}, {"RIGHT", 2}},
      {{"IMAGE", 0}, {"FRAME", 1}},
      {{"TOPLEFT", 0},
       {"TOPCENTER", 1},
       {"TOPRIGHT", 2},
       {"MIDDLELEFT", 3},
       {"MIDDLECENTER", 4},
       {"MIDDLERIGHT", 5},
       {"BOTTOMLEFT", 6},
       {"BOTTOMCENTER", 7},
       {"BOTTOMRIGHT", 8}},
      {{"FIXED", 0}},
      {{"CURRENT", 0}, {"ORIGINAL", 1}, {"CUSTOM", 2}},
  };
  return lists[static_cast<int>(list)];
}

}  // namespace

std::int32_t ParseKeyword(KeywordList list, const std::string& text) {
  // These lists only name stored numbers; no option reads them.
  if (!Exists(list) || list == KeywordList::FrameType || list == KeywordList::WatermarkType)
    return 0;
  const std::string upper = UpperCase(text);
  for (const Keyword& k : List(list))
    if (upper == k.word) return k.number;
  return 0;
}

std::string KeywordName(KeywordList list, std::int32_t number) {
  if (!Exists(list)) return "";
  for (const Keyword& k : List(list))
    if (k.number == number) return k.word;
  return "";
}
