// The placeholders of file-name masks and watermark texts, filled from one
// file's job.
#pragma once

#include <string>

#include "settings/FileJob.h"

// The 18 placeholders in the order a text is expanded ("%filename%" first,
// "%n%" last).
extern const char* const PlaceholderNames[18];

// text with every occurrence of placeholder (matched in any case) replaced by
// its value for job; a text that is no placeholder leaves text as it is.
std::string ExpandPlaceholder(const std::string& text, const std::string& placeholder,
                              const FileJob& job);
// name without its last extension.
std::string StripExtension(const std::string& name);
