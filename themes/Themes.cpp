#include "themes/Themes.h"

#include <dirent.h>

#include <algorithm>

#include "platform/Files.h"
#include "settings/Settings.h"
#include "themes/ThemeArchive.h"

std::map<std::string, std::string> ThemeList;

namespace {

std::string themeFolder;

std::string AsciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string TrimSet(const std::string& text, const char* set) {
  const auto first = text.find_first_not_of(set);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(set) - first + 1);
}

std::string ArchivePath(const std::string& key) { return ThemeFolder() + key + ".zip"; }

// Stops a picture far larger than an icon before anything decodes it: a few
// hundred bytes of PNG can state a size that takes gigabytes to unpack.
const char* PictureRefusal(const std::string& bytes) {
  std::uint32_t width = 0, height = 0;
  if (PngDimensions(bytes, width, height) && (width > MaxIconSide || height > MaxIconSide))
    return "picture too large";
  return nullptr;
}

void ReadSet(const ThemeArchive& archive, const std::string& cfg, const char* section,
             const char* const* names, int count, int size,
             std::map<std::string, std::string>& pictures,
             std::map<std::string, std::string>& refused) {
  for (int i = 0; i < count; ++i) {
    const std::string value = IniValue(cfg, section, names[i]);
    if (value.empty()) continue;
    const std::string file = ThemePictureName(value, size);
    if (!archive.Has(file)) continue;
    std::string bytes = archive.Extract(file);
    if (const char* reason = PictureRefusal(bytes))
      refused[file] = reason;
    else
      pictures[names[i]] = std::move(bytes);
  }
}

}  // namespace

std::string IniValue(const std::string& text, const std::string& group, const std::string& key) {
  const std::string lower = AsciiLower(text);
  const std::string header = "[" + AsciiLower(group) + "]";
  const auto at = lower.find(header);
  if (at == std::string::npos) return "";
  const std::size_t body = at + header.size();
  std::size_t end = lower.find('[', body);
  if (end == std::string::npos) end = lower.size();
  const auto line = lower.find("\r\n" + AsciiLower(key), body);
  if (line == std::string::npos || line >= end) return "";
  const std::size_t start = line + 2;
  std::size_t stop = text.find("\r\n", start);
  if (stop == std::string::npos) stop = text.size();
  const std::string content = text.substr(start, stop - start);
  const auto equals = content.find('=');
  if (equals == std::string::npos) return "";
  const auto second = content.find('=', equals + 1);
  const std::string field = content.substr(
      equals + 1, second == std::string::npos ? std::string::npos : second - equals - 1);
  return TrimSet(TrimSet(field, " "), "\t\r\n");
}

std::string ThemeFolder() { return themeFolder.empty() ? ProgramFolder() + "gfx/" : themeFolder; }

void SetThemeFolder(const std::string& folder) { themeFolder = folder; }

void ScanThemes() {
  ThemeList.clear();
  DIR* dir = opendir(ThemeFolder().c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= 4 || AsciiLower(name.substr(name.size() - 4)) != ".zip") continue;
    if (!IsRegularFile(ThemeFolder() + name)) continue;
    const std::string key = name.substr(0, name.size() - 4);
    ThemeList[key] = ThemeDisplayName(key);
  }
  closedir(dir);
}

std::string ThemeDisplayName(const std::string& key) {
  // Only theme.cfg is inflated: listing the themes must not cost what the
  // pictures of every archive would.
  ThemeArchive archive;
  if (!IsRegularFile(ArchivePath(key)) || !archive.OpenOne(ArchivePath(key), "theme.cfg") ||
      !archive.Has("theme.cfg"))
    return key;
  const std::string name = IniValue(archive.Extract("theme.cfg"), "Theme", "Name");
  return name.empty() ? key : name;
}

int IconPixelSize(int uiSize) {
  switch (uiSize) {
    case 1:
      return 24;
    case 2:
      return 32;
    case 3:
      return 48;
    case 4:
      return 64;
    default:
      return 16;
  }
}

std::string ThemePictureName(const std::string& value, int size) {
  if (AsciiLower(value).find(".png") != std::string::npos) return value;
  return value + "_" + std::to_string(size) + ".png";
}

ThemePictures LoadTheme(bool buttons, bool menu, bool toolbar) {
  ThemePictures pictures;
  std::string path = ArchivePath(Settings.UITheme);
  if (!IsRegularFile(path) && !ThemeList.empty()) {
    Settings.UITheme = ThemeList.begin()->first;
    path = ArchivePath(Settings.UITheme);
  }
  ThemeArchive archive;
  if (!IsRegularFile(path) || !archive.Open(path)) return pictures;
  const std::string cfg = archive.Extract("theme.cfg");
  if (buttons)
    ReadSet(archive, cfg, "Buttons", ButtonIconNames, 3, 16, pictures.buttons, pictures.refused);
  if (menu) ReadSet(archive, cfg, "Icons", MenuIconNames, 22, 16, pictures.menu, pictures.refused);
  if (toolbar)
    ReadSet(archive, cfg, "Icons", MenuIconNames, 22, IconPixelSize(Settings.UISize),
            pictures.toolbar, pictures.refused);
  return pictures;
}
