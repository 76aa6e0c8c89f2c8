#include <gtest/gtest.h>

#include <ctime>
#include <set>
#include <string>

#include "codecs/FormatTables.h"
#include "naming/OutputNaming.h"
#include "settings/Settings.h"

namespace {

class OutputNaming : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateProcessLists();
    InitRunState();
    ApplyDefaults(1);
    RunState.ConversionType = "tiff";
    RunState.OutputFolder = "/out/";
    job.InputFile = "/in/sub/night SKY.Final.hdr";
    job.OutputBpp = 24;
    job.OutputWidth = 640;
    job.OutputHeight = 480;
    job.RandomNumber = 42;
    job.Counter = 7;
    job.RelativeFolder = "sub/deeper/";
  }

  std::string Name(const std::string& mask) {
    Settings.FilenameMask = mask;
    return ExpandFilenameMask(job);
  }

  FileJob job;
};

std::string LocalField(const char* format, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, format, &local);
  return buf;
}

}  // namespace

TEST_F(OutputNaming, EveryPlaceholderInTurn) {
  struct Case {
    const char* mask;
    const char* name;
  } cases[] = {
      {"%filename%", "night SKY.Final"},
      {"%filename[u]%", "NIGHT SKY.FINAL"},
      {"%filename[l]%", "night sky.final"},
      {"%filename[t]%", "Night sky.final"},
      {"%ext%", "tiff"},
      {"%ext[u]%", "TIFF"},
      {"%ext[t]%", "Tiff"},
      {"%bpp%", "24"},
      {"%width%", "640"},
      {"%height%", "480"},
      {"%rnd%", "00042"},
      {"%n%", "00007"},
  };
  for (const Case& c : cases) EXPECT_EQ(Name(c.mask), c.name) << c.mask;
}

TEST_F(OutputNaming, DateAndTimePlaceholdersUseTheLocalClock) {
  struct Case {
    const char* mask;
    const char* format;
  } cases[] = {
      {"%yyyy%", "%Y"}, {"%mm%", "%m"}, {"%dd%", "%d"},
      {"%hh%", "%H"},   {"%ii%", "%M"}, {"%ss%", "%S"},
  };
  for (const Case& c : cases) {
    std::time_t before = std::time(nullptr);
    std::string name = Name(c.mask);
    std::time_t after = std::time(nullptr);
    // The clock may tick between the readings; either side is right.
    std::set<std::string> allowed = {LocalField(c.format, before), LocalField(c.format, after)};
    EXPECT_EQ(allowed.count(name), 1u) << c.mask << " gave " << name;
    EXPECT_EQ(name.size(), std::string(c.mask) == "%yyyy%" ? 4u : 2u) << c.mask;
  }
  // A whole stamp in one mask, compared against the clock read around it.
  std::time_t before = std::time(nullptr);
  std::string stamp = Name("%YYYY%-%MM%-%DD% %HH%.%II%.%SS%");
  std::time_t after = std::time(nullptr);
  std::set<std::string> allowed;
  for (std::time_t t = before; t <= after; ++t) allowed.insert(LocalField("%Y-%m-%d %H.%M.%S", t));
  EXPECT_EQ(allowed.count(stamp), 1u) << stamp;
}

