// The window interface's per-user configuration file "config.ini": every
// Settings field, grouped, one "key = value" line each.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/Settings.h"

// The largest configuration file read. The writer's files are a few
// kilobytes; anything bigger (or a device) reads as a missing file.
constexpr std::size_t MaxConfigBytes = std::size_t{1} << 20;

// The configuration folder for brand/shortName below $XDG_CONFIG_HOME (or
// ~/.config when that is unset or not absolute), created when missing; ends
// with "/". "" when no base folder is known.
std::string ConfigFolder(const std::string& brand, const std::string& shortName);

// The complete file as the writer produces it from settings: UTF-8 byte-order
// mark, an empty first line, CR LF line ends. CFG is always written as 17.
std::string ConfigFileText(const SettingsRecord& settings);

// Fills settings from the text of a configuration file, as ReadConfig does
// after opening it: per-key defaults for what is missing, trimmed keys,
// upgrades of older formats, and the decoded CsvDelimiter. Never fails:
// damaged lines are skipped. A number outside what the preferences dialog
// allows (SettingRanges) takes its default and adds one "Warning: config.ini:"
// line to warnings, when given.
void ApplyConfigText(const std::string& text, SettingsRecord& settings,
                     std::vector<std::string>* warnings = nullptr);

// Fills Settings from Settings.ConfigPath and prints ApplyConfigText's
// warnings on standard error. A path that is not a regular file of at most
// MaxConfigBytes (a pipe, a device, a giant) counts as missing: the window
// defaults.
void ReadConfig();

// Writes Settings to Settings.ConfigPath through a temporary file beside it
// that replaces the old file only once it is completely written, so a failed
// write leaves the previous settings in place. A symbolic link is followed to
// the file it names, which is replaced and keeps its mode. A file (or folder)
// whose mode bits forbid writing, or a path naming something other than a
// regular file, is left alone. False when nothing was replaced.
bool WriteConfig();
