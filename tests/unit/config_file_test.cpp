#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <random>

#include "settings/ConfigFile.h"
#include "support/SettingsReset.h"
#include "support/TestSupport.h"

namespace {

class ConfigFile : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettings(0); }
};

// A record with a value of every kind that differs from the defaults.
SettingsRecord SampleSettings() {
  SettingsRecord s = Settings;
  s.UpdateDate = 1700000000;
  s.CustomTimestamp = 1700000100;
  s.X = 200;
  s.Y = 150;
  s.IsMaximized = 1;
  s.ImageGamma = 1.5f;
  s.Text = "(c) Sample";
  s.JPGQuality = 80;
  s.RAWLoadAs = 1;  // an input key: not written while the table has no raw format
  s.RecentOutFolders = "/out/a/\t/out/b/";
  s.CsvDelimiter = ";";
  return s;
}

const std::vector<std::string> SampleFileLines = {
    "\xEF\xBB\xBF",
    "[General]",
    "CFG = 17",
    "Language = en",
    "Update Range = 2",
    "Update Date = 1700000000",
    "Save Window Position = 1",
    "; ",
    "[Window]",
    "IsMaximized = 1",
    "Width = 510",
    "Height = 330",
    "X = 200",
    "Y = 150",
    "; ",
    "[Interface]",
    "UI Theme = handdrawn",
    "UI Size = 2",
    "; ",
    "[Input]",
    "Format = hdr",
    "; ",
    "[Output]",
    "Format = bmp",
    "BMP BPP = 0",
    "BMP Compression = 0",
    "BMP Color Table = 0",
    "DDS BPP = 0",
    "EXR BPP = 0",
    "EXR Compression = 0",
    "GIF BPP = 0",
    "HDR BPP = 0",
    "ICO BPP = 0",
    "J2K BPP = 0",
    "JNG BPP = 0",
    "JP2 BPP = 0",
    "JPG BPP = 0",
    "JPG Quality = 80",
    "JPG Chroma = 0",
    "JPG Save As = 0",
    "JXR BPP = 0",
    "PBM BPP = 0",
    "PCX BPP = 0",
    "PFM BPP = 0",
    "PGM BPP = 0",
    "PNG BPP = 0",
    "PNG Compression = 0",
    "PNG Interlaced = 0",
    "PPM BPP = 0",
    "PSD BPP = 0",
    "TGA BPP = 0",
    "TGA Compression = 0",
    "TIFF BPP = 0",
    "TIFF Compression = 0",
    "TIFF Color Model = 0",
    "WBMP BPP = 0",
    "WEBP BPP = 0",
    "XPM BPP = 0",
    "; ",
    "[Transform]",
    "Do Image Rotation = 0",
    "Image Rotation Type = 0",
    "Image Rotation = 0",
    "Image Rotation Back Color = 000000",
    "Do Image Resize = 0",
    "Image Width = 0",
    "Image Width Unit = 0",
    "Image Height = 0",
    "Image Height Unit = 0",
    "Keep Aspect Ratio = 1",
    "Image Resize Type = 0",
    "Image Resize Algorithm = 3",
    "Do Image Flip Horizontal = 0",
    "Do Image Flip Vertical = 0",
    "; ",
    "[Adjustment]",
    "Do Image Color Correction = 0",
    "Image Brightness = 0",
    "Image Contrast = 0",
    "Image Gamma = 1.500000",
    "Image Invert = 0",
    "Do Image Greyscale = 0",
    "Do Image Threshold = 0",
    "Image Threshold = 0",
    "; ",
    "[Frame]",
    "Do Frame = 0",
    "Solid Left = 0",
    "Solid Right = 0",
    "Solid Top = 0",
    "Solid Bottom = 0",
    "Solid Left Color = 000000",
    "Solid Right Color = 000000",
    "Solid Top Color = 000000",
    "Solid Bottom Color = 000000",
    "Solid Opacity = 255",
    "; ",
    "[Watermark]",
    "Do Watermark = 0",
    "Text = (c) Sample",
    "Fonts = Arial,Tahoma,Verdana",
    "Font = Arial",
    "Font Size = 14",
    "Font Leading = 0",
    "Font Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF",
    "Font Color = FFFFFF",
    "Font Style = 0",
    "Font Effect = 0",
    "Text Antialiasing = 0",
    "Text Alignment = 0",
    "Text Padding = 0",
    "Text Opacity = 255",
    "Back Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF",
    "Back Color = 000000",
    "Back Opacity = 1",
    "Text Boundary = 0",
    "Text Position = 8",
    "Text X Offset = 10",
    "Text Y Offset = 10",
    "Text Rotation = 0",
    "Text Size = 0",
    "Text Scale = 10",
    "Image = ",
    "Image Greyscale = 0",
    "Image Opacity = 255",
    "Image Boundary = 0",
    "Image Position = 8",
    "Image X Offset = 10",
    "Image Y Offset = 10",
    "Image Rotation = 0",
    "Image Size = 0",
    "Image Scale = 10",
    "; ",
    "[Advanced]",
    "Filename Mask = %filename%.%ext%",
    "File Timestamp = 0",
    "Custom Timestamp = 1700000100",
    "Out Folders History = 1",
    "Out Folders Number = 5",
    "Keep Subfolders = 1",
    "; ",
    "[File]",
    "Recent Out Folders = /out/a/\t/out/b/",
    "Recent Files = ",
    "; ",
    "[Privacy]",
    "Clean Recent Files = 0",
    "; ",
    "[Conversion]",
    "Threads = 0",
    "; ",
};

