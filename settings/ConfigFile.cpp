#include "settings/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <system_error>
#include <vector>

#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"
#include "settings/SettingRanges.h"

namespace {

constexpr std::int32_t CurrentConfigVersion = 17;

enum class ValueKind { Integer, Byte, Real, Text, TrimmedText };

struct ConfigKey {
  const char* group;
  const char* key;
  ValueKind kind;
  std::int32_t SettingsRecord::*integer = nullptr;
  byte SettingsRecord::*small = nullptr;
  float SettingsRecord::*real = nullptr;
  std::string SettingsRecord::*text = nullptr;
  // Input keys belong to one input format; they are written only when that
  // format is one of InputGroups.
  const char* inputFormat = nullptr;
};

ConfigKey Int(const char* group, const char* key, std::int32_t SettingsRecord::*field,
              const char* inputFormat = nullptr) {
  return {group, key, ValueKind::Integer, field, nullptr, nullptr, nullptr, inputFormat};
}
ConfigKey Byte(const char* group, const char* key, byte SettingsRecord::*field) {
  return {group, key, ValueKind::Byte, nullptr, field, nullptr, nullptr, nullptr};
}
ConfigKey Real(const char* group, const char* key, float SettingsRecord::*field) {
  return {group, key, ValueKind::Real, nullptr, nullptr, field, nullptr, nullptr};
}
ConfigKey Text(const char* group, const char* key, std::string SettingsRecord::*field) {
  return {group, key, ValueKind::Text, nullptr, nullptr, nullptr, field, nullptr};
}
ConfigKey Trimmed(const char* group, const char* key, std::string SettingsRecord::*field) {
  return {group, key, ValueKind::TrimmedText, nullptr, nullptr, nullptr, field, nullptr};
}

using S = SettingsRecord;

// Every key in the order the writer puts it down.
const ConfigKey ConfigKeys[] = {
    Int("General", "CFG", &S::CFG),
    Text("General", "Language", &S::Language),
    Int("General", "Update Range", &S::UpdateRange),
    Int("General", "Update Date", &S::UpdateDate),
    Byte("General", "Save Window Position", &S::SaveWindowPosition),
    Byte("Window", "IsMaximized", &S::IsMaximized),
    Int("Window", "Width", &S::Width),
    Int("Window", "Height", &S::Height),
    Int("Window", "X", &S::X),
    Int("Window", "Y", &S::Y),
    Text("Interface", "UI Theme", &S::UITheme),
    Int("Interface", "UI Size", &S::UISize),
    Text("Input", "Format", &S::DefaultInputFormat),
    Int("Input", "DDS Load As", &S::DDSLoadAs, "dds"),
    Int("Input", "GIF Frame Loading", &S::GIFFrameLoading, "gif"),
    Int("Input", "ICO Frame Loading", &S::ICOFrameLoading, "ico"),
    Int("Input", "RAW Load As", &S::RAWLoadAs, "raw"),
    Int("Input", "RAW Header Size", &S::RAWHeaderSize, "raw"),
    Int("Input", "RAW Image Width", &S::RAWImageWidth, "raw"),
    Int("Input", "RAW Image Height", &S::RAWImageHeight, "raw"),
    Int("Input", "RAW Tone Mapping", &S::RAWToneMapping, "raw"),
    Int("Input", "TIFF Frame Loading", &S::TIFFFrameLoading, "tiff"),
    Text("Output", "Format", &S::DefaultOutputFormat),
    Int("Output", "BMP BPP", &S::BMPBPP),
    Int("Output", "BMP Compression", &S::BMPCompression),
    Int("Output", "BMP Color Table", &S::BMPColorTable),
    Int("Output", "DDS BPP", &S::DDSBPP),
    Int("Output", "EXR BPP", &S::EXRBPP),
    Int("Output", "EXR Compression", &S::EXRCompression),
    Int("Output", "GIF BPP", &S::GIFBPP),
    Int("Output", "HDR BPP", &S::HDRBPP),
    Int("Output", "ICO BPP", &S::ICOBPP),
    Int("Output", "J2K BPP", &S::J2KBPP),
    Int("Output", "JNG BPP", &S::JNGBPP),
    Int("Output", "JP2 BPP", &S::JP2BPP),
    Int("Output", "JPG BPP", &S::JPGBPP),
    Int("Output", "JPG Quality", &S::JPGQuality),
    Int("Output", "JPG Chroma", &S::JPGChroma),
    Int("Output", "JPG Save As", &S::JPGSaveAs),
    Int("Output", "JXR BPP", &S::JXRBPP),
    Int("Output", "PBM BPP", &S::PBMBPP),
    Int("Output", "PCX BPP", &S::PCXBPP),
    Int("Output", "PFM BPP", &S::PFMBPP),
    Int("Output", "PGM BPP", &S::PGMBPP),
    Int("Output", "PNG BPP", &S::PNGBPP),
    Int("Output", "PNG Compression", &S::PNGCompression),
    Byte("Output", "PNG Interlaced", &S::PNGInterlaced),
    Int("Output", "PPM BPP", &S::PPMBPP),
    Int("Output", "PSD BPP", &S::PSDBPP),
    Int("Output", "TGA BPP", &S::TGABPP),
    Int("Output", "TGA Compression", &S::TGACompression),
    Int("Output", "TIFF BPP", &S::TIFFBPP),
    Int("Output", "TIFF Compression", &S::TIFFCompression),
    Int("Output", "TIFF Color Model", &S::TIFFColorModel),
    Int("Output", "WBMP BPP", &S::WBMPBPP),
    Int("Output", "WEBP BPP", &S::WEBPBPP),
    Int("Output", "XPM BPP", &S::XPMBPP),
    Byte("Transform", "Do Image Rotation", &S::DoImageRotation),
    Byte("Transform", "Image Rotation Type", &S::ImageRotationType),
    Int("Transform", "Image Rotation", &S::ImageRotation),
    Trimmed("Transform", "Image Rotation Back Color", &S::ImageRotationBackColor),
    Byte("Transform", "Do Image Resize", &S::DoImageResize),
    Int("Transform", "Image Width", &S::ImageWidth),
    Byte("Transform", "Image Width Unit", &S::ImageWidthUnit),
    Int("Transform", "Image Height", &S::ImageHeight),
    Byte("Transform", "Image Height Unit", &S::ImageHeightUnit),
    Byte("Transform", "Keep Aspect Ratio", &S::KeepAspectRatio),
    Byte("Transform", "Image Resize Type", &S::ImageResizeType),
    Byte("Transform", "Image Resize Algorithm", &S::ImageResizeAlgorithm),
    Byte("Transform", "Do Image Flip Horizontal", &S::DoImageFlipHorizontal),
    Byte("Transform", "Do Image Flip Vertical", &S::DoImageFlipVertical),
    Byte("Adjustment", "Do Image Color Correction", &S::DoImageColorCorrection),
    Int("Adjustment", "Image Brightness", &S::ImageBrightness),
    Int("Adjustment", "Image Contrast", &S::ImageContrast),
    Real("Adjustment", "Image Gamma", &S::ImageGamma),
    Byte("Adjustment", "Image Invert", &S::ImageInvert),
    Byte("Adjustment", "Do Image Greyscale", &S::DoImageGreyscale),
    Byte("Adjustment", "Do Image Threshold", &S::DoImageThreshold),
    Int("Adjustment", "Image Threshold", &S::ImageThreshold),
    Byte("Frame", "Do Frame", &S::DoFrame),
    Int("Frame", "Solid Left", &S::SolidLeft),
    Int("Frame", "Solid Right", &S::SolidRight),
    Int("Frame", "Solid Top", &S::SolidTop),
    Int("Frame", "Solid Bottom", &S::SolidBottom),
    Trimmed("Frame", "Solid Left Color", &S::SolidLeftColor),
    Trimmed("Frame", "Solid Right Color", &S::SolidRightColor),
    Trimmed("Frame", "Solid Top Color", &S::SolidTopColor),
    Trimmed("Frame", "Solid Bottom Color", &S::SolidBottomColor),
    Int("Frame", "Solid Opacity", &S::SolidOpacity),
    Byte("Watermark", "Do Watermark", &S::DoWatermark),
    Trimmed("Watermark", "Text", &S::Text),
    Trimmed("Watermark", "Fonts", &S::Fonts),
    Trimmed("Watermark", "Font", &S::Font),
    Int("Watermark", "Font Size", &S::FontSize),
    Int("Watermark", "Font Leading", &S::FontLeading),
    Trimmed("Watermark", "Font Colors", &S::FontColors),
    Trimmed("Watermark", "Font Color", &S::FontColor),
    Byte("Watermark", "Font Style", &S::FontStyle),
    Byte("Watermark", "Font Effect", &S::FontEffect),
    Byte("Watermark", "Text Antialiasing", &S::TextAntialiasing),
    Byte("Watermark", "Text Alignment", &S::TextAlignment),
    Int("Watermark", "Text Padding", &S::TextPadding),
    Int("Watermark", "Text Opacity", &S::TextOpacity),
    Trimmed("Watermark", "Back Colors", &S::BackColors),
    Trimmed("Watermark", "Back Color", &S::BackColor),
    Int("Watermark", "Back Opacity", &S::BackOpacity),
    Byte("Watermark", "Text Boundary", &S::TextBoundary),
    Byte("Watermark", "Text Position", &S::TextPosition),
    Int("Watermark", "Text X Offset", &S::TextXOffset),
    Int("Watermark", "Text Y Offset", &S::TextYOffset),
    Int("Watermark", "Text Rotation", &S::TextRotation),
    Byte("Watermark", "Text Size", &S::TextSize),
    Int("Watermark", "Text Scale", &S::TextScale),
    Trimmed("Watermark", "Image", &S::Image),
    Byte("Watermark", "Image Greyscale", &S::ImageGreyscale),
    Int("Watermark", "Image Opacity", &S::ImageOpacity),
    Byte("Watermark", "Image Boundary", &S::ImageBoundary),
    Byte("Watermark", "Image Position", &S::ImagePosition),
    Int("Watermark", "Image X Offset", &S::ImageXOffset),
    Int("Watermark", "Image Y Offset", &S::ImageYOffset),
    Int("Watermark", "Image Rotation", &S::WatermarkImageRotation),
    Byte("Watermark", "Image Size", &S::ImageSize),
    Int("Watermark", "Image Scale", &S::ImageScale),
    Trimmed("Advanced", "Filename Mask", &S::FilenameMask),
    Byte("Advanced", "File Timestamp", &S::FileTimestamp),
    Int("Advanced", "Custom Timestamp", &S::CustomTimestamp),
    Byte("Advanced", "Out Folders History", &S::OutFoldersHistory),
    Byte("Advanced", "Out Folders Number", &S::OutFoldersNumber),
    Byte("Advanced", "Keep Subfolders", &S::KeepSubfolders),
    Text("File", "Recent Out Folders", &S::RecentOutFolders),
    Text("File", "Recent Files", &S::RecentFiles),
    Byte("Privacy", "Clean Recent Files", &S::CleanRecentFiles),
    // Beyond the original format: files converted at once, 0 = automatic.
    Int("Conversion", "Threads", &S::Threads),
};

// Read only: the writer leaves it out.
const ConfigKey CsvDelimiterKey = Trimmed("File", "CsvDelimiter", &S::CsvDelimiter);

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string TrimBlanksAndTabs(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Group -> key -> value, both names in lower case; the first of duplicate
// groups or keys wins, as with the platform's preference files.
using IniEntries = std::map<std::string, std::map<std::string, std::string>>;

// Reads "[group]" headers and "key = value" lines. Comments (";"), lines
// without "=" and entries before the first header are skipped. The value is
// everything after "=" less the one blank the writer puts there, so values the
// writer wrote with their own leading or trailing blanks read back unchanged.
IniEntries ParseIni(const std::string& text) {
  IniEntries entries;
  std::map<std::string, std::string>* group = nullptr;
  std::string current;
  std::size_t pos = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const std::string trimmed = TrimBlanksAndTabs(line);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed[0] == '[') {
      const auto close = trimmed.find(']');
      if (close == std::string::npos) {
        group = nullptr;
        continue;
      }
      const std::string name = AsciiLower(TrimBlanksAndTabs(trimmed.substr(1, close - 1)));
      const bool seen = entries.count(name) > 0;
      group = seen ? nullptr : &entries[name];
      continue;
    }
    const auto equals = line.find('=');
    if (group == nullptr || equals == std::string::npos) continue;
    const std::string key = AsciiLower(TrimBlanksAndTabs(line.substr(0, equals)));
    if (key.empty()) continue;
    std::string value = line.substr(equals + 1);
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    group->emplace(key, value);
  }
  return entries;
}

