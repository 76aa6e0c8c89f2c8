// What the converter knows of its output and input formats.
#pragma once

#include <map>
#include <string>

struct InputFormatRecord {
  std::string Group;  // canonical extension of the format
  std::string Description;
};

// Keyed by lower-case extension; lookups are case-sensitive. The output
// formats are the rows of codecs/OutputFormats.h.
extern std::map<std::string, InputFormatRecord> InputFormatTable;

// Fills InputGroups ("hdr") and OutputExtensions (the output formats' rows in
// order); ReadableExtensions holds one empty entry until the run is reset.
void CreateProcessLists();

// Fills InputFormatTable and adds the output formats' options to the option
// table (same contents on every call).
void BuildFormatTables();

// ReadableExtensions: the extensions of InputFormatTable in the groups of
// InputGroups.
void BuildReadableExtensions();

// True when type equals one of OutputExtensions exactly.
bool IsConversionType(const std::string& type);

// True when bpp is 0 (automatic) or one of the extension's allowed depths.
bool IsAllowedBpp(const std::string& extension, int bpp);

// The "Select Input Files" dialog filter built from ReadableExtensions.
std::string InputDialogFilter();
