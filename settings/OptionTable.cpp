#include "settings/OptionTable.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include "platform/Text.h"
#include "settings/Keywords.h"
#include "settings/Settings.h"

namespace {

using S = SettingsRecord;

// The options of the stages, loading and naming; each output format adds its
// own rows (AddOptionRows) when the format tables are built.
std::unordered_map<std::string, OptionEntry>& Options() {
  static std::unordered_map<std::string, OptionEntry> table = {
      {"--DDS-LOAD-AS", KeywordOption(KeywordList::DdsLoadAs, &S::DDSLoadAs)},
      {"--GIF-FRAME-LOADING", KeywordOption(KeywordList::FrameLoading, &S::GIFFrameLoading)},
      {"--ICO-FRAME-LOADING", KeywordOption(KeywordList::FrameLoading, &S::ICOFrameLoading)},
      {"--TIFF-FRAME-LOADING", KeywordOption(KeywordList::FrameLoading, &S::TIFFFrameLoading)},
      {"--RAW-LOAD-AS", KeywordOption(KeywordList::RawLoadAs, &S::RAWLoadAs)},
      {"--RAW-HEADER-SIZE", IntegerOption(&S::RAWHeaderSize)},
      {"--RAW-WIDTH", IntegerOption(&S::RAWImageWidth)},
      {"--RAW-HEIGHT", IntegerOption(&S::RAWImageHeight)},
      {"--RAW-TONE-MAPPING", KeywordOption(KeywordList::RawToneMapping, &S::RAWToneMapping)},
      {"--ROTATION", IntegerOption(&S::ImageRotation, &S::DoImageRotation)},
      {"--ROTATION-TYPE", KeywordOption(KeywordList::RotationType, &S::ImageRotationType)},
      {"--ROTATION-BACK-COLOR", TextOption(&S::ImageRotationBackColor)},
      {"--WIDTH", IntegerOption(&S::ImageWidth, &S::DoImageResize)},
      {"--HEIGHT", IntegerOption(&S::ImageHeight, &S::DoImageResize)},
      {"--WIDTH-UNIT", KeywordOption(KeywordList::Unit, &S::ImageWidthUnit)},
      {"--HEIGHT-UNIT", KeywordOption(KeywordList::Unit, &S::ImageHeightUnit)},
      {"--KEEP-ASPECT-RATIO", FlagOption(&S::KeepAspectRatio)},
      {"--RESIZE-TYPE", KeywordOption(KeywordList::ResizeType, &S::ImageResizeType)},
      {"--RESIZE-ALGORITHM", KeywordOption(KeywordList::ResizeAlgorithm, &S::ImageResizeAlgorithm)},
      {"--FLIP-HORIZONTAL", FlagOption(&S::DoImageFlipHorizontal)},
      {"--FLIP-VERTICAL", FlagOption(&S::DoImageFlipVertical)},
      {"--BRIGHTNESS", IntegerOption(&S::ImageBrightness, &S::DoImageColorCorrection)},
      {"--CONTRAST", IntegerOption(&S::ImageContrast, &S::DoImageColorCorrection)},
      {"--GAMMA", RealOption(&S::ImageGamma, &S::DoImageColorCorrection)},
      {"--INVERT", FlagOption(&S::ImageInvert, 1, &S::DoImageColorCorrection)},
      {"--GREYSCALE", FlagOption(&S::DoImageGreyscale)},
      {"--THRESHOLD", IntegerOption(&S::ImageThreshold, &S::DoImageThreshold)},
      {"--FR-SOLID-LEFT", IntegerOption(&S::SolidLeft, &S::DoFrame)},
      {"--FR-SOLID-RIGHT", IntegerOption(&S::SolidRight, &S::DoFrame)},
      {"--FR-SOLID-TOP", IntegerOption(&S::SolidTop, &S::DoFrame)},
      {"--FR-SOLID-BOTTOM", IntegerOption(&S::SolidBottom, &S::DoFrame)},
      {"--FR-SOLID-LEFT-COLOR", TextOption(&S::SolidLeftColor)},
      {"--FR-SOLID-RIGHT-COLOR", TextOption(&S::SolidRightColor)},
      {"--FR-SOLID-TOP-COLOR", TextOption(&S::SolidTopColor)},
      {"--FR-SOLID-BOTTOM-COLOR", TextOption(&S::SolidBottomColor)},
      {"--FR-SOLID-OPACITY", IntegerOption(&S::SolidOpacity)},
      {"--WM-TEXT", TextOption(&S::Text, &S::DoWatermark, 1)},
      {"--WM-FONT", TextOption(&S::Font)},
      {"--WM-FONT-SIZE", IntegerOption(&S::FontSize)},
      {"--WM-FONT-LEADING", IntegerOption(&S::FontLeading)},
      {"--WM-FONT-COLOR", TextOption(&S::FontColor)},
      {"--WM-FONT-STYLE", KeywordOption(KeywordList::FontStyle, &S::FontStyle)},
      {"--WM-FONT-EFFECT", KeywordOption(KeywordList::FontEffect, &S::FontEffect)},
      {"--WM-TEXT-ANTIALIASING", FlagOption(&S::TextAntialiasing)},
      {"--WM-TEXT-ALIGNMENT", KeywordOption(KeywordList::TextAlignment, &S::TextAlignment)},
      {"--WM-TEXT-PADDING", IntegerOption(&S::TextPadding)},
      {"--WM-TEXT-OPACITY", IntegerOption(&S::TextOpacity)},
      {"--WM-BACK-COLOR", TextOption(&S::BackColor)},
      {"--WM-BACK-OPACITY", IntegerOption(&S::BackOpacity)},
      {"--WM-TEXT-BOUNDARY", KeywordOption(KeywordList::Boundary, &S::TextBoundary)},
      {"--WM-TEXT-POSITION", KeywordOption(KeywordList::Position, &S::TextPosition)},
      {"--WM-TEXT-X-OFFSET", IntegerOption(&S::TextXOffset)},
      {"--WM-TEXT-Y-OFFSET", IntegerOption(&S::TextYOffset)},
      {"--WM-TEXT-ROTATION", IntegerOption(&S::TextRotation)},
      {"--WM-TEXT-SIZE", KeywordOption(KeywordList::SizeMode, &S::TextSize)},
      {"--WM-IMAGE", TextOption(&S::Image, &S::DoWatermark, 2)},
      {"--WM-IMAGE-GREYSCALE", FlagOption(&S::ImageGreyscale)},
      {"--WM-IMAGE-OPACITY", IntegerOption(&S::ImageOpacity)},
      {"--WM-IMAGE-BOUNDARY", KeywordOption(KeywordList::Boundary, &S::ImageBoundary)},
      {"--WM-IMAGE-POSITION", KeywordOption(KeywordList::Position, &S::ImagePosition)},
      {"--WM-IMAGE-X-OFFSET", IntegerOption(&S::ImageXOffset)},
      {"--WM-IMAGE-Y-OFFSET", IntegerOption(&S::ImageYOffset)},
      {"--WM-IMAGE-ROTATION", IntegerOption(&S::WatermarkImageRotation)},
      {"--WM-IMAGE-SIZE", KeywordOption(KeywordList::SizeMode, &S::ImageSize)},
      {"--FILENAME-MASK", TextOption(&S::FilenameMask)},
      {"--FILE-TIMESTAMP", KeywordOption(KeywordList::Timestamp, &S::FileTimestamp)},
      {"--FILE-TIMESTAMP-CUSTOM", IntegerOption(&S::CustomTimestamp)},
      {"--NO-SUBFOLDERS", FlagOption(&S::KeepSubfolders, 0)},
      {"--THREADS", IntegerOption(&S::Threads)},
      {"--REPORT", TextOption(&S::ReportFile)},
      {"--EXIT-STATUS", FlagOption(&S::ExitStatus)},
      {"--DRY-RUN", FlagOption(&S::DryRun)},
  };
  return table;
}

const OptionEntry* Find(const std::string& upperName) {
  auto it = Options().find(upperName);
  return it == Options().end() ? nullptr : &it->second;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  size_t i = 0;
  for (; word[i]; ++i) {
    if (i >= text.size()) return false;
    char a = text[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    char b = word[i];
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return i == text.size();
}

}  // namespace

void AddOptionRows(const std::vector<OptionRow>& rows) {
  for (const OptionRow& row : rows) Options()[row.Name] = row.Entry;
}

OptionKind FindOption(const std::string& upperName) {
  const OptionEntry* e = Find(upperName);
  return e ? e->kind : OptionKind::None;
}

std::int32_t ReadInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  // Unsigned arithmetic wraps, so overlong numbers keep their low bits without overflow.
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int d = DigitValue(text[i]);
    if (d >= static_cast<int>(base)) break;
    value = value * base + static_cast<unsigned>(d);
  }
  if (negative) value = ~value + 1;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
}

