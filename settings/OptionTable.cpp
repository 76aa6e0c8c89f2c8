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

using IntField = std::int32_t SettingsRecord::*;
using ByteField = byte SettingsRecord::*;
using RealField = float SettingsRecord::*;
using TextField = std::string SettingsRecord::*;

struct OptionEntry {
  OptionKind kind = OptionKind::None;
  int list = -1;                  // keyword list
  IntField intField = nullptr;    // integer and keyword targets
  ByteField byteField = nullptr;  // flag and keyword targets
  RealField realField = nullptr;
  TextField textField = nullptr;
  byte flagValue = 1;
  ByteField alsoField = nullptr;  // stage switch set at the same time
  byte alsoValue = 1;
};

OptionEntry Integer(IntField f, ByteField also = nullptr, byte alsoValue = 1) {
  OptionEntry e;
  e.kind = OptionKind::Integer;
  e.intField = f;
  e.alsoField = also;
  e.alsoValue = alsoValue;
  return e;
}

OptionEntry Real(RealField f, ByteField also) {
  OptionEntry e;
  e.kind = OptionKind::Real;
  e.realField = f;
  e.alsoField = also;
  return e;
}

OptionEntry Text(TextField f, ByteField also = nullptr, byte alsoValue = 1) {
  OptionEntry e;
  e.kind = OptionKind::Text;
  e.textField = f;
  e.alsoField = also;
  e.alsoValue = alsoValue;
  return e;
}

OptionEntry Flag(ByteField f, byte value = 1, ByteField also = nullptr) {
  OptionEntry e;
  e.kind = OptionKind::Flag;
  e.byteField = f;
  e.flagValue = value;
  e.alsoField = also;
  return e;
}

OptionEntry Keyword(int list, IntField f) {
  OptionEntry e;
  e.kind = OptionKind::Keyword;
  e.list = list;
  e.intField = f;
  return e;
}

OptionEntry Keyword(int list, ByteField f) {
  OptionEntry e;
  e.kind = OptionKind::Keyword;
  e.list = list;
  e.byteField = f;
  return e;
}

using S = SettingsRecord;

