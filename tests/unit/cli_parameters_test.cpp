// The option grammar of the command line, run in-process on given parameters.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "settings/Settings.h"
#include "support/SettingsReset.h"
#include "support/TestSupport.h"

namespace {

ParameterOutcome Read(const std::vector<std::string>& params) {
  ResetSettings(1, RunRecords::NewRun);
  RunState.RunMode = "";
  SetProgramParameters(params);
  return ReadParameters();
}

const char* const Incorrect = "Incorrect number of parameters";

}  // namespace

TEST(OptionName, UpperCasesTheNamePart) {
  SetProgramParameters({"--Jpg-Quality=9x", "-i=a", "  -q  ", "plain", "--input", "--a=b=c", "",
                        " ", "-", "--", "--=x", "--wm-text=ä", "--straße"});
  const char* names[] = {
      "--JPG-QUALITY", "-I=A",     "-Q", "", "--INPUT", "--A", "", "", "-", "--", "--",
      "--WM-TEXT",     "--STRASSE"};
  for (int i = 0; i < ParamCount(); ++i) EXPECT_EQ(OptionName(i), names[i]) << i;
  EXPECT_EQ(OptionName(-1), "");
  EXPECT_EQ(OptionName(ParamCount()), "");
}

TEST(OptionValue, TakesTheTextAfterTheFirstEqualsOfALongOption) {
  SetProgramParameters(
      {"--Jpg-Quality=9x", "-i=a", "  -q  ", "plain=x", "--input", "--a=b=c", "--wm-text= A b "});
  const char* values[] = {"9x", "-i=a", "-q", "plain=x", "--input", "b=c", " A b"};
  for (int i = 0; i < ParamCount(); ++i) EXPECT_EQ(OptionValue(i), values[i]) << i;
  EXPECT_EQ(OptionValue(ParamCount()), "");
}

TEST(CommandLineGrammar, ShortAndLongFormsOfTheFrontEndOptions) {
  for (const std::vector<std::string>& params :
       {std::vector<std::string>{"-i", "pic.hdr", "-o", "out", "-c", "png"},
        std::vector<std::string>{"--input=pic.hdr", "--output=out", "--conversion=png"},
        std::vector<std::string>{"-I", "pic.hdr", "--OUTPUT=out", "-C", "\"png\""}}) {
    ParameterOutcome o = Read(params);
    EXPECT_EQ(o.Error, "");
    EXPECT_EQ(RunState.CommandLineRun, 1);
    EXPECT_EQ(RunState.InputFolder, "pic.hdr");
    EXPECT_EQ(RunState.OutputFolder, "out");
    EXPECT_EQ(RunState.ConversionType, "png");
  }
  Read({"-I", "PIC.HDR", "-c", "JPG"});
  EXPECT_EQ(RunState.InputFolder, "PIC.HDR");
  EXPECT_EQ(RunState.ConversionType, "JPG");  // case kept; the run driver checks it
}

TEST(CommandLineGrammar, MissingOrMalformedValuesAreUsageErrors) {
  struct Case {
    std::vector<std::string> params;
    std::string error;
  } cases[] = {
      {{"--input", "pic.hdr"}, Incorrect},
      {{"-i"}, Incorrect},
      {{"-i", "pic.hdr", "-o", "-q"}, Incorrect},
      {{"-i", "--x=pic.hdr"}, Incorrect},
      {{"-i", "pic.hdr", "--output="}, Incorrect},
      {{"-i", "pic.hdr", "-c", ""}, Incorrect},
      {{"-i", "pic.hdr", "--jpg-quality"}, Incorrect},
      {{"-i", "pic.hdr", "--jpg-quality="}, Incorrect},
      {{"-i", "pic.hdr", "--wm-text=--x"}, Incorrect},
      {{"-i", "pic.hdr", "--profile"}, Incorrect},
      {{"-i", "pic.hdr", "--profile=/nonexistent/p.ini"}, "Invalid profile file"},
      {{"-i", "pic.hdr", "--brightness=-20", "--wm-text=-x-"}, ""},
      {{"-i", "pic.hdr", "--no-such-option", "stray", "-z", "-h", "-v"}, ""},
  };
  for (const Case& c : cases) {
    ParameterOutcome o = Read(c.params);
    EXPECT_EQ(o.Error, c.error) << testing::PrintToString(c.params);
  }
  Read({"-i", "pic.hdr", "--brightness=-20"});
  EXPECT_EQ(Settings.ImageBrightness, -20);
  EXPECT_EQ(Settings.DoImageColorCorrection, 1);
}