const std::string* Lookup(const IniEntries& entries, const ConfigKey& key) {
  const auto group = entries.find(AsciiLower(key.group));
  if (group == entries.end()) return nullptr;
  const auto value = group->second.find(AsciiLower(key.key));
  return value == group->second.end() ? nullptr : &value->second;
}

// The leading decimal number of text (blanks skipped, optional sign), clamped
// to 32 bits; 0 when there is none.
std::int32_t IntegerValue(const std::string& text) {
  const std::string t = TrimBlanksAndTabs(text);
  std::size_t start = !t.empty() && t[0] == '+' ? 1 : 0;
  long long value = 0;
  const auto result = std::from_chars(t.data() + start, t.data() + t.size(), value);
  if (result.ec == std::errc::result_out_of_range) return t[start] == '-' ? INT32_MIN : INT32_MAX;
  if (result.ec != std::errc()) return 0;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

float RealValue(const std::string& text) {
  const std::string t = TrimBlanksAndTabs(text);
  std::size_t start = !t.empty() && t[0] == '+' ? 1 : 0;
  float value = 0.0f;
  const auto result = std::from_chars(t.data() + start, t.data() + t.size(), value);
  return result.ec == std::errc() && std::isfinite(value) ? value : 0.0f;
}

// "%f" without the locale: the window toolkit may switch the process to a
// locale with a decimal comma.
std::string RealText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                    std::chars_format::fixed, 6);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : "0.000000";
}

