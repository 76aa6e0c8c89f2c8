#include "themes/Themes.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <vector>

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

// CRC-32 as ZIP and PNG use it.
std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string Le(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
  return out;
}

std::string Be32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::uint32_t Le32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Raw deflate data of bytes, taken from a one-entry ZIP that libarchive writes.
std::string Deflated(const std::string& bytes) {
  std::vector<char> buffer(bytes.size() / 100 + 65536);
  std::size_t used = 0;
  archive* zip = archive_write_new();
  archive_write_set_format_zip(zip);
  archive_write_zip_set_compression_deflate(zip);
  archive_write_open_memory(zip, buffer.data(), buffer.size(), &used);
  archive_entry* entry = archive_entry_new();
  archive_entry_set_pathname(entry, "x");
  archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_write_header(zip, entry);
  archive_write_data(zip, bytes.data(), bytes.size());
  archive_entry_free(entry);
  archive_write_close(zip);
  archive_write_free(zip);
  const std::string file(buffer.data(), used);
  const std::size_t central = file.find("PK\x01\x02");
  const std::uint32_t size = Le32At(file, central + 20);
  const std::size_t data = 30 + (Le32At(file, 26) & 0xffff) + (Le32At(file, 28) & 0xffff);
  return file.substr(data, size);
}

struct ZipEntry {
  std::string name, bytes;
  std::int64_t statedSize = -1;  // what the headers claim; -1: the truth
  bool wrongCrc = false;
};

// A deflated ZIP built by hand, so that entries can lie about their size.
std::string HandMadeZip(const std::vector<ZipEntry>& entries) {
  std::string out, central;
  for (const ZipEntry& e : entries) {
    const std::string packed = Deflated(e.bytes);
    const std::uint32_t stated =
        static_cast<std::uint32_t>(e.statedSize < 0 ? e.bytes.size() : e.statedSize);
    const std::string common = Le(20, 2) + Le(0, 2) + Le(8, 2) + Le(0, 2) + Le(0x21, 2) +
                               Le(Crc32(e.bytes) ^ (e.wrongCrc ? 1u : 0u), 4) +
                               Le(packed.size(), 4) + Le(stated, 4) + Le(e.name.size(), 2) +
                               Le(0, 2);
    central += Le(0x02014b50, 4) + Le(20, 2) + common + Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) +
               Le(out.size(), 4) + e.name;
    out += Le(0x04034b50, 4) + common + e.name + packed;
  }
  return out + central + Le(0x06054b50, 4) + Le(0, 4) + Le(entries.size(), 2) +
         Le(entries.size(), 2) + Le(central.size(), 4) + Le(out.size() - 0, 4) + Le(0, 2);
}

// A grey PNG that states width x height; its image data holds only the first
// row, which is all a check of the stated size may look at.
std::string GreyPng(std::uint32_t width, std::uint32_t height) {
  const auto chunk = [](const std::string& type, const std::string& data) {
    return Be32(data.size()) + type + data + Be32(Crc32(type + data));
  };
  const std::string row(1 + width, '\0');  // filter byte, then the pixels
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : row) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  // A zlib stream of one stored block.
  const std::string zlib = std::string("\x78\x01\x01", 3) + Le(row.size(), 2) +
                           Le(~row.size() & 0xffff, 2) + row + Be32((b << 16) | a);
  return std::string("\x89PNG\r\n\x1a\n", 8) +
         chunk("IHDR", Be32(width) + Be32(height) + std::string("\x08\0\0\0\0", 5)) +
         chunk("IDAT", zlib) + chunk("IEND", "");
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

