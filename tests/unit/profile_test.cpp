// Profile files: encodings, line ends, the [CLI] group and the value rules.
#include "settings/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "settings/Settings.h"
#include "support/SettingsReset.h"
#include "support/TestSupport.h"

namespace {

class Profile : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings(1);  // the output formats' options too
    folder_ = ScratchFolder("profile");
  }
  // Writes bytes as a profile file and loads it.
  byte Load(const std::string& bytes) {
    std::string path = folder_ + "p" + std::to_string(serial_++) + ".ini";
    WriteFileBytes(path, bytes);
    return LoadProfile(path);
  }
  std::string folder_;
  int serial_ = 0;
};

}  // namespace

TEST_F(Profile, AppliesTheCliGroupWithAnyLineEnds) {
  ASSERT_EQ(Load("; comment\r\n[CLI]\r\n--jpg-quality = 90\r\n  --wm-text = Sample\r"
                 "\t--wm-font-size\t=\t24\n--flip-vertical=\n"),
            1);
  EXPECT_EQ(Settings.JPGQuality, 90);
  EXPECT_EQ(Settings.Text, "Sample");
  EXPECT_EQ(Settings.DoWatermark, 1);
  EXPECT_EQ(Settings.FontSize, 24);
  EXPECT_EQ(Settings.DoImageFlipVertical, 1);
}

TEST_F(Profile, OnlyTheFirstCliGroupCounts) {
  ASSERT_EQ(Load("--jpg-quality=10\n"
                 "[other]\n--jpg-quality=20\n"
                 "[cli]\n--width=30\n"
                 "[Options]\n--height=40\n"
                 "[CLI]\n--jpg-quality=50\n"),
            1);
  EXPECT_EQ(Settings.ImageWidth, 30);
  EXPECT_EQ(Settings.DoImageResize, 1);
  EXPECT_EQ(Settings.ImageHeight, 0);
  EXPECT_EQ(Settings.JPGQuality, 95);  // untouched default
}

TEST_F(Profile, ReadsUtf8AfterAMarkAndLatin1Otherwise) {
  ASSERT_EQ(Load("\xEF\xBB\xBF[CLI]\n--wm-text=Gr\xC3\xBC\xC3\x9F"
                 "e\n"),
            1);
  EXPECT_EQ(Settings.Text,
            "Gr\xC3\xBC\xC3\x9F"
            "e");

  ASSERT_EQ(Load("[CLI]\n--wm-text=Gr\xFC\xDF"
                 "e \xA9\n"),
            1);
  EXPECT_EQ(Settings.Text,
            "Gr\xC3\xBC\xC3\x9F"
            "e \xC2\xA9");

  // Broken UTF-8 after the mark does not leak into the settings.
  ASSERT_EQ(Load("\xEF\xBB\xBF[CLI]\n--wm-text=a\xFF"
                 "b\n"),
            1);
  EXPECT_EQ(Settings.Text,
            "a\xEF\xBF\xBD"
            "b");
}

TEST_F(Profile, ValueRulesDependOnTheKind) {
  ASSERT_EQ(Load("[CLI]\n"
                 "--wm-font = \"Quoted Font\"  \n"
                 "--filename-mask = \" %filename% x.%ext%\"\n"
                 "--resize-algorithm =  Lanczos  \n"
                 "--brightness = -20abc\n"
                 "--gamma = 2.5\n"
                 "--png-interlaced = 0\n"
                 "--invert = no\n"),
            1);
  EXPECT_EQ(Settings.Font, "\"Quoted Font\"");
  EXPECT_EQ(Settings.FilenameMask, " %filename% x.%ext%");
  EXPECT_EQ(Settings.ImageResizeAlgorithm, 5);
  EXPECT_EQ(Settings.ImageBrightness, -20);
  EXPECT_FLOAT_EQ(Settings.ImageGamma, 2.5f);
  EXPECT_EQ(Settings.PNGInterlaced, 1);
  EXPECT_EQ(Settings.ImageInvert, 1);
  EXPECT_EQ(Settings.DoImageColorCorrection, 1);
}

