// One row per output format: everything the run checks, echoes and encodes
// for it. Adding a format means adding its row here (and its tests).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/OptionTable.h"
#include "settings/Settings.h"

// Which writer turns the finished picture into the file.
enum class WriterKind {
  FreeImage,         // FreeImage's own writer of LibraryId
  FreeImageOrExact,  // as FreeImage, or the exact-palette bmp writer (8 bits, EXACT table)
  Jxr,               // libjxr's encoder
  Devil,             // DevIL image type LibraryId
  DevilMipmapped,    // DevIL with mipmaps built first (dds)
};

struct OutputFormat {
  std::string Extension;  // lower case, as typed after -c
  std::string Description;
  int LibraryId = 0;               // FreeImage format, or DevIL image type for the DevIL writers
  std::vector<int> AllowedDepths;  // ascending
  std::int32_t SettingsRecord::*Depth = nullptr;  // the format's depth setting, 0 = automatic
  int (*SaveFlags)(const SettingsRecord&) = nullptr;
  WriterKind Writer = WriterKind::FreeImage;
  // Debug-echo lines of the format's settings after its depth line.
  std::vector<std::string> (*EchoLines)(const SettingsRecord&) = nullptr;
  // The depth option and the format's other options.
  std::vector<OptionRow> Options;
};

// Every output format in the fixed order of OutputExtensions.
const std::vector<OutputFormat>& OutputFormats();
// The row of an extension (compared exactly), or nullptr.
const OutputFormat* FindOutputFormat(const std::string& extension);

// FreeImage save flags of a format from the settings; 0 for an unknown one.
int SaveFlagsFor(const std::string& extension);
// The debug lines of a format's settings: its depth line, then its own lines.
std::vector<std::string> FormatEchoLines(const OutputFormat& format, const SettingsRecord& s);