void ExpectSameSettings(const SettingsRecord& a, const SettingsRecord& b) {
  EXPECT_EQ(ConfigFileText(a), ConfigFileText(b));
  EXPECT_EQ(a.CFG, b.CFG);
}

bool PathExistsForTest(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string ConfigWith(const std::vector<std::string>& lines) {
  return "\xEF\xBB\xBF\r\n" + CrLfLines(lines);
}

}  // namespace

TEST_F(ConfigFile, WriterProducesTheFileByteForByte) {
  Settings = SampleSettings();
  Settings.CFG = 10;  // whatever was read, the current format is written
  Settings.ConfigPath = ScratchFolder("config") + "config.ini";
  ASSERT_TRUE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), CrLfLines(SampleFileLines));
}

TEST_F(ConfigFile, WindowGroupKeepsOnlyItsHeaderWithoutSaveWindowPosition) {
  SettingsRecord s = SampleSettings();
  s.SaveWindowPosition = 0;
  const std::string text = ConfigFileText(s);
  EXPECT_NE(text.find("Save Window Position = 0\r\n; \r\n[Window]\r\n; \r\n[Interface]\r\n"),
            std::string::npos);
  SettingsRecord back;
  ApplyConfigText(text, back);
  EXPECT_EQ(back.X, 100);
  EXPECT_EQ(back.Y, 100);
  EXPECT_EQ(back.Width, 510);
  EXPECT_EQ(back.Height, 330);
  EXPECT_EQ(back.IsMaximized, 0);
}

TEST_F(ConfigFile, WrittenFileReadsBackIdentically) {
  SettingsRecord s = SampleSettings();
  s.UITheme = "  spaced theme ";  // taken as read: keeps its blanks
  s.RecentFiles = " lead";
  s.CsvDelimiter = "\t";
  s.ImageGamma = 0.25f;
  s.TextRotation = -45;
  Settings = s;
  Settings.ConfigPath = ScratchFolder("config") + "config.ini";
  ASSERT_TRUE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath).find("CsvDelimiter"), std::string::npos)
      << "never written";
  SettingsRecord back;
  ApplyConfigText(ReadFileBytes(Settings.ConfigPath), back);
  s.CFG = 17;
  ExpectSameSettings(back, s);
  EXPECT_EQ(back.UITheme, "  spaced theme ");
  EXPECT_EQ(back.RecentFiles, " lead");
  EXPECT_FLOAT_EQ(back.ImageGamma, 0.25f);
  EXPECT_EQ(back.TextRotation, -45);
  EXPECT_EQ(back.CsvDelimiter, ",");  // the writer never writes it
  EXPECT_EQ(Settings.CsvDelimiter, "\t") << "encoding for the file leaves the record as it was";
}