TEST(CommandLineGrammar, TheFirstErrorStopsTheLoop) {
  ParameterOutcome o = Read({"-p", "--jpg-quality", "-q", "--width=10", "-i", "x"});
  EXPECT_EQ(o.Error, Incorrect);
  EXPECT_TRUE(o.Pause);
  EXPECT_FALSE(o.Quiet);
  EXPECT_EQ(Settings.ImageWidth, 0);
  EXPECT_EQ(RunState.CommandLineRun, 0);

  o = Read({"--jpg-quality", "-p"});
  EXPECT_EQ(o.Error, Incorrect);
  EXPECT_FALSE(o.Pause);
}

TEST(CommandLineGrammar, FlagsIgnoreTheirValues) {
  ParameterOutcome o = Read({"--png-interlaced=0", "--quiet=no", "--pause=0", "--debug=off",
                             "--no-subfolders=false", "-d"});
  EXPECT_EQ(o.Error, "");
  EXPECT_TRUE(o.Quiet);
  EXPECT_TRUE(o.Pause);
  EXPECT_EQ(RunState.RunMode, "DEBUG");
  EXPECT_EQ(Settings.PNGInterlaced, 1);
  EXPECT_EQ(Settings.KeepSubfolders, 0);
  EXPECT_EQ(RunState.CommandLineRun, 0);  // no input: window mode

  o = Read({"-q", "-P"});
  EXPECT_TRUE(o.Quiet);
  EXPECT_TRUE(o.Pause);
  EXPECT_EQ(RunState.RunMode, "");
  // Single-dash names include any "=": these match nothing.
  o = Read({"-q=1", "-d=1"});
  EXPECT_FALSE(o.Quiet);
  EXPECT_EQ(RunState.RunMode, "");
}

TEST(CommandLineGrammar, SplitQuotedTextValuesAreJoinedAgain) {
  ParameterOutcome o =
      Read({"-i", "\"my", "pictures/a.hdr\"", "-o", "\"out", "dir", "x\"", "--wm-text=\"Hello",
            "big", "world\"", "--wm-font=\"Sans\"", "--filename-mask=\"%filename%", "-q\""});
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(RunState.InputFolder, "my pictures/a.hdr");
  EXPECT_EQ(RunState.OutputFolder, "out dir x");
  EXPECT_EQ(Settings.Text, "Hello big world");
  EXPECT_EQ(Settings.Font, "Sans");
  EXPECT_EQ(Settings.FilenameMask, "%filename% -q");
  EXPECT_FALSE(o.Quiet);  // consumed by the join, not read as an option

  // Joining takes the value part of a following long option and stops at the end.
  Read({"--wm-text=\"a", "--b=c", "d"});
  EXPECT_EQ(Settings.Text, "a c d");
  // -c only loses its quotes; integer options never join.
  o = Read({"-c", "\"png", "jpg\"", "--jpg-quality=\"5", "6\""});
  EXPECT_EQ(RunState.ConversionType, "png");
  EXPECT_EQ(Settings.JPGQuality, 0);
  // Every leading and trailing quote goes.
  Read({"-i", "\"\"x\"\"", "--wm-text=\""});
  EXPECT_EQ(RunState.InputFolder, "x");
  EXPECT_EQ(Settings.Text, "");
}

TEST(CommandLineGrammar, ProfilesApplyAtTheirPosition) {
  std::string folder = ScratchFolder("cli-profile");
  WriteFileBytes(folder + "a.ini", "[CLI]\n--jpg-quality=40\n--width=12\n");
  WriteFileBytes(folder + "b c.ini", "[CLI]\n--jpg-quality=60\n");

  Read({"--profile=" + folder + "a.ini", "--jpg-quality=80"});
  EXPECT_EQ(Settings.JPGQuality, 80);
  EXPECT_EQ(Settings.ImageWidth, 12);
  Read({"--jpg-quality=80", "--profile=" + folder + "a.ini"});
  EXPECT_EQ(Settings.JPGQuality, 40);
  Read({"--profile=" + folder + "a.ini", "--profile=\"" + folder + "b", "c.ini\""});
  EXPECT_EQ(Settings.JPGQuality, 60);
  EXPECT_EQ(Settings.ImageWidth, 12);
}

TEST(CommandLineGrammar, OnlyTheFirst128ParametersAreRead) {
  std::vector<std::string> params(127, "stray");
  params.push_back("--width=5");   // index 127: read
  params.push_back("--height=6");  // index 128: dropped
  params.push_back("-i");
  params.push_back("x.hdr");
  SetProgramParameters(params);
  EXPECT_EQ(ParamCount(), MaxParameters);
  ParameterOutcome o = Read(params);
  EXPECT_EQ(o.Error, "");
  EXPECT_EQ(Settings.ImageWidth, 5);
  EXPECT_EQ(Settings.ImageHeight, 0);
  EXPECT_EQ(RunState.CommandLineRun, 0);

  // A quoted value at the very end does not read past the last kept parameter.
  params.assign(126, "stray");
  params.push_back("--wm-text=\"a");
  params.push_back("b");
  params.push_back("c\"");
  Read(params);
  EXPECT_EQ(Settings.Text, "a b");
}
