#include "lang/LanguageTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lang/LanguageData.h"
#include "platform/Text.h"

namespace {

const char kNoString[] = "%NO_STRING_ERROR%";
const char kSeparator = '\x01';

struct LanguageGroup {
  std::string Name;  // upper case
  std::int32_t GroupStart = 0;
  std::int32_t GroupEnd = -1;  // below GroupStart when the group has no entries
  // For each first character, the group's first entry starting with it (0: none).
  std::array<std::int32_t, 256> IndexTable{};
};

// Records and entries are numbered from 1; slot 0 exists and is never used,
// so 0 can mean "none" in IndexTable and in the remembered group.
std::vector<LanguageGroup> Groups(1);
std::vector<std::string> LanguageNames(1);
std::vector<std::string> LanguageStrings(1);
std::int32_t GroupCount = 0;
std::int32_t StringCount = 0;
std::int32_t RememberedGroup = 0;

// Keys and group names are ASCII; bytes of other text stay as they are, so a
// non-ASCII or malformed name can simply never match.
std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Walks the zero-terminated texts of the data in pairs.
class PairReader {
 public:
  PairReader(const char* data, std::size_t size) : data_(data), size_(size) {}

  // False at "_END_" or when the bytes run out before a whole pair.
  bool Next(std::string& key, std::string& text) {
    if (!ReadText(key) || !ReadText(text)) return false;
    key = AsciiUpper(key);
    return key != "_END_";
  }

 private:
  bool ReadText(std::string& out) {
    if (data_ == nullptr || pos_ >= size_) return false;
    const void* zero = std::memchr(data_ + pos_, '\0', size_ - pos_);
    if (zero == nullptr) return false;
    std::size_t end = static_cast<std::size_t>(static_cast<const char*>(zero) - data_);
    out.assign(data_ + pos_, end - pos_);
    pos_ = end + 1;
    return true;
  }

  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace

void BuildLanguageTableFrom(const char* data, std::size_t size) {
  std::string key, text;

  std::int32_t groups = 0, strings = 0;
  for (PairReader reader(data, size); reader.Next(key, text);) {
    if (key == "_GROUP_")
      ++groups;
    else
      ++strings;
  }

  GroupCount = groups;
  StringCount = strings;
  Groups.assign(static_cast<std::size_t>(GroupCount) + 1, LanguageGroup());
  LanguageNames.assign(static_cast<std::size_t>(StringCount) + 1, std::string());
  LanguageStrings.assign(static_cast<std::size_t>(StringCount) + 1, std::string());
  RememberedGroup = 0;

  std::int32_t g = 0, n = 0;
  for (PairReader reader(data, size); reader.Next(key, text);) {
    if (key == "_GROUP_") {
      Groups[g].GroupEnd = n;
      ++g;
      Groups[g].Name = AsciiUpper(text);
      Groups[g].GroupStart = n + 1;
      Groups[g].IndexTable.fill(0);
    } else if (g == 0) {
      // Entries before the first group belong to no group: keep their slot
      // (the counting pass made room for them) but never index them.
      ++n;
    } else {
      ++n;
      LanguageNames[n] = key + kSeparator + text;
    }
  }
  Groups[g].GroupEnd = n;

  for (std::int32_t k = 1; k <= GroupCount; ++k) {
    LanguageGroup& group = Groups[k];
    if (group.GroupStart > group.GroupEnd) continue;
    // Byte order equals character-code order for the ASCII keys, and the
    // separator (code 1) puts a key before every longer key it begins.
    std::sort(LanguageNames.begin() + group.GroupStart, LanguageNames.begin() + group.GroupEnd + 1);
    unsigned char last = 0;
    for (std::int32_t i = group.GroupStart; i <= group.GroupEnd; ++i) {
      std::string& combined = LanguageNames[i];
      std::size_t cut = combined.find(kSeparator);
      LanguageStrings[i] = combined.substr(cut + 1);
      combined.resize(cut);
      unsigned char first = combined.empty() ? 0 : static_cast<unsigned char>(combined[0]);
      if (first != last) {
        last = first;
        group.IndexTable[first] = i;
      }
    }
  }
}

void BuildLanguageTable() { BuildLanguageTableFrom(LanguageData, LanguageDataSize); }

std::string LanguageText(const std::string& group, const std::string& key) {
  const std::string upperGroup = AsciiUpper(group);
  const std::string upperKey = AsciiUpper(key);
  std::string result = kNoString;

  if (RememberedGroup < 0 || RememberedGroup > GroupCount ||
      Groups[RememberedGroup].Name != upperGroup) {
    RememberedGroup = 0;
    for (std::int32_t k = 1; k <= GroupCount; ++k) {
      if (Groups[k].Name == upperGroup) {
        RememberedGroup = k;
        break;
      }
    }
  }
  if (RememberedGroup == 0 || upperKey.empty()) return result;

  // A UTF-8 lead byte stands for a character beyond the 256 indexed codes.
  const unsigned char first = static_cast<unsigned char>(upperKey[0]);
  if (first >= 0x80) return result;

  const LanguageGroup& found = Groups[RememberedGroup];
  for (std::int32_t i = found.IndexTable[first]; i != 0 && i <= found.GroupEnd; ++i) {
    int order = upperKey.compare(LanguageNames[i]);
    if (order == 0) return LanguageStrings[i];
    if (order < 0) break;
  }
  return result;
}

std::string FillPlaceholders(const std::string& text, const std::string& s1, const std::string& s2,
                             const std::string& s3, const std::string& s4) {
  if (text.empty()) return text;
  const std::string* arguments[] = {&s1, &s2, &s3, &s4};
  std::string result = text;
  for (int k = 0; k < 4; ++k) {
    if (arguments[k]->empty()) continue;
    result = ReplaceAll(result, "%s" + std::to_string(k + 1) + "%", *arguments[k], true);
  }
  return result;
}
