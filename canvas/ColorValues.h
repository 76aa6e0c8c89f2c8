// Colours as six hexadecimal digits (RRGGBB) and as packed values with red in
// the low byte and alpha in the top byte.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <string>

// "FF8000" -> 0x000080FF; anything but six characters is black.
std::uint32_t ParseColorRGB(const std::string& text);
// As ParseColorRGB with the low 8 bits of alpha in the top byte.
std::uint32_t ParseColorRGBA(const std::string& text, std::int32_t alpha);
// Red 10, green 0, blue 255 -> "0A00FF".
std::string FormatColorHex(std::uint32_t packed);
// "ff8000" -> "Orange"; "123456" -> "Color #123456".
std::string ColorDisplayName(const std::string& text);
// A solid 24-bit picture of the colour, or none for a zero size.
FIBITMAP* ColorSwatch(std::uint32_t packed, int width, int height);