void ReadKey(const IniEntries& entries, const ConfigKey& key, SettingsRecord& s) {
  const std::string* value = Lookup(entries, key);
  if (value == nullptr) return;  // the field already holds the reader's default
  switch (key.kind) {
    case ValueKind::Integer:
      s.*key.integer = IntegerValue(*value);
      break;
    case ValueKind::Byte:
      s.*key.small = static_cast<byte>(IntegerValue(*value) & 0xFF);
      break;
    case ValueKind::Real:
      s.*key.real = RealValue(*value);
      break;
    case ValueKind::Text:
      s.*key.text = *value;
      break;
    case ValueKind::TrimmedText:
      s.*key.text = TrimBlanks(*value);
      break;
  }
}

std::string ValueText(const ConfigKey& key, const SettingsRecord& s) {
  switch (key.kind) {
    case ValueKind::Integer:
      return std::to_string(s.*key.integer);
    case ValueKind::Byte:
      return std::to_string(s.*key.small);
    case ValueKind::Real:
      return RealText(s.*key.real);
    case ValueKind::Text:
    case ValueKind::TrimmedText:
      return s.*key.text;
  }
  return "";
}

// "tab", "space" and "crlf" (any letter case) stand for characters that an
// INI value cannot hold reliably.
std::string DecodeDelimiter(const std::string& text) {
  const std::string lower = AsciiLower(text);
  if (lower == "tab") return "\t";
  if (lower == "space") return " ";
  if (lower == "crlf") return "\r\n";
  return text;
}

