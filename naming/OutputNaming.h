// Output file names from the file-name mask.
#pragma once

#include <string>

// OutputFolder + (RelativeFolder when KeepSubfolders) + ExpandFilenameMask().
std::string BuildOutputPath();
// The file name for the current file from Settings.FilenameMask.
std::string ExpandFilenameMask();
// text with every occurrence of placeholder (matched in any case) replaced by its value.
std::string ExpandPlaceholder(const std::string& text, const std::string& placeholder);
// name without its last extension.
std::string StripExtension(const std::string& name);