float ReadReal(const std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return 0.0f;
  const std::string t = text.substr(b, text.find_last_not_of(" \t") - b + 1);
  if (EqualsIgnoringCase(t, "+Infinity")) return std::numeric_limits<float>::infinity();
  if (EqualsIgnoringCase(t, "-Infinity")) return -std::numeric_limits<float>::infinity();
  if (EqualsIgnoringCase(t, "NaN")) return std::numeric_limits<float>::quiet_NaN();

  // Take the longest prefix shaped like [sign] digits [. digits] [e [sign] digits].
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  const size_t start = i;
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0.0f;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (j < t.size() && t[j] >= '0' && t[j] <= '9') {
      while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
      i = j;
    }
  }
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(t.data() + start, t.data() + i, value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Too large becomes infinity, too small becomes zero.
    bool huge = false;
    size_t e = t.find_first_of("eE", start);
    huge = e == std::string::npos || e >= i || t[e + 1] != '-';
    value = huge ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc()) {
    return 0.0f;
  }
  if (negative) value = -value;
  if (value > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (value < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

bool ApplyOption(const std::string& upperName, const std::string& value) {
  const OptionEntry* e = Find(upperName);
  if (!e) return false;
  SettingsRecord& s = Settings;
  switch (e->kind) {
    case OptionKind::Flag:
      s.*(e->byteField) = e->flagValue;
      break;
    case OptionKind::Integer:
      s.*(e->intField) = ReadInteger(value);
      break;
    case OptionKind::Real:
      s.*(e->realField) = ReadReal(value);
      break;
    case OptionKind::Text:
      s.*(e->textField) = value;
      break;
    case OptionKind::Keyword: {
      std::int32_t number = ParseKeyword(e->list, TrimBlanks(value));
      if (e->intField)
        s.*(e->intField) = number;
      else
        s.*(e->byteField) = static_cast<byte>(number);
      break;
    }
    case OptionKind::None:
      return false;
  }
  if (e->alsoField) s.*(e->alsoField) = e->alsoValue;
  return true;
}
