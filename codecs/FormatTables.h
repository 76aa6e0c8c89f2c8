// What the converter knows of its output and input formats.
#pragma once

#include <map>
#include <string>

struct OutputFormatRecord {
  int FormatId = 0;  // FreeImage format number, or DevIL image type for psd/dds/pcx
  std::string Extension;
  std::string Description;
  std::string AllowedDepths;  // ascending, comma-separated, e.g. "8,24"
};

struct InputFormatRecord {
  std::string Group;  // canonical extension of the format
  std::string Description;
};

// Keyed by lower-case extension; lookups are case-sensitive.
extern std::map<std::string, OutputFormatRecord> FormatTable;
extern std::map<std::string, InputFormatRecord> InputFormatTable;

// Fills InputFormatTable, then FormatTable (same contents on every call).
void BuildFormatTables();

// True when type equals one of OutputExtensions exactly.
bool IsConversionType(const std::string& type);

// True when bpp is 0 (automatic) or listed among the extension's allowed depths.
bool IsAllowedBpp(const std::string& extension, int bpp);

// The "Select Input Files" dialog filter built from ReadableExtensions.
std::string InputDialogFilter();
