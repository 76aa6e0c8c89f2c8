#include "platform/Text.h"

#include <glib.h>

#include <algorithm>
#include <cctype>

std::u16string Utf16Units(const std::string& utf8) {
  std::u16string out;
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c >> 5) == 6) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c >> 4) == 14) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c >> 3) == 30) {
      cp = c & 0x07;
      len = 4;
    } else {
      out.push_back(0xFFFD);  // stray byte
      ++i;
      continue;
    }
    if (i + len > n) {
      out.push_back(0xFFFD);
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
      if ((cc >> 6) != 2) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

namespace {
std::string MapCase(const std::string& text, bool upper) {
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    std::string out = text;
    for (char& c : out)
      c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                  : std::tolower(static_cast<unsigned char>(c)));
    return out;
  }
  gchar* mapped = upper ? g_utf8_strup(text.data(), static_cast<gssize>(text.size()))
                        : g_utf8_strdown(text.data(), static_cast<gssize>(text.size()));
  std::string out(mapped);
  g_free(mapped);
  return out;
}
}  // namespace

std::string UpperCase(const std::string& text) { return MapCase(text, true); }
std::string LowerCase(const std::string& text) { return MapCase(text, false); }

std::string TitleCase(const std::string& text) {
  if (text.empty()) return text;
  size_t firstLength = 1;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
    firstLength = static_cast<size_t>(g_utf8_next_char(text.data()) - text.data());
  return UpperCase(text.substr(0, firstLength)) + LowerCase(text.substr(firstLength));
}

std::string TrimBlanks(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string ReplaceAll(const std::string& text, const std::string& pattern, const std::string& with,
                       bool ignoreCase) {
  if (pattern.empty()) return text;
  auto eq = [&](char a, char b) {
    return ignoreCase ? std::tolower(static_cast<unsigned char>(a)) ==
                            std::tolower(static_cast<unsigned char>(b))
                      : a == b;
  };
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (i + pattern.size() <= text.size() &&
        std::equal(pattern.begin(), pattern.end(), text.begin() + static_cast<long>(i), eq)) {
      out += with;
      i += pattern.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}
