// Profile files: a [CLI] group of long options applied in one go (--profile).
#pragma once

#include <string>

#include "settings/Settings.h"

// Applies the entries of the first "CLI" group of the file to Settings, in
// file order. Returns 1 when the file could be read (with or without such a
// group), 0 when path is empty or the file cannot be opened.
byte LoadProfile(const std::string& path);