std::string EncodeDelimiter(const std::string& text) {
  if (text == "\t") return "tab";
  if (text == " ") return "space";
  if (text == "\r\n") return "crlf";
  return text;
}

// The reader's defaults for keys missing from an existing file: the window
// defaults, except that a file without "CFG" counts as the oldest format and
// the window goes to 100, 100.
void ApplyReaderDefaults(SettingsRecord& s) {
  const SettingsRecord saved = Settings;
  ApplyDefaults(0);
  SettingsRecord defaults = Settings;
  Settings = saved;
  defaults.ConfigPath = s.ConfigPath;
  defaults.InstanceHandle = s.InstanceHandle;
  for (int i = 0; i < 5; ++i) defaults.WindowLayout[i] = s.WindowLayout[i];
  s = defaults;
  s.CFG = 0;
  s.X = 100;
  s.Y = 100;
  s.KeepAspectRatio = 1;
  s.ImageGamma = 1.0f;
  s.CsvDelimiter = ",";
}

void Upgrade(SettingsRecord& s) {
  if (s.CFG < 11 && s.FilenameMask.find("%ext%") == std::string::npos) s.FilenameMask += ".%ext%";
  if (s.CFG < 14 && s.RAWLoadAs != 0) s.RAWLoadAs += 2;
}

