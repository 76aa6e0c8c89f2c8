// Reads Radiance pictures that the library cannot place correctly: every
// orientation of the resolution line, flat, run-length and old-style
// run-length scanlines, XYZE data, headers without the "#?RADIANCE" line or
// with lines before it, and the oldest headers, which hold only the command
// lines that made the picture (no "#?RADIANCE", no "FORMAT="). Pure functions
// over a file or a buffer: no state is kept between calls, so parallel
// workers may call them freely.
#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum class RadiancePixelFormat { Rgbe, Xyze };

// What the header says, read without touching the pixel data.
//
// The resolution line names the axis that scanlines run across first, with a
// sign for the direction in which it is walked. "-Y 480 +X 640" (the standard)
// has 480 scanlines, each one row from left to right, the top row first;
// "+X 640 -Y 480" has 640 scanlines, each one column from top to bottom, the
// leftmost column first. Width is always the X number, height the Y number.
struct RadianceHeader {
  RadiancePixelFormat format = RadiancePixelFormat::Rgbe;
  bool scanlinesAreRows = true;  // Y is named first
  bool topFirst = true;          // "-Y": rows are walked from the top down
  bool leftFirst = true;         // "+X": columns are walked from the left
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint64_t dataOffset = 0;  // first byte after the resolution line
  std::uint64_t dataBytes = 0;   // bytes from there to the end of the input
  // Neither "#?" nor "FORMAT=" in the header: RGBE, taken only when the data
  // is complete (the decoder also wants it to decode, to its very end).
  bool headerless = false;

  // "-Y N +X M": the only orientation the library places correctly.
  bool IsStandard() const { return scanlinesAreRows && topFirst && leftFirst; }
  std::int64_t ScanlineCount() const { return scanlinesAreRows ? height : width; }
  std::int64_t ScanlineLength() const { return scanlinesAreRows ? width : height; }
};

// Reads only the header of the Radiance picture at path, in file (from its
// start) or in data. False with a reason in error for anything that is not a
// Radiance RGBE or XYZE picture of a positive size, and for a headerless one
// whose stated size cannot fit in the bytes that follow; a path that is not a
// regular file is refused without waiting on it.
bool ReadRadianceHeader(const std::string& path, RadianceHeader& header, std::string& error);
bool ReadRadianceHeader(std::FILE* file, RadianceHeader& header, std::string& error);
bool ReadRadianceHeader(const unsigned char* data, std::size_t size, RadianceHeader& header,
                        std::string& error);

// The fewest bytes the pixel data of header can take in any encoding the
// reader accepts; a header that states more than follows it is refused
// before anything is allocated.
std::uint64_t RadianceMinimumDataBytes(const RadianceHeader& header);

// Decodes into the bitmap the library gives for a standard file: 96-bit
// float RGB (FIT_RGBF), the top row first in picture terms, whatever the
// orientation in the file. XYZE data is converted to RGB with Radiance's
// standard primaries. No image, with a reason in error, on failure.
FIBITMAP* DecodeRadianceFile(const std::string& path, std::string& error);
FIBITMAP* DecodeRadianceFile(std::FILE* file, std::string& error);
FIBITMAP* DecodeRadiance(const unsigned char* data, std::size_t size, std::string& error);
