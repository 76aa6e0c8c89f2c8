// Theme archives in the folder "gfx" beside the program: their list, their
// names, and the pictures they supply for the three icon sets.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// One value from INI text held in memory, the way theme.cfg is read: the
// group header is found in any letter case; the key must begin a line (after
// CR LF) below it and before the next "["; the value is the field after the
// first "=" (up to a second "="), trimmed of blanks, then of tabs, CR and LF.
// A key that is a prefix of a later key's name can match that key's line:
// in "[Icons]\r\nNewer = a\r\nNew = b" the key "New" gives "a".
std::string IniValue(const std::string& text, const std::string& group, const std::string& key);

// Theme key (archive name without ".zip") -> display name, filled by ScanThemes.
extern std::map<std::string, std::string> ThemeList;

// The folder of the theme archives: ProgramFolder() + "gfx/" unless set.
std::string ThemeFolder();
void SetThemeFolder(const std::string& folder);

// Fills ThemeList from the "*.zip" files of ThemeFolder().
void ScanThemes();

// The "Name" of group "Theme" in the archive's theme.cfg, or key itself when
// the archive or its theme.cfg is missing.
std::string ThemeDisplayName(const std::string& key);

// Square icon size in pixels for a UISize index: 16, 24, 32, 48, 64; 16 otherwise.
int IconPixelSize(int uiSize);

// The archive file a theme.cfg value names: a value containing ".png" (any
// case) names the file exactly, any other value is a base name completed to
// base + "_" + size + ".png" ("new", 32 -> "new_32.png").
std::string ThemePictureName(const std::string& value, int size);

// The largest side, in pixels, of a theme picture that is decoded at all.
inline constexpr std::uint32_t MaxIconSide = 1024;

// PNG bytes a theme supplies, by icon name, for each icon set. Several icons
// may name the same archive entry and then carry equal bytes.
struct ThemePictures {
  std::map<std::string, std::string> buttons;
  std::map<std::string, std::string> menu;
  std::map<std::string, std::string> toolbar;
  std::map<std::string, std::string> refused;  // archive entry -> reason, e.g. "picture too large"
};

// Reads the pictures of the sets selected from the theme Settings.UITheme.
// When that archive is missing and other themes exist, Settings.UITheme
// becomes the first of them. Icons the theme lacks are simply absent.
ThemePictures LoadTheme(bool buttons, bool menu, bool toolbar);

// The icon names of each set, in menu order. Defined here so that the
// build-time icon drawer, which links nothing of this library, shares them.
inline constexpr const char* ButtonIconNames[3] = {"Convert", "InFiles", "InFolder"};
inline constexpr const char* MenuIconNames[22] = {"New",
                                                  "Add",
                                                  "InFiles",
                                                  "InFolder",
                                                  "OutFolder",
                                                  "OutFormat",
                                                  "FavFolder",
                                                  "ImportFiles",
                                                  "ExportFiles",
                                                  "Exit",
                                                  "Copy",
                                                  "Delete",
                                                  "SelectAll",
                                                  "Convert",
                                                  "Error",
                                                  "Preferences",
                                                  "CustomConverter",
                                                  "Help",
                                                  "Email",
                                                  "Web",
                                                  "Updates",
                                                  "About"};
