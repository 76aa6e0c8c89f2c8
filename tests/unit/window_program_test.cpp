// The whole program started for its window: without a display, and under a
// virtual X server for the screenshot mode.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/TestSupport.h"

namespace {

// Runs the program with its own runtime and configuration folders and the
// given environment prefix (for example "env -u DISPLAY").
ProgramResult RunWithEnvironment(const std::string& prefix, const std::vector<std::string>& args) {
  const std::string home = ScratchFolder("window-run");
  std::string cmd = "chmod 700 " + ShellQuote(home) + " && cd " + ShellQuote(home) + " && " +
                    prefix + " XDG_RUNTIME_DIR=" + ShellQuote(home) +
                    " XDG_CONFIG_HOME=" + ShellQuote(home + "config") + " " +
                    ShellQuote(LUMIVERT_EXE);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  return RunShellCommand(cmd + " </dev/null 2>/dev/null");
}

const std::string NoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";

bool HaveXvfb() { return RunShellCommand("command -v xvfb-run >/dev/null").exitCode == 0; }

}  // namespace

TEST(WindowProgram, WithoutADisplaySaysHowToConvertAndEnds) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"picture.hdr"}, {"-U"}, {"-T", "/tmp"}}) {
    const ProgramResult run = RunWithEnvironment(NoDisplay, args);
    EXPECT_EQ(run.out,
              "No display is available for the window; use -i to convert from the command "
              "line.\r\n")
        << (args.empty() ? "" : args[0]);
    EXPECT_EQ(run.exitCode, 0);
  }
  // An X display that nobody serves counts as none.
  const ProgramResult unserved =
      RunWithEnvironment("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:97", {});
  EXPECT_EQ(unserved.out.substr(0, 23), "No display is available");
  EXPECT_EQ(unserved.exitCode, 0);
}

TEST(WindowProgram, CommandLineRunsNeedNoDisplay) {
  const ProgramResult version = RunWithEnvironment(NoDisplay, {"-v"});
  EXPECT_EQ(version.out, "2.1\r\n");
  const std::string out = ScratchFolder("window-cli");
  const ProgramResult run = RunWithEnvironment(
      NoDisplay,
      {"-q", "-i", std::string(SOURCE_DIR) + "/samples/interior.hdr", "-o", out, "-c", "png"});
  EXPECT_EQ(run.out, "");
  EXPECT_GT(FileSize(out + "interior.png"), 0);
}

TEST(WindowProgram, ScreenshotModeWritesTwoPictures) {
  if (!HaveXvfb()) GTEST_SKIP() << "xvfb-run is not installed";
  const std::string folder = ScratchFolder("shots");
  const ProgramResult run = RunWithEnvironment(
      "xvfb-run -a -s '-screen 0 1024x768x24' env -u QT_QPA_PLATFORM", {"-T", folder});
  EXPECT_EQ(run.exitCode, 0);
  FIBITMAP* full = FreeImage_Load(FIF_JPEG, (folder + "lumivert1.jpg").c_str());
  FIBITMAP* small = FreeImage_Load(FIF_JPEG, (folder + "lumivert1x.jpg").c_str());
  ASSERT_NE(full, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(full), 510u);
  EXPECT_EQ(FreeImage_GetHeight(full), 330u);
  EXPECT_EQ(FreeImage_GetWidth(small), 180u);
  EXPECT_EQ(FreeImage_GetHeight(small), 116u);  // 330 * 180 / 510 = 116.47, rounded
  FreeImage_Unload(full);
  FreeImage_Unload(small);

  // A destination that is not a folder gets nothing.
  const ProgramResult none =
      RunWithEnvironment("xvfb-run -a env -u QT_QPA_PLATFORM", {"-T", folder + "missing"});
  EXPECT_EQ(none.exitCode, 0);
  EXPECT_FALSE(PathExists(folder + "missing"));
}