TEST_F(ConfigFile, UpgradesOlderFormats) {
  struct Case {
    int cfg;
    std::string mask;
    int rawLoadAs;
    std::string wantMask;
    int wantRawLoadAs;
  };
  const Case cases[] = {
      {10, "%filename%_small", 1, "%filename%_small.%ext%", 3},
      {10, "%filename%.%ext%", 0, "%filename%.%ext%", 0},
      {11, "%filename%_small", 1, "%filename%_small", 3},
      {13, "x", 2, "x", 4},
      {14, "x", 1, "x", 1},
      {17, "x", 5, "x", 5},
  };
  for (const Case& c : cases) {
    SettingsRecord s;
    ApplyConfigText(ConfigWith({"[General]", "CFG = " + std::to_string(c.cfg), "[Input]",
                                "RAW Load As = " + std::to_string(c.rawLoadAs), "[Advanced]",
                                "Filename Mask = " + c.mask}),
                    s);
    EXPECT_EQ(s.FilenameMask, c.wantMask) << c.cfg;
    EXPECT_EQ(s.RAWLoadAs, c.wantRawLoadAs) << c.cfg;
    EXPECT_EQ(ConfigFileText(s).substr(0, 26), "\xEF\xBB\xBF\r\n[General]\r\nCFG = 17\r\n");
  }
  SettingsRecord none;  // no CFG key at all: the oldest format
  ApplyConfigText(ConfigWith({"[Advanced]", "Filename Mask = a"}), none);
  EXPECT_EQ(none.CFG, 0);
  EXPECT_EQ(none.FilenameMask, "a.%ext%");
}

TEST_F(ConfigFile, ReaderDefaultsTrimmingAndDelimiter) {
  SettingsRecord s;
  ApplyConfigText(ConfigWith({"[Frame]", "Solid Left Color =   FF0000  ", "[Interface]",
                              "UI Theme =  dark ", "[File]", "CsvDelimiter = TAB"}),
                  s);
  EXPECT_EQ(s.SolidLeftColor, "FF0000");
  EXPECT_EQ(s.UITheme, " dark ");
  EXPECT_EQ(s.CsvDelimiter, "\t");
  EXPECT_EQ(s.X, 100);
  EXPECT_EQ(s.Y, 100);
  EXPECT_EQ(s.KeepAspectRatio, 1);
  EXPECT_EQ(s.JPGQuality, 95);
  EXPECT_EQ(s.DefaultOutputFormat, "bmp");
  const std::pair<std::string, std::string> delimiters[] = {
      {"space", " "}, {"CrLf", "\r\n"}, {";", ";"}, {"  tab  ", "\t"}};
  for (const auto& [written, decoded] : delimiters) {
    ApplyConfigText(ConfigWith({"[File]", "CsvDelimiter = " + written}), s);
    EXPECT_EQ(s.CsvDelimiter, decoded) << written;
  }
}

TEST_F(ConfigFile, DamagedInputIsReadAsFarAsItMakesSense) {
  SettingsRecord s;
  // Lines without "=", a header without "]", bytes that are no text, keys in
  // another letter case, a duplicate key (the first wins), huge numbers.
  std::string text = ConfigWith({"garbage before any group", "[general", "CFG = 3", "[GENERAL]",
                                 "cfg=12", "CFG = 13", "[Output]", "jpg quality = 77x",
                                 "PNG Interlaced = 257", "TIFF BPP = 99999999999999999999",
                                 "Image Gamma = nonsense", "[Adjustment]", "Image Gamma = 2,5"});
  text += std::string("\0\x01\xFF\xFE\n", 5) + "[Frame]\nSolid Top = 9\r\n";
  ApplyConfigText(text, s);
  EXPECT_EQ(s.CFG, 12);
  EXPECT_EQ(s.JPGQuality, 77);
  EXPECT_EQ(s.PNGInterlaced, 1);  // bytes keep the low 8 bits
  EXPECT_EQ(s.TIFFBPP, INT32_MAX);
  EXPECT_FLOAT_EQ(s.ImageGamma, 2.0f);
  EXPECT_EQ(s.SolidTop, 9);

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string noise(random() % 4000, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 7 == 0 ? '\n' : random() % 256);
    if (round % 2) noise = ConfigFileText(SampleSettings()).substr(0, random() % 3000) + noise;
    SettingsRecord any;
    ApplyConfigText(noise, any);
    SettingsRecord again;
    ApplyConfigText(ConfigFileText(any), again);
    ASSERT_EQ(ConfigFileText(again), ConfigFileText(any)) << "round " << round;
  }
}