std::string NumberText(double value, ValueKind kind) {
  if (kind == ValueKind::Real) return RealText(static_cast<float>(value));
  return std::to_string(static_cast<long long>(value));
}

// Puts every value the file holds outside its SettingRange back to the
// reader's default. Byte keys are judged by the number written, before the
// low 8 bits are kept, so 258 is not taken for 2.
void HoldToRanges(const IniEntries& entries, const SettingsRecord& defaults, SettingsRecord& s,
                  std::vector<std::string>* warnings) {
  for (const ConfigKey& key : ConfigKeys) {
    const SettingRange* range = FindSettingRange(key.group, key.key);
    const std::string* text = range ? Lookup(entries, key) : nullptr;
    if (text == nullptr) continue;
    double value = 0;
    double fallback = 0;
    bool inside = true;
    switch (key.kind) {
      case ValueKind::Integer:
        value = s.*key.integer;
        inside = value >= range->minimum && value <= range->maximum;
        if (!inside) s.*key.integer = defaults.*key.integer;
        fallback = s.*key.integer;
        break;
      case ValueKind::Byte:
        value = IntegerValue(*text);
        inside = value >= range->minimum && value <= range->maximum;
        if (!inside) s.*key.small = defaults.*key.small;
        fallback = s.*key.small;
        break;
      case ValueKind::Real: {
        // As float, the way the run checks compare it: 0.01 written as
        // 0.010000 reads back as a float just below the double 0.01.
        const float real = s.*key.real;
        value = real;
        inside = real >= static_cast<float>(range->minimum) &&
                 real <= static_cast<float>(range->maximum);
        if (!inside) s.*key.real = defaults.*key.real;
        fallback = s.*key.real;
        break;
      }
      case ValueKind::Text:
      case ValueKind::TrimmedText:
        break;
    }
    if (inside || warnings == nullptr) continue;
    warnings->push_back(
        "Warning: config.ini: " + std::string(key.key) + " = " + NumberText(value, key.kind) +
        " is out of range (" + NumberText(range->minimum, key.kind) + " to " +
        NumberText(range->maximum, key.kind) + "); using " + NumberText(fallback, key.kind));
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file a path finally names, through any chain of symbolic links (a
// dotfile manager keeps config.ini as a link into its own tree). The last
// name need not exist. "" for a loop or an unreadable link.
std::string FinalTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(4096, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return "";
    link.resize(static_cast<std::size_t>(n));
    path = link[0] == '/' ? link : FolderOf(path) + link;
  }
  return "";
}

// Whether this process may write st's object. Root passes every access test,
// so for root a write bit must be set somewhere: a 0444 file is read-only on
// purpose and is left alone by root too. Others get the kernel's answer, which
// knows supplementary groups and ACLs.
bool ModeAllowsWriting(const std::string& path, const struct stat& st) {
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;
  if (geteuid() != 0) return true;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace

std::string ConfigFolder(const std::string& brand, const std::string& shortName) {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = home;
    while (EndsWith(base, "/")) base.pop_back();
    base += "/.config";
  } else {
    return "";
  }
  if (!EndsWith(base, "/")) base += "/";
  const std::string folder = base + brand + "/" + shortName + "/";
  MakeDirectories(folder);
  return folder;
}

std::string ConfigFileText(const SettingsRecord& settings) {
  SettingsRecord s = settings;
  s.CFG = CurrentConfigVersion;
  std::string text = "\xEF\xBB\xBF\r\n";
  std::string group;
  for (const ConfigKey& key : ConfigKeys) {
    if (group != key.group) {
      if (!group.empty()) text += "; \r\n";
      group = key.group;
      text += "[" + group + "]\r\n";
    }
    if (group == "Window" && s.SaveWindowPosition == 0) continue;
    if (key.inputFormat != nullptr &&
        std::find(InputGroups.begin(), InputGroups.end(), key.inputFormat) == InputGroups.end())
      continue;
    text += std::string(key.key) + " = " + ValueText(key, s) + "\r\n";
  }
  text += "; \r\n";
  return text;
}

void ApplyConfigText(const std::string& text, SettingsRecord& s,
                     std::vector<std::string>* warnings) {
  ApplyReaderDefaults(s);
  const SettingsRecord defaults = s;
  const IniEntries entries = ParseIni(text);
  for (const ConfigKey& key : ConfigKeys) ReadKey(entries, key, s);
  ReadKey(entries, CsvDelimiterKey, s);
  Upgrade(s);
  HoldToRanges(entries, defaults, s, warnings);
  s.CsvDelimiter = DecodeDelimiter(s.CsvDelimiter);
}

void ReadConfig() {
  SettingsRecord& s = Settings;
  // Only an ordinary file is read: a pipe would block the window start while
  // it holds the instance lock, and a device would never end.
  std::string text;
  if (s.ConfigPath.empty() || !ReadRegularFile(s.ConfigPath, MaxConfigBytes, text)) {
    ApplyDefaults(0);
    Upgrade(s);
    return;
  }
  std::vector<std::string> warnings;
  ApplyConfigText(text, s, &warnings);
  for (const std::string& warning : warnings) PrintErrorLine(warning);
}

bool WriteConfig() {
  if (Settings.ConfigPath.empty()) return false;
  // Through a link to the file it names, so the link stays a link.
  const std::string path = FinalTarget(Settings.ConfigPath);
  if (path.empty()) return false;
  struct stat old {};
  const bool existed = stat(path.c_str(), &old) == 0;
  if (existed && (!S_ISREG(old.st_mode) || !ModeAllowsWriting(path, old))) return false;
  struct stat folder {};
  const std::string folderPath = FolderOf(path).empty() ? "." : FolderOf(path);
  if (stat(folderPath.c_str(), &folder) != 0 || !ModeAllowsWriting(folderPath, folder))
    return false;

  SettingsRecord s = Settings;
  s.CsvDelimiter = EncodeDelimiter(s.CsvDelimiter);
  const std::string text = ConfigFileText(s);
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  const int fd =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // The new file keeps the old one's mode (a private 0600 stays private).
  bool written =
      (!existed || fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, text) && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written || !RenameFile(temporary, path)) {
    DeleteFile(temporary);
    return false;
  }
  return true;
}