TEST_F(Profile, FrameOpacityHasItsOwnKey) {
  ASSERT_EQ(Load("[CLI]\n--fr-solid-opacity = 64\n"), 1);
  EXPECT_EQ(Settings.SolidOpacity, 255);
  ASSERT_EQ(Load("[CLI]\n--WM-Solid-Opacity = 128\n"), 1);
  EXPECT_EQ(Settings.SolidOpacity, 128);
  EXPECT_EQ(Settings.DoFrame, 0);
}

TEST_F(Profile, IgnoresFrontEndOptionsAndUnknownKeys) {
  ASSERT_EQ(Load("[CLI]\n--input = pic.hdr\n-i = pic.hdr\n--output=out\n--conversion=png\n"
                 "--profile=other.ini\n--quiet\n--debug=1\njpg-quality=5\n--no-such=1\n"
                 "--jpg-quality\n=7\n"),
            1);
  EXPECT_EQ(RunState.InputFolder, "");
  EXPECT_EQ(RunState.OutputFolder, "");
  EXPECT_EQ(RunState.ConversionType, "");
  EXPECT_EQ(RunState.CommandLineRun, 0);
  EXPECT_NE(RunState.RunMode, "DEBUG");
  EXPECT_EQ(Settings.JPGQuality, 95);
}

TEST_F(Profile, LaterLinesWin) {
  ASSERT_EQ(Load("[CLI]\n--jpg-quality=10\n--jpg-quality=20\n--wm-image=a.png\n--wm-text=t\n"), 1);
  EXPECT_EQ(Settings.JPGQuality, 20);
  EXPECT_EQ(Settings.DoWatermark, 1);
}

TEST_F(Profile, AcceptsFilesWithoutAGroupAndRefusesWhatCannotBeRead) {
  EXPECT_EQ(Load(""), 1);
  EXPECT_EQ(Load("; only a comment\n\n"), 1);
  EXPECT_EQ(Load("[CLIENT]\n--jpg-quality=5\n"), 1);
  EXPECT_EQ(Settings.JPGQuality, 95);
  EXPECT_EQ(LoadProfile(""), 0);
  EXPECT_EQ(LoadProfile(folder_ + "missing.ini"), 0);
  EXPECT_EQ(LoadProfile(folder_), 0);  // a folder is no profile
}

// Only a regular file of a sane size is a profile: a device would be read
// until memory runs out, a pipe would block the run for ever.
TEST_F(Profile, ReadsOnlyRegularFilesUpToTheCap) {
  const std::string fifo = folder_ + "pipe.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto sparse = [&](const std::string& name, off_t size) {
    const std::string path = folder_ + name;
    WriteFileBytes(path, "[CLI]\n--jpg-quality=7\n");
    EXPECT_EQ(truncate(path.c_str(), size), 0);
    return path;
  };
  const struct {
    std::string path;
    byte loaded;
  } cases[] = {
      {"/dev/zero", 0},
      {"/dev/null", 0},
      {fifo, 0},
      {sparse("huge.ini", off_t{4} << 30), 0},
      {sparse("over.ini", static_cast<off_t>(MaxProfileBytes) + 1), 0},
      {sparse("at-cap.ini", static_cast<off_t>(MaxProfileBytes)), 1},
  };
  for (const auto& c : cases) {
    ApplyDefaults(1);
    EXPECT_EQ(LoadProfile(c.path), c.loaded) << c.path;
    EXPECT_EQ(Settings.JPGQuality, c.loaded ? 7 : 95) << c.path;
  }
}

// The same refusals seen from the command line: the usual error line, at once.
TEST_F(Profile, CommandLineRefusesADeviceOrAPipeAsProfile) {
  const std::string fifo = folder_ + "pipe.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFileBytes(folder_ + "pic.hdr", RadianceBytes(GradientPicture(8, 4)));
  for (const std::string& profile : {std::string("/dev/zero"), fifo}) {
    const ProgramResult r =
        RunLumivert({"-q", "-i", folder_ + "pic.hdr", "--profile=" + profile}, folder_);
    EXPECT_EQ(r.out, "Error: Invalid profile file\r\n") << profile;
    EXPECT_EQ(r.exitCode, 0) << profile;
  }
  EXPECT_FALSE(PathExists(folder_ + "pic.bmp"));
}