TEST_F(ConfigFile, MissingFileGivesWindowDefaultsAndFailedWriteKeepsTheOldFile) {
  const std::string folder = ScratchFolder("config");
  Settings.ConfigPath = folder + "absent.ini";
  ReadConfig();
  EXPECT_EQ(Settings.CFG, 17);
  EXPECT_EQ(Settings.KeepAspectRatio, 1);
  EXPECT_EQ(Settings.CsvDelimiter, ",");

  // A write that cannot finish leaves the previous file untouched: here the
  // temporary file cannot be created because a folder holds its name.
  Settings.ConfigPath = folder + "config.ini";
  WriteFileBytes(Settings.ConfigPath, "old settings");
  const std::string temporary = Settings.ConfigPath + ".tmp" + std::to_string(getpid());
  ASSERT_EQ(mkdir(temporary.c_str(), 0700), 0);
  EXPECT_FALSE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), "old settings");
  rmdir(temporary.c_str());
  // The replacement itself fails when a folder stands where the file goes.
  Settings.ConfigPath = folder + "taken";
  ASSERT_EQ(mkdir(Settings.ConfigPath.c_str(), 0700), 0);
  EXPECT_FALSE(WriteConfig());
  EXPECT_FALSE(PathExistsForTest(Settings.ConfigPath + ".tmp" + std::to_string(getpid())));
  Settings.ConfigPath = folder + "config.ini";
  ASSERT_TRUE(WriteConfig());
  ReadConfig();
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), ConfigFileText(Settings));
}

TEST_F(ConfigFile, FolderFollowsXdgConfigHome) {
  const std::string base = ScratchFolder("xdg");
  setenv("XDG_CONFIG_HOME", base.c_str(), 1);
  EXPECT_EQ(ConfigFolder("Corvanta", "lumivert"), base + "Corvanta/lumivert/");
  struct stat st {};
  EXPECT_EQ(stat((base + "Corvanta/lumivert").c_str(), &st), 0);
  setenv("XDG_CONFIG_HOME", "relative", 1);
  setenv("HOME", base.c_str(), 1);
  EXPECT_EQ(ConfigFolder("Corvanta", "lumivert"), base + ".config/Corvanta/lumivert/");
}

