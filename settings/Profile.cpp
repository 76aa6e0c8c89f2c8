#include "settings/Profile.h"

#include <glib.h>

#include <utility>
#include <vector>

#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "settings/ColorWarning.h"
#include "settings/OptionTable.h"

namespace {

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-8 after a byte-order mark (broken sequences become U+FFFD), else ISO-8859-1.
std::string DecodeProfile(const std::string& bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    std::string body = bytes.substr(3);
    if (g_utf8_validate(body.data(), static_cast<gssize>(body.size()), nullptr)) return body;
    gchar* valid = g_utf8_make_valid(body.data(), static_cast<gssize>(body.size()));
    std::string out(valid);
    g_free(valid);
    return out;
  }
  return Latin1ToUtf8(bytes);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string TrimLeft(const std::string& s, const char* set) {
  size_t b = s.find_first_not_of(set);
  return b == std::string::npos ? "" : s.substr(b);
}

std::string TrimRight(const std::string& s, const char* set) {
  size_t e = s.find_last_not_of(set);
  return e == std::string::npos ? "" : s.substr(0, e + 1);
}

bool IsCliGroup(const std::string& name) {
  if (name.size() != 3) return false;
  for (size_t i = 0; i < 3; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != "CLI"[i]) return false;
  }
  return true;
}

void ApplyEntry(const std::string& key, const std::string& rawValue, const std::string& path,
                std::vector<std::string>* warnings) {
  std::string name = UpperCase(key);
  // The frame opacity has its own key in profiles; the command-line name is not one.
  if (name == "--FR-SOLID-OPACITY") return;
  // A shared recipe must not quietly turn every run that uses it into a rehearsal.
  if (name == "--DRY-RUN") return;
  if (name == "--WM-SOLID-OPACITY") name = "--FR-SOLID-OPACITY";
  std::string value = rawValue;
  switch (FindOption(name)) {
    case OptionKind::None:
      return;
    case OptionKind::Text:
      if (name == "--FILENAME-MASK") {
        value = TrimLeft(TrimRight(value, "\""), "\"");
      } else {
        value = TrimBlanks(value);
      }
      break;
    default:
      break;
  }
  ApplyOption(name, value);
  if (warnings) {
    std::string warning = ColorWarning(name, value, " in profile " + path);
    if (!warning.empty()) warnings->push_back(std::move(warning));
  }
}

}  // namespace

byte LoadProfile(const std::string& path, std::vector<std::string>* warnings) {
  if (path.empty()) return 0;
  std::string bytes;
  if (!ReadRegularFile(path, MaxProfileBytes, bytes)) return 0;

  enum { Before, Inside, After } where = Before;
  for (const std::string& rawLine : SplitLines(DecodeProfile(bytes))) {
    std::string line = TrimLeft(rawLine, " \t");
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string group =
          line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      if (where == Inside) {
        where = After;
      } else if (where == Before && IsCliGroup(group)) {
        where = Inside;
      }
      continue;
    }
    if (where != Inside) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // not an entry
    ApplyEntry(TrimRight(line.substr(0, eq), " \t"), TrimLeft(line.substr(eq + 1), " \t"), path,
               warnings);
  }
  return 1;
}
