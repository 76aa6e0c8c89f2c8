// Profile files: a [CLI] group of long options applied in one go (--profile).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/Settings.h"

// The largest profile read. Real profiles hold a few dozen lines; a file
// this big is a mistake (or a device) and reads as an unreadable profile.
constexpr std::size_t MaxProfileBytes = std::size_t{1} << 20;

// Applies the entries of the first "CLI" group of the file to Settings, in
// file order. Returns 1 when the file could be read (with or without such a
// group), 0 when path is empty or the file cannot be opened, is
// not a regular file or is larger than MaxProfileBytes.
// A colour entry that is not six hexadecimal digits adds its ColorWarning to
// warnings, when given.
byte LoadProfile(const std::string& path, std::vector<std::string>* warnings = nullptr);