TEST_F(ConfigFile, OutOfRangeValuesFallBackToTheirDefaultsWithAWarning) {
  struct Case {
    std::string group, line, warning, written;
  };
  const std::string w = "Warning: config.ini: ";
  const Case cases[] = {
      {"Output", "JPG Quality = 8192",
       w + "JPG Quality = 8192 is out of range (1 to 100); using 95", "JPG Quality = 95"},
      {"Output", "JPG Quality = 0", w + "JPG Quality = 0 is out of range (1 to 100); using 95",
       "JPG Quality = 95"},
      {"Output", "TIFF Compression = 9",
       w + "TIFF Compression = 9 is out of range (0 to 8); using 0", "TIFF Compression = 0"},
      {"Transform", "Image Width = -5",
       w + "Image Width = -5 is out of range (0 to 2147483647); using 0", "Image Width = 0"},
      {"Frame", "Solid Left = -2147483648",
       w + "Solid Left = -2147483648 is out of range (0 to 2147483647); using 0", "Solid Left = 0"},
      {"Adjustment", "Image Gamma = 0",
       w + "Image Gamma = 0.000000 is out of range (0.010000 to 9.990000); using 1.000000",
       "Image Gamma = 1.000000"},
      {"Adjustment", "Image Gamma = 10",
       w + "Image Gamma = 10.000000 is out of range (0.010000 to 9.990000); using 1.000000",
       "Image Gamma = 1.000000"},
      {"Adjustment", "Image Brightness = 101",
       w + "Image Brightness = 101 is out of range (-100 to 100); using 0", "Image Brightness = 0"},
      {"Watermark", "Text Opacity = 256",
       w + "Text Opacity = 256 is out of range (0 to 255); using 255", "Text Opacity = 255"},
      {"Watermark", "Text Position = 9", w + "Text Position = 9 is out of range (0 to 8); using 8",
       "Text Position = 8"},
      // A byte key is judged by the number written, not by its low 8 bits (258 & 255 = 2).
      {"Watermark", "Font Style = 258", w + "Font Style = 258 is out of range (0 to 3); using 0",
       "Font Style = 0"},
      {"General", "Update Range = -1", w + "Update Range = -1 is out of range (0 to 5); using 2",
       "Update Range = 2"},
      {"Interface", "UI Size = 5", w + "UI Size = 5 is out of range (0 to 4); using 2",
       "UI Size = 2"},
      {"Advanced", "Out Folders Number = 300",
       w + "Out Folders Number = 300 is out of range (0 to 255); using 5",
       "Out Folders Number = 5"},
      {"Conversion", "Threads = 257", w + "Threads = 257 is out of range (0 to 256); using 0",
       "Threads = 0"},
  };
  for (const Case& c : cases) {
    SettingsRecord s;
    std::vector<std::string> warnings;
    ApplyConfigText(ConfigWith({"[" + c.group + "]", c.line}), s, &warnings);
    EXPECT_EQ(warnings, std::vector<std::string>{c.warning}) << c.line;
    EXPECT_NE(ConfigFileText(s).find("\r\n" + c.written + "\r\n"), std::string::npos) << c.line;
  }

  // The edges themselves are allowed and kept, without a word.
  SettingsRecord edges;
  std::vector<std::string> warnings;
  ApplyConfigText(ConfigWith({"[Output]", "JPG Quality = 1", "[Adjustment]",
                              "Image Brightness = -100", "Image Contrast = 100",
                              "Image Gamma = 0.010000", "[Frame]", "Solid Left = 2147483647",
                              "Solid Opacity = 0", "[Watermark]", "Text Position = 8"}),
                  edges, &warnings);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_EQ(edges.JPGQuality, 1);
  EXPECT_EQ(edges.ImageBrightness, -100);
  EXPECT_EQ(edges.ImageContrast, 100);
  EXPECT_FLOAT_EQ(edges.ImageGamma, 0.01f);
  EXPECT_EQ(edges.SolidLeft, 2147483647);
  EXPECT_EQ(edges.TextPosition, 8);
}

TEST_F(ConfigFile, ReadConfigPrintsRangeWarningsAndTheNextSaveWritesTheDefault) {
  const std::string folder = ScratchFolder("config");
  Settings.ConfigPath = folder + "config.ini";
  WriteFileBytes(Settings.ConfigPath,
                 ConfigWith({"[General]", "CFG = 17", "[Output]", "JPG Quality = 8192",
                             "JPG Chroma = 7", "PNG Compression = 2"}));
  testing::internal::CaptureStderr();
  ReadConfig();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Warning: config.ini: JPG Quality = 8192 is out of range (1 to 100); using 95\r\n"
            "Warning: config.ini: JPG Chroma = 7 is out of range (0 to 3); using 0\r\n");
  EXPECT_EQ(Settings.JPGQuality, 95);
  EXPECT_EQ(Settings.JPGChroma, 0);
  EXPECT_EQ(Settings.PNGCompression, 2);
  ASSERT_TRUE(WriteConfig());
  const std::string saved = ReadFileBytes(Settings.ConfigPath);
  EXPECT_NE(saved.find("\r\nJPG Quality = 95\r\nJPG Chroma = 0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nPNG Compression = 2\r\n"), std::string::npos);
}