TEST_F(Themes, PicturesFarLargerThanAnIconAreRefusedBeforeDecoding) {
  // One picture stated as 5600 x 5600, named for every icon of every set.
  std::string cfg = "[Theme]\r\nName = Huge\r\n[Buttons]\r\n";
  for (const char* name : ButtonIconNames) cfg += std::string(name) + " = h.png\r\n";
  cfg += "[Icons]\r\n";
  for (const char* name : MenuIconNames)
    cfg += std::string(name) + (std::string(name) == "Help" ? " = help\r\n" : " = h.png\r\n");
  WriteZip(folder + "sample.zip", {{"theme.cfg", cfg},
                                   {"h.png", GreyPng(5600, 5600)},
                                   {"help_16.png", GreyPng(16, 16)},
                                   {"help_48.png", GreyPng(1024, 2)}});
  const ThemePictures pictures = LoadTheme(true, true, true);
  EXPECT_TRUE(pictures.buttons.empty());
  // Help names pictures of its own; up to 1024 a side passes.
  EXPECT_EQ(pictures.menu, (std::map<std::string, std::string>{{"Help", GreyPng(16, 16)}}));
  EXPECT_EQ(pictures.toolbar, (std::map<std::string, std::string>{{"Help", GreyPng(1024, 2)}}));
  EXPECT_EQ(pictures.refused, (std::map<std::string, std::string>{{"h.png", "picture too large"}}));

  struct Case {
    std::uint32_t width, height;
    bool refused;
  } cases[] = {{1024, 1024, false}, {1025, 16, true}, {16, 1025, true}, {0xffffffffu, 1, true}};
  for (const Case& c : cases) {
    WriteZip(folder + "sample.zip",
             {{"theme.cfg", "[Icons]\r\nNew = n.png\r\n"}, {"n.png", GreyPng(c.width, c.height)}});
    const ThemePictures one = LoadTheme(false, true, false);
    EXPECT_EQ(one.menu.count("New"), c.refused ? 0u : 1u) << c.width << "x" << c.height;
    EXPECT_EQ(one.refused.count("n.png"), c.refused ? 1u : 0u) << c.width << "x" << c.height;
  }

  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(PngDimensions(GreyPng(5600, 7), width, height));
  EXPECT_EQ(width, 5600u);
  EXPECT_EQ(height, 7u);
  EXPECT_FALSE(PngDimensions(GreyPng(5, 5).substr(0, 23), width, height));
  EXPECT_FALSE(PngDimensions("not a picture, only text of some length", width, height));
}

TEST_F(Themes, EntriesThatLieAboutTheirSizeCountAgainstTheArchive) {
  // Each entry states 100 bytes and inflates to 512 KiB; theme.cfg comes last.
  std::vector<ZipEntry> entries;
  for (int i = 0; i < 12; ++i)
    entries.push_back({"lie" + std::to_string(i) + "_32.png", std::string(512 << 10, '\0'), 100});
  entries.push_back({"theme.cfg", SampleCfg});
  WriteFileBytes(folder + "liar.zip", HandMadeZip(entries));

  ArchiveLimits limits;
  limits.entryBytes = 16 << 10;
  limits.totalBytes = (1 << 20) + (100 << 10);
  ThemeArchive archive;
  ASSERT_TRUE(archive.Open(folder + "liar.zip", limits));
  EXPECT_EQ(archive.Size(), 0u);
  EXPECT_EQ(archive.Refused().at("lie0_32.png"), "entry too large");
  // Refused entries are counted too: reading stops once the archive's total
  // is spent (one block of the reader past it at most), long before theme.cfg.
  EXPECT_LE(archive.Inflated(), limits.totalBytes + (1 << 20));
  EXPECT_GE(archive.Inflated(), limits.totalBytes);
  EXPECT_LT(archive.Refused().size(), 12u);
  int spent = 0;
  for (const auto& [name, reason] : archive.Refused()) spent += reason == "archive total reached";
  EXPECT_EQ(spent, 1);
  EXPECT_FALSE(archive.Has("theme.cfg"));

  // Listing the theme inflates theme.cfg and nothing else.
  ASSERT_TRUE(archive.OpenOne(folder + "liar.zip", "theme.cfg", limits));
  EXPECT_EQ(archive.Extract("theme.cfg"), SampleCfg);
  EXPECT_EQ(archive.Inflated(), static_cast<std::int64_t>(SampleCfg.size()));
  EXPECT_EQ(archive.Size(), 1u);
  ScanThemes();
  EXPECT_EQ(ThemeList, (std::map<std::string, std::string>{{"liar", "Sample Theme"}}));

  // An honest hand-made archive reads whole, so the lies above are what count.
  WriteFileBytes(folder + "honest.zip",
                 HandMadeZip({{"theme.cfg", SampleCfg}, {"quit.PNG", std::string(5000, 'q')}}));
  ASSERT_TRUE(archive.Open(folder + "honest.zip", limits));
  EXPECT_EQ(archive.Extract("quit.PNG"), std::string(5000, 'q'));
  EXPECT_EQ(archive.Inflated(), static_cast<std::int64_t>(SampleCfg.size() + 5000));
  EXPECT_TRUE(archive.Refused().empty());

  // A damaged entry ahead of theme.cfg does not hide the theme's name, since
  // listing never reads it.
  const std::string damaged =
      HandMadeZip({{"bad.png", std::string(70000, 'b'), -1, true}, {"theme.cfg", SampleCfg}});
  WriteFileBytes(folder + "liar.zip", damaged);
  ASSERT_TRUE(archive.Open(folder + "liar.zip"));
  EXPECT_EQ(archive.Refused().at("bad.png"), "damaged entry");
  EXPECT_FALSE(archive.Has("theme.cfg"));
  EXPECT_EQ(ThemeDisplayName("liar"), "Sample Theme");
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