TEST_F(OutputNaming, WholeMasks) {
  struct Case {
    const char* input;
    const char* ext;
    const char* mask;
    const char* name;
  } cases[] = {
      {"/in/Photo.Final.hdr", "jpg", "", "Photo.Final.jpg"},
      {"/in/Sky.hdr", "png", "%filename[u]%.%ext[u]%", "SKY.PNG"},
      {"/in/night SKY.hdr", "tiff", "%filename[t]%.%ext%", "Night sky.tiff"},
      // Literal text is lowered as a whole; placeholder values keep their case.
      {"/in/Sky.hdr", "png", "IMG_%n%_%FILENAME%.%Ext%", "img_00007_Sky.png"},
      {"/in/Sky.hdr", "png", "\xC3\x89T\xC3\x89-%filename%", "\xC3\xA9t\xC3\xA9-Sky"},
      // Unknown names between percent signs stay as written (lowered).
      {"/in/Sky.hdr", "png", "%Foo%_%filename%%", "%foo%_Sky%"},
      // A value holding a later placeholder has it expanded too.
      {"/in/x%n%.hdr", "bmp", "%filename%.%ext%", "x00007.bmp"},
      {"/in/archive.tar.hdr", "bmp", "%filename%", "archive.tar"},
      {"/in/noext", "bmp", "%filename%", "noext"},
      {"bare.hdr", "bmp", "%filename%.%ext%", "bare.bmp"},
      {"/in/\xC3\x89T\xC3\x89.hdr", "png", "%filename[l]%-%filename[t]%",
       "\xC3\xA9t\xC3\xA9-\xC3\x89t\xC3\xA9"},
      {"/in/%width%.hdr", "png", "%filename%x%height%", "640x480"},
  };
  for (const Case& c : cases) {
    job.InputFile = c.input;
    RunState.ConversionType = c.ext;
    EXPECT_EQ(Name(c.mask), c.name) << c.input << " with " << c.mask;
  }
}

TEST_F(OutputNaming, CountersKeepEveryDigitBeyondFive) {
  struct Case {
    int value;
    const char* text;
  } cases[] = {
      {1, "00001"}, {99999, "99999"}, {100000, "100000"}, {123456, "123456"}, {123457, "123457"},
  };
  for (const Case& c : cases) {
    job.Counter = c.value;
    job.RandomNumber = c.value;
    EXPECT_EQ(Name("%n%"), c.text);
    EXPECT_EQ(Name("%rnd%"), c.text);
  }
  // Consecutive counters past 99999 still give different names.
  std::set<std::string> names;
  for (int n = 99998; n <= 100012; ++n) {
    job.Counter = n;
    names.insert(Name("shot-%n%.%ext%"));
  }
  EXPECT_EQ(names.size(), 15u);
}

TEST_F(OutputNaming, StripExtensionRemovesOnlyTheLastOne) {
  struct Case {
    const char* name;
    const char* stripped;
  } cases[] = {
      {"", ""},     {"plain", "plain"}, {"a.hdr", "a"},       {"archive.tar.hdr", "archive.tar"},
      {".hdr", ""}, {"name.", "name"},  {"v1.5 shots", "v1"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripExtension(c.name), c.stripped) << c.name;
}

TEST_F(OutputNaming, ExpandPlaceholderMatchesAnyCase) {
  job.Counter = 3;
  EXPECT_EQ(ExpandPlaceholder("A%N%b%n%c%N%", "%n%", job), "A00003b00003c00003");
  EXPECT_EQ(ExpandPlaceholder("A%N%b%n%", "%N%", job), "A00003b00003");
  EXPECT_EQ(ExpandPlaceholder("(c) %YYYY% %Filename[U]%", "%filename[u]%", job),
            "(c) %YYYY% NIGHT SKY.FINAL");
  // Not a placeholder: the text is returned unchanged.
  EXPECT_EQ(ExpandPlaceholder("keep %foo% as is", "%foo%", job), "keep %foo% as is");
  EXPECT_EQ(ExpandPlaceholder("no marks", "%ext%", job), "no marks");
}

TEST_F(OutputNaming, OutputPathWithAndWithoutSubfolders) {
  Settings.FilenameMask = "%filename%_%n%.%ext%";
  job.InputFile = "/in/sub/deeper/Sky.hdr";
  RunState.ConversionType = "png";
  job.Counter = 1;

  Settings.KeepSubfolders = 1;
  EXPECT_EQ(BuildOutputPath(job), "/out/sub/deeper/Sky_00001.png");
  job.RelativeFolder = "";
  EXPECT_EQ(BuildOutputPath(job), "/out/Sky_00001.png");

  Settings.KeepSubfolders = 0;
  job.RelativeFolder = "sub/deeper/";
  EXPECT_EQ(BuildOutputPath(job), "/out/Sky_00001.png");

  // Separators in the mask pass into the path as written.
  Settings.KeepSubfolders = 1;
  Settings.FilenameMask = "%EXT%/%filename%";
  EXPECT_EQ(BuildOutputPath(job), "/out/sub/deeper/png/Sky");
}