TEST_F(ConfigFile, OnlyARegularFileWithinTheCapIsRead) {
  const std::string folder = ScratchFolder("config");
  const std::string content = ConfigWith({"[Output]", "JPG Quality = 50"});
  // A pipe with no writer would block an ordinary open forever; the reader
  // must come back at once with the defaults of a missing file.
  const std::string fifo = folder + "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Settings.ConfigPath = fifo;
  Settings.JPGQuality = 50;
  auto reading = std::async(std::launch::async, [] { ReadConfig(); });
  const bool returned = reading.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!returned) {  // unblock the reader so the test can end
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  }
  reading.wait();
  ASSERT_TRUE(returned) << "reading a pipe blocked";
  EXPECT_EQ(Settings.CFG, 17);
  EXPECT_EQ(Settings.JPGQuality, 95);

  // A device that never ends, a sparse giant and an exact-cap file.
  struct Case {
    std::string path;
    int quality;
  };
  auto sparse = [&](const std::string& name, off_t size) {
    const std::string path = folder + name;
    WriteFileBytes(path, content);
    EXPECT_EQ(truncate(path.c_str(), size), 0);
    return path;
  };
  const Case cases[] = {
      {"/dev/zero", 95},
      {sparse("giant.ini", off_t{1} << 36), 95},
      {sparse("over.ini", static_cast<off_t>(MaxConfigBytes) + 1), 95},
      {sparse("at-cap.ini", static_cast<off_t>(MaxConfigBytes)), 50},
      {folder, 95},
  };
  for (const Case& c : cases) {
    Settings.ConfigPath = c.path;
    Settings.JPGQuality = 7;
    ReadConfig();
    EXPECT_EQ(Settings.JPGQuality, c.quality) << c.path;
  }
}

TEST_F(ConfigFile, WritingThroughALinkKeepsTheLinkAndTheMode) {
  const std::string folder = ScratchFolder("config");
  ASSERT_EQ(mkdir((folder + "dotfiles").c_str(), 0700), 0);
  const std::string target = folder + "dotfiles/lumivert.ini";
  WriteFileBytes(target, "old settings");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  // config.ini -> middle.ini -> dotfiles/lumivert.ini, the links relative.
  ASSERT_EQ(symlink("dotfiles/lumivert.ini", (folder + "middle.ini").c_str()), 0);
  ASSERT_EQ(symlink("middle.ini", (folder + "config.ini").c_str()), 0);
  Settings = SampleSettings();
  Settings.ConfigPath = folder + "config.ini";
  ASSERT_TRUE(WriteConfig());
  struct stat st {};
  ASSERT_EQ(lstat(Settings.ConfigPath.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat((folder + "middle.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(target), CrLfLines(SampleFileLines));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(folder), (std::set<std::string>{"config.ini", "dotfiles", "middle.ini"}));
  EXPECT_EQ(FolderEntries(folder + "dotfiles"), std::set<std::string>{"lumivert.ini"});

  // A private file stays private through a plain write as well.
  Settings.ConfigPath = folder + "private.ini";
  WriteFileBytes(Settings.ConfigPath, "old");
  ASSERT_EQ(chmod(Settings.ConfigPath.c_str(), 0600), 0);
  ASSERT_TRUE(WriteConfig());
  ASSERT_EQ(stat(Settings.ConfigPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), CrLfLines(SampleFileLines));
}

TEST_F(ConfigFile, AReadOnlyFileOrFolderIsLeftAlone) {
  // Decided by the mode bits, so it holds for root as well.
  const std::string folder = ScratchFolder("config");
  Settings.ConfigPath = folder + "config.ini";
  WriteFileBytes(Settings.ConfigPath, "kept as it is");
  ASSERT_EQ(chmod(Settings.ConfigPath.c_str(), 0444), 0);
  EXPECT_FALSE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), "kept as it is");
  struct stat st {};
  ASSERT_EQ(stat(Settings.ConfigPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"config.ini"});

  // A link to a read-only file: neither the link nor the file changes.
  ASSERT_EQ(symlink("config.ini", (folder + "link.ini").c_str()), 0);
  Settings.ConfigPath = folder + "link.ini";
  EXPECT_FALSE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(folder + "config.ini"), "kept as it is");

  // A writable file in a folder that is not.
  const std::string locked = folder + "locked/";
  ASSERT_EQ(mkdir(locked.c_str(), 0700), 0);
  Settings.ConfigPath = locked + "config.ini";
  WriteFileBytes(Settings.ConfigPath, "kept too");
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  EXPECT_FALSE(WriteConfig());
  EXPECT_EQ(ReadFileBytes(Settings.ConfigPath), "kept too");
  EXPECT_EQ(FolderEntries(locked), std::set<std::string>{"config.ini"});
  chmod(locked.c_str(), 0700);
}
