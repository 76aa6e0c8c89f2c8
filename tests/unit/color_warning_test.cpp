// Colours that cannot be read: they still read as black, and a warning on
// standard error says so; standard output and the picture do not change.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/ColorWarning.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string Expected =
    " is not a colour; expected six hexadecimal digits RRGGBB, e.g. FF0000";

TEST(ColorWarning, OnlyColourOptionsWithoutSixHexDigitsWarn) {
  for (const char* good : {"FF8000", "ff8000", "000000", "aBcDeF"})
    EXPECT_EQ(ColorWarning("--WM-FONT-COLOR", good), "") << good;
  for (const char* bad : {"red", "#FF0000", "FF800", "FF80000", "12GG34", "", "0xFF00", " FF8000"})
    EXPECT_EQ(ColorWarning("--FR-SOLID-TOP-COLOR", bad),
              std::string("Warning: --fr-solid-top-color=") + bad + Expected)
        << bad;
  EXPECT_EQ(ColorWarning("--WM-TEXT", "red"), "");
  EXPECT_EQ(ColorWarning("--WM-BACK-COLOR", "white", " in profile p.ini"),
            "Warning: --wm-back-color=white in profile p.ini" + Expected);
}

struct Streams {
  std::string out, err, picture;
};

// Converts a small picture with args added; returns both streams and the output bytes.
Streams Convert(const std::vector<std::string>& extra) {
  const std::string dir = ScratchFolder("colour");
  WriteRadianceFile(dir + "pic.hdr", GradientPicture(24, 16));
  std::string cmd = "cd " + ShellQuote(dir) + " && XDG_RUNTIME_DIR=" + ShellQuote(dir) +
                    // The sanitizer build's leak summary would join standard error.
                    " LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " +
                    ShellQuote(LUMIVERT_EXE) + " -i " + ShellQuote(dir + "pic.hdr") + " -o " +
                    ShellQuote(dir) + " -c bmp";
  for (const std::string& a : extra) cmd += " " + ShellQuote(a);
  cmd += " </dev/null 2>" + ShellQuote(dir + "err.txt");
  Streams run;
  run.out = RunShellCommand(cmd).out;
  run.err = ReadFileBytes(dir + "err.txt");
  run.picture = ReadFileBytes(dir + "pic.bmp");
  fs::remove_all(dir);
  return run;
}

struct ColourCase {
  std::vector<std::string> enable;  // what makes the colour visible
  std::string option, bad;
};

const ColourCase Cases[] = {
    {{"--fr-solid-left=3"}, "--fr-solid-left-color", "red"},
    {{"--fr-solid-bottom=3"}, "--fr-solid-bottom-color", "#FF0000"},
    {{"--wm-text=A", "--wm-font-size=10"}, "--wm-font-color", "white"},
    {{"--wm-text=A", "--wm-back-opacity=255"}, "--wm-back-color", "FF00"},
    {{"--rotation=30"}, "--rotation-back-color", "0xFFFFFF"},
};

TEST(ColorWarning, CommandLineColourThatReadsAsBlackIsReported) {
  for (const ColourCase& c : Cases) {
    std::vector<std::string> args = c.enable;
    args.push_back(c.option + "=" + c.bad);
    const Streams bad = Convert(args);
    args.back() = c.option + "=000000";
    const Streams black = Convert(args);
    EXPECT_EQ(bad.err, "Warning: " + c.option + "=" + c.bad + Expected + "\r\n") << c.option;
    EXPECT_EQ(black.err, "") << c.option;
    // The result is the one black gives, on the console and in the picture.
    EXPECT_EQ(bad.out, black.out) << c.option;
    EXPECT_FALSE(bad.picture.empty()) << c.option;
    EXPECT_EQ(bad.picture, black.picture) << c.option;
  }
}

TEST(ColorWarning, QuietAnywhereSilencesIt) {
  const Streams run = Convert({"--fr-solid-left=3", "--fr-solid-left-color=red", "-q"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(run.picture.empty());
}

TEST(ColorWarning, ProfileColourIsReportedWithItsFile) {
  const std::string dir = ScratchFolder("colour-profile");
  WriteFileBytes(dir + "p.ini",
                 "[CLI]\n--wm-text = A\n--wm-font-color = white\n--wm-back-color = 00ff00\n");
  const Streams run = Convert({"--profile=" + dir + "p.ini"});
  EXPECT_EQ(run.err,
            "Warning: --wm-font-color=white in profile " + dir + "p.ini" + Expected + "\r\n");
  fs::remove_all(dir);
}

}  // namespace