const std::unordered_map<std::string, OptionEntry>& Options() {
  static const std::unordered_map<std::string, OptionEntry> table = {
      {"--DDS-LOAD-AS", Keyword(0, &S::DDSLoadAs)},
      {"--GIF-FRAME-LOADING", Keyword(2, &S::GIFFrameLoading)},
      {"--ICO-FRAME-LOADING", Keyword(2, &S::ICOFrameLoading)},
      {"--TIFF-FRAME-LOADING", Keyword(2, &S::TIFFFrameLoading)},
      {"--RAW-LOAD-AS", Keyword(1, &S::RAWLoadAs)},
      {"--RAW-HEADER-SIZE", Integer(&S::RAWHeaderSize)},
      {"--RAW-WIDTH", Integer(&S::RAWImageWidth)},
      {"--RAW-HEIGHT", Integer(&S::RAWImageHeight)},
      {"--RAW-TONE-MAPPING", Keyword(3, &S::RAWToneMapping)},
      {"--BMP-BPP", Integer(&S::BMPBPP)},
      {"--DDS-BPP", Integer(&S::DDSBPP)},
      {"--EXR-BPP", Integer(&S::EXRBPP)},
      {"--GIF-BPP", Integer(&S::GIFBPP)},
      {"--HDR-BPP", Integer(&S::HDRBPP)},
      {"--ICO-BPP", Integer(&S::ICOBPP)},
      {"--J2K-BPP", Integer(&S::J2KBPP)},
      {"--JNG-BPP", Integer(&S::JNGBPP)},
      {"--JP2-BPP", Integer(&S::JP2BPP)},
      {"--JPG-BPP", Integer(&S::JPGBPP)},
      {"--JXR-BPP", Integer(&S::JXRBPP)},
      {"--PBM-BPP", Integer(&S::PBMBPP)},
      {"--PCX-BPP", Integer(&S::PCXBPP)},
      {"--PFM-BPP", Integer(&S::PFMBPP)},
      {"--PGM-BPP", Integer(&S::PGMBPP)},
      {"--PNG-BPP", Integer(&S::PNGBPP)},
      {"--PPM-BPP", Integer(&S::PPMBPP)},
      {"--PSD-BPP", Integer(&S::PSDBPP)},
      {"--TGA-BPP", Integer(&S::TGABPP)},
      {"--TIFF-BPP", Integer(&S::TIFFBPP)},
      {"--WBMP-BPP", Integer(&S::WBMPBPP)},
      {"--WEBP-BPP", Integer(&S::WEBPBPP)},
      {"--XPM-BPP", Integer(&S::XPMBPP)},
      {"--BMP-COMPRESSION", Keyword(4, &S::BMPCompression)},
      {"--EXR-COMPRESSION", Keyword(4, &S::EXRCompression)},
      {"--PNG-COMPRESSION", Keyword(4, &S::PNGCompression)},
      {"--TGA-COMPRESSION", Keyword(4, &S::TGACompression)},
      {"--TIFF-COMPRESSION", Keyword(4, &S::TIFFCompression)},
      {"--BMP-COLOR-TABLE", Keyword(5, &S::BMPColorTable)},
      {"--TIFF-COLOR-MODEL", Keyword(6, &S::TIFFColorModel)},
      {"--JPG-QUALITY", Integer(&S::JPGQuality)},
      {"--JPG-CHROMA", Keyword(7, &S::JPGChroma)},
      {"--JPG-SAVE-AS", Keyword(8, &S::JPGSaveAs)},
      {"--PNG-INTERLACED", Flag(&S::PNGInterlaced)},
      {"--ROTATION", Integer(&S::ImageRotation, &S::DoImageRotation)},
      {"--ROTATION-TYPE", Keyword(9, &S::ImageRotationType)},
      {"--ROTATION-BACK-COLOR", Text(&S::ImageRotationBackColor)},
      {"--WIDTH", Integer(&S::ImageWidth, &S::DoImageResize)},
      {"--HEIGHT", Integer(&S::ImageHeight, &S::DoImageResize)},
      {"--WIDTH-UNIT", Keyword(10, &S::ImageWidthUnit)},
      {"--HEIGHT-UNIT", Keyword(10, &S::ImageHeightUnit)},
      {"--KEEP-ASPECT-RATIO", Flag(&S::KeepAspectRatio)},
      {"--RESIZE-TYPE", Keyword(11, &S::ImageResizeType)},
      {"--RESIZE-ALGORITHM", Keyword(12, &S::ImageResizeAlgorithm)},
      {"--FLIP-HORIZONTAL", Flag(&S::DoImageFlipHorizontal)},
      {"--FLIP-VERTICAL", Flag(&S::DoImageFlipVertical)},
      {"--BRIGHTNESS", Integer(&S::ImageBrightness, &S::DoImageColorCorrection)},
      {"--CONTRAST", Integer(&S::ImageContrast, &S::DoImageColorCorrection)},
      {"--GAMMA", Real(&S::ImageGamma, &S::DoImageColorCorrection)},
      {"--INVERT", Flag(&S::ImageInvert, 1, &S::DoImageColorCorrection)},
      {"--GREYSCALE", Flag(&S::DoImageGreyscale)},
      {"--THRESHOLD", Integer(&S::ImageThreshold, &S::DoImageThreshold)},
      {"--FR-SOLID-LEFT", Integer(&S::SolidLeft, &S::DoFrame)},
      {"--FR-SOLID-RIGHT", Integer(&S::SolidRight, &S::DoFrame)},
      {"--FR-SOLID-TOP", Integer(&S::SolidTop, &S::DoFrame)},
      {"--FR-SOLID-BOTTOM", Integer(&S::SolidBottom, &S::DoFrame)},
      {"--FR-SOLID-LEFT-COLOR", Text(&S::SolidLeftColor)},
      {"--FR-SOLID-RIGHT-COLOR", Text(&S::SolidRightColor)},
      {"--FR-SOLID-TOP-COLOR", Text(&S::SolidTopColor)},
      {"--FR-SOLID-BOTTOM-COLOR", Text(&S::SolidBottomColor)},
      {"--FR-SOLID-OPACITY", Integer(&S::SolidOpacity)},
      {"--WM-TEXT", Text(&S::Text, &S::DoWatermark, 1)},
      {"--WM-FONT", Text(&S::Font)},
      {"--WM-FONT-SIZE", Integer(&S::FontSize)},
      {"--WM-FONT-LEADING", Integer(&S::FontLeading)},
      {"--WM-FONT-COLOR", Text(&S::FontColor)},
      {"--WM-FONT-STYLE", Keyword(15, &S::FontStyle)},
      {"--WM-FONT-EFFECT", Keyword(16, &S::FontEffect)},
      {"--WM-TEXT-ANTIALIASING", Flag(&S::TextAntialiasing)},
      {"--WM-TEXT-ALIGNMENT", Keyword(17, &S::TextAlignment)},
      {"--WM-TEXT-PADDING", Integer(&S::TextPadding)},
      {"--WM-TEXT-OPACITY", Integer(&S::TextOpacity)},
      {"--WM-BACK-COLOR", Text(&S::BackColor)},
      {"--WM-BACK-OPACITY", Integer(&S::BackOpacity)},
      {"--WM-TEXT-BOUNDARY", Keyword(18, &S::TextBoundary)},
      {"--WM-TEXT-POSITION", Keyword(19, &S::TextPosition)},
      {"--WM-TEXT-X-OFFSET", Integer(&S::TextXOffset)},
      {"--WM-TEXT-Y-OFFSET", Integer(&S::TextYOffset)},
      {"--WM-TEXT-ROTATION", Integer(&S::TextRotation)},
      {"--WM-TEXT-SIZE", Keyword(20, &S::TextSize)},
      {"--WM-IMAGE", Text(&S::Image, &S::DoWatermark, 2)},
      {"--WM-IMAGE-GREYSCALE", Flag(&S::ImageGreyscale)},
      {"--WM-IMAGE-OPACITY", Integer(&S::ImageOpacity)},
      {"--WM-IMAGE-BOUNDARY", Keyword(18, &S::ImageBoundary)},
      {"--WM-IMAGE-POSITION", Keyword(19, &S::ImagePosition)},
      {"--WM-IMAGE-X-OFFSET", Integer(&S::ImageXOffset)},
      {"--WM-IMAGE-Y-OFFSET", Integer(&S::ImageYOffset)},
      {"--WM-IMAGE-ROTATION", Integer(&S::WatermarkImageRotation)},
      {"--WM-IMAGE-SIZE", Keyword(20, &S::ImageSize)},
      {"--FILENAME-MASK", Text(&S::FilenameMask)},
      {"--FILE-TIMESTAMP", Keyword(21, &S::FileTimestamp)},
      {"--FILE-TIMESTAMP-CUSTOM", Integer(&S::CustomTimestamp)},
      {"--NO-SUBFOLDERS", Flag(&S::KeepSubfolders, 0)},
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
