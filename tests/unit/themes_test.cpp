#include "themes/Themes.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Files.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "themes/ThemeArchive.h"

namespace {

// Writes a ZIP archive holding entries (name, bytes) in order.
void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
  archive* zip = archive_write_new();
  archive_write_set_format_zip(zip);
  ASSERT_EQ(archive_write_open_filename(zip, path.c_str()), ARCHIVE_OK);
  for (const auto& [name, bytes] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    ASSERT_EQ(archive_write_header(zip, entry), ARCHIVE_OK);
    ASSERT_EQ(archive_write_data(zip, bytes.data(), bytes.size()),
              static_cast<la_ssize_t>(bytes.size()));
    archive_entry_free(entry);
  }
  archive_write_close(zip);
  archive_write_free(zip);
}

const std::string SampleCfg =
    "[Theme]\r\nName = Sample Theme\r\n\r\n[Buttons]\r\nConvert = big.PNG\r\n\r\n[Icons]\r\n"
    "New = tb_new\r\nExit = quit.PNG\r\nCopy = missing\r\n";

class Themes : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ScratchFolder("gfx");
    SetThemeFolder(folder);
    ThemeList.clear();
    Settings.UITheme = "sample";
    Settings.UISize = 3;
  }
  void TearDown() override { SetThemeFolder(""); }
  std::string folder;
};

}  // namespace

TEST(IniValue, ReadsOneValueTheWayThemeCfgIsRead) {
  const std::string cfg =
      "[Theme]\r\nName =  Night\t\r\n[Icons]\r\nNewer = first\r\nNew = second\r\n"
      "Help = a=b\r\nAbout = x\r\n  Web = indented\r\nExit\r\n[Other]\r\nCopy = elsewhere\r\n";
  struct Case {
    const char* group;
    const char* key;
    const char* value;
  } cases[] = {
      {"Theme", "Name", "Night"},  // blanks, then tabs trimmed
      {"THEME", "name", "Night"},  // group and key in any case
      {"Icons", "New", "first"},   // a key that is a prefix of an earlier line's key
      {"Icons", "Newer", "first"},
      {"Icons", "Help", "a"},  // up to a second "="
      {"Icons", "Web", ""},    // only at the start of a line
      {"Icons", "Exit", ""},   // a line without "="
      {"Icons", "Copy", ""},   // belongs to the next group
      {"Other", "Copy", "elsewhere"},
      {"Missing", "Name", ""},
      {"Icons", "x", ""},  // "x" occurs only inside a value
  };
  for (const Case& c : cases)
    EXPECT_EQ(IniValue(cfg, c.group, c.key), c.value) << c.group << "/" << c.key;
  // Lines ending in LF alone never match: keys are found after CR LF.
  EXPECT_EQ(IniValue("[Icons]\nNew = a\n", "Icons", "New"), "");
  EXPECT_EQ(IniValue("", "Icons", "New"), "");
  EXPECT_EQ(IniValue("[Icons]", "Icons", "New"), "");
}

TEST(ThemePictureName, CompletesBaseNamesWithTheSize) {
  EXPECT_EQ(ThemePictureName("tb_new", 48), "tb_new_48.png");
  EXPECT_EQ(ThemePictureName("quit.PNG", 48), "quit.PNG");
  EXPECT_EQ(ThemePictureName("a.png.bak", 16), "a.png.bak");
  EXPECT_EQ(IconPixelSize(0), 16);
  EXPECT_EQ(IconPixelSize(2), 32);
  EXPECT_EQ(IconPixelSize(4), 64);
  EXPECT_EQ(IconPixelSize(9), 16);
}

TEST_F(Themes, LoadsNamedPicturesPerSetAndSize) {
  WriteZip(folder + "sample.zip", {{"theme.cfg", SampleCfg},
                                   {"big.PNG", "button"},
                                   {"tb_new_16.png", "new16"},
                                   {"tb_new_48.png", "new48"},
                                   {"quit.PNG", "quit"}});
  ScanThemes();
  ASSERT_EQ(ThemeList.size(), 1u);
  EXPECT_EQ(ThemeList["sample"], "Sample Theme");
  const ThemePictures pictures = LoadTheme(true, true, true);
  EXPECT_EQ(pictures.buttons, (std::map<std::string, std::string>{{"Convert", "button"}}));
  EXPECT_EQ(pictures.menu,
            (std::map<std::string, std::string>{{"New", "new16"}, {"Exit", "quit"}}));
  EXPECT_EQ(pictures.toolbar,
            (std::map<std::string, std::string>{{"New", "new48"}, {"Exit", "quit"}}));
  const ThemePictures toolbarOnly = LoadTheme(false, false, true);
  EXPECT_TRUE(toolbarOnly.buttons.empty());
  EXPECT_TRUE(toolbarOnly.menu.empty());
  EXPECT_EQ(toolbarOnly.toolbar.size(), 2u);
}

