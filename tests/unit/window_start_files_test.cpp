// The files a window-mode start hands to the window: what a file manager's
// "open with" passes, and what must not be mistaken for a file to open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/WindowMode.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> StartFilesOf(std::vector<std::string> args) {
  std::vector<char*> params;
  for (std::string& a : args) params.push_back(a.data());
  return WindowStartFiles(static_cast<int>(params.size()), params.data());
}

class WindowStartFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = ScratchFolder("start-files");
    WriteFileBytes(dir + "sky.hdr", "#?RADIANCE\n");
    WriteFileBytes(dir + "night sky.hdri", "#?RADIANCE\n");
    WriteFileBytes(dir + "out.txt", "list\n");
    std::filesystem::create_directory(dir + "folder");
    previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
  }
  void TearDown() override { std::filesystem::current_path(previous); }
  std::string dir;
  std::filesystem::path previous;
};

TEST_F(WindowStartFilesTest, ExistingFilesInOrderMadeAbsolute) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> expected;
  };
  const std::string d = dir;
  const Case cases[] = {
      {{}, {}},
      {{d + "sky.hdr"}, {d + "sky.hdr"}},
      {{"sky.hdr"}, {d + "sky.hdr"}},  // relative: from the working directory
      {{"night sky.hdri", d + "sky.hdr"}, {d + "night sky.hdri", d + "sky.hdr"}},
      {{"missing.hdr", "folder", d + "folder"}, {}},  // neither missing paths nor folders
      {{"--wm-image=sky.hdr", "-q", "sky.hdr"}, {d + "sky.hdr"}},
      {{"-o", "out.txt", "sky.hdr"}, {d + "sky.hdr"}},  // a value of -o is no file to open
      {{"-C", "sky.hdr"}, {}},
      {{"out.txt"}, {d + "out.txt"}},  // the window decides what a list file means
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "] ";
    EXPECT_EQ(StartFilesOf(c.args), c.expected) << shown;
  }
}

TEST_F(WindowStartFilesTest, KeptForTheWindow) {
  SetWindowStartFiles({dir + "sky.hdr"});
  EXPECT_EQ(WindowStartFiles(), std::vector<std::string>{dir + "sky.hdr"});
  SetWindowStartFiles({});
  EXPECT_TRUE(WindowStartFiles().empty());
}

// Opening a picture from a file manager starts window mode: nothing is
// converted and no file appears beside the picture.
TEST_F(WindowStartFilesTest, OpeningAFileConvertsNothing) {
  const auto before = std::distance(std::filesystem::directory_iterator(dir), {});
  const ProgramResult r = RunLumivert({dir + "sky.hdr"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.find("Conversion"), std::string::npos) << r.out;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), before);
}

}  // namespace
