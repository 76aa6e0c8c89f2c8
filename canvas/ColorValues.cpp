#include "canvas/ColorValues.h"

#include <cstdio>

#include "lang/LanguageTable.h"
#include "platform/Text.h"

namespace {

// Reads hexadecimal digits until the first other character ("1G" is 1).
std::uint32_t HexPair(const std::string& pair) {
  std::uint32_t value = 0;
  for (char c : pair) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      break;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

struct NamedColor {
  const char* text;
  const char* name;
};

constexpr NamedColor NamedColors[] = {
    {"000000", "Black"},  {"C0C0C0", "Silver"}, {"808080", "Gray"},   {"FFFFFF", "White"},
    {"800000", "Maroon"}, {"FF0000", "Red"},    {"800080", "Purple"}, {"FF00FF", "Fuchsia"},
    {"008000", "Green"},  {"00FF00", "Lime"},   {"808000", "Olive"},  {"FFFF00", "Yellow"},
    {"000080", "Navy"},   {"0000FF", "Blue"},   {"008080", "Teal"},   {"00FFFF", "Aqua"},
    {"FF8000", "Orange"}, {"804000", "Brown"},  {"8000FF", "Violet"},
};

}  // namespace

std::uint32_t ParseColorRGB(const std::string& text) {
  if (text.size() != 6) return 0;
  return HexPair(text.substr(0, 2)) + HexPair(text.substr(2, 2)) * 256u +
         HexPair(text.substr(4, 2)) * 65536u;
}

std::uint32_t ParseColorRGBA(const std::string& text, std::int32_t alpha) {
  return ParseColorRGB(text) + (static_cast<std::uint32_t>(alpha) & 0xFFu) * 16777216u;
}

std::string FormatColorHex(std::uint32_t packed) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", packed & 0xFFu, (packed >> 8) & 0xFFu,
                (packed >> 16) & 0xFFu);
  return buffer;
}

std::string ColorDisplayName(const std::string& text) {
  std::string upper = UpperCase(text);
  for (const NamedColor& c : NamedColors)
    if (upper == c.text) return LanguageText("Preferences", c.name);
  return LanguageText("Preferences", "Color") + " #" + upper;
}

FIBITMAP* ColorSwatch(std::uint32_t packed, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  FIBITMAP* swatch = FreeImage_Allocate(width, height, 24);
  if (!swatch) return nullptr;
  RGBQUAD color{};
  color.rgbRed = static_cast<BYTE>(packed & 0xFFu);
  color.rgbGreen = static_cast<BYTE>((packed >> 8) & 0xFFu);
  color.rgbBlue = static_cast<BYTE>((packed >> 16) & 0xFFu);
  FreeImage_FillBackground(swatch, &color, 0);
  return swatch;
}