TEST_F(Themes, ListNamesAndMissingThemes) {
  WriteZip(folder + "b-theme.zip", {{"theme.cfg", SampleCfg}});
  WriteZip(folder + "a-plain.zip", {{"readme.txt", "no theme.cfg"}});
  WriteFileBytes(folder + "notes.txt", "not a theme");
  WriteFileBytes(folder + "broken.zip", "not a zip at all");
  mkdir((folder + "folder.zip").c_str(), 0700);
  ScanThemes();
  EXPECT_EQ(ThemeList,
            (std::map<std::string, std::string>{
                {"a-plain", "a-plain"}, {"b-theme", "Sample Theme"}, {"broken", "broken"}}));
  EXPECT_EQ(ThemeDisplayName("gone"), "gone");

  // The configured theme was deleted: the first theme found takes its place.
  Settings.UITheme = "deleted";
  LoadTheme(true, true, true);
  EXPECT_EQ(Settings.UITheme, "a-plain");

  // Without any themes the built-in pictures stay and the name is kept.
  SetThemeFolder(folder + "absent/");
  ScanThemes();
  Settings.UITheme = "deleted";
  const ThemePictures none = LoadTheme(true, true, true);
  EXPECT_TRUE(none.buttons.empty() && none.menu.empty() && none.toolbar.empty());
  EXPECT_EQ(Settings.UITheme, "deleted");
}

TEST_F(Themes, HostileArchivesAreCappedAndConfined) {
  const std::string huge(6 << 20, 'x');  // compresses to almost nothing
  WriteZip(folder + "sample.zip", {{"theme.cfg", SampleCfg},
                                   {"../escape.png", "up"},
                                   {"/etc/absolute.png", "abs"},
                                   {"icons/../../deep.png", "deep"},
                                   {"..\\windows.png", "win"},
                                   {"tb_new_48.png", huge},
                                   {"quit.PNG", "quit"}});
  ThemeArchive archive;
  ASSERT_TRUE(archive.Open(folder + "sample.zip"));
  EXPECT_TRUE(archive.Has("theme.cfg"));
  EXPECT_TRUE(archive.Has("quit.PNG"));
  for (const char* refused : {"../escape.png", "/etc/absolute.png", "icons/../../deep.png",
                              "..\\windows.png", "tb_new_48.png"}) {
    EXPECT_FALSE(archive.Has(refused)) << refused;
  }
  // Only the two harmless entries come out (the reader may show a backslash
  // name with "/" instead).
  EXPECT_EQ(archive.Size(), 2u);
  EXPECT_EQ(archive.Refused().size(), 5u);
  EXPECT_EQ(archive.Refused().at("tb_new_48.png"), "entry too large");
  const ThemePictures pictures = LoadTheme(false, false, true);
  EXPECT_EQ(pictures.toolbar, (std::map<std::string, std::string>{{"Exit", "quit"}}));

  // The total is capped too: later entries are dropped once it is reached.
  ArchiveLimits small;
  small.entryBytes = 100;
  small.totalBytes = 150;
  WriteZip(folder + "total.zip",
           {{"a.png", std::string(90, 'a')}, {"b.png", std::string(90, 'b')}, {"c.png", "c"}});
  ASSERT_TRUE(archive.Open(folder + "total.zip", small));
  EXPECT_TRUE(archive.Has("a.png"));
  EXPECT_FALSE(archive.Has("b.png"));

  WriteFileBytes(folder + "noise.zip", std::string("PK\x03\x04", 4) + std::string(5000, '\xff'));
  EXPECT_NO_FATAL_FAILURE(archive.Open(folder + "noise.zip"));
  EXPECT_EQ(ThemeDisplayName("noise"), "noise");
  EXPECT_FALSE(IsSafeEntryName(""));
  EXPECT_FALSE(IsSafeEntryName(".."));
  EXPECT_FALSE(IsSafeEntryName("C:evil.png"));
  EXPECT_TRUE(IsSafeEntryName("sub/a..b.png"));
}

TEST(ShippedThemes, HoldEveryIconAtEverySize) {
  const std::string gfx = FolderOf(LUMIVERT_EXE) + "gfx/";
  for (const char* theme : {"handdrawn", "mono"}) {
    ThemeArchive archive;
    ASSERT_TRUE(archive.Open(gfx + theme + ".zip")) << theme;
    const std::string cfg = archive.Extract("theme.cfg");
    EXPECT_FALSE(IniValue(cfg, "Theme", "Name").empty());
    for (const char* name : ButtonIconNames)
      EXPECT_TRUE(archive.Has(ThemePictureName(IniValue(cfg, "Buttons", name), 16))) << name;
    for (const char* name : MenuIconNames)
      for (int size : {16, 24, 32, 48, 64}) {
        const std::string file = ThemePictureName(IniValue(cfg, "Icons", name), size);
        ASSERT_TRUE(archive.Has(file)) << theme << " " << name << " " << size;
        EXPECT_EQ(archive.Extract(file).substr(1, 3), "PNG");
      }
  }
}
