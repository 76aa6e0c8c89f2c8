// The two steps of a file's conversion: a file rendered ahead with numbers
// that an earlier failure changed must end exactly as if it had been
// converted in turn.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "batch/ConversionRun.h"
#include "codecs/FormatTables.h"
#include "pipeline/ConvertFile.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

class CommitFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateProcessLists();
    BuildFormatTables();
    ResetRunRecords();
    ApplyDefaults(1);
    folder_ = ScratchFolder("commit-file");
    fs::create_directories(folder_ + "out");
    input_ = folder_ + "a.hdr";
    ASSERT_TRUE(WriteRadianceFile(input_, GradientPicture(160, 100)));
    RunState.CommandLineRun = 1;
    RunState.InputFile = input_;
    RunState.OutputFolder = folder_ + "out/";
    RunState.ConversionType = "png";
    Settings.FilenameMask = "%n%-%filename%.%ext%";
  }

  // Converts in turn with counter; returns the output's bytes and removes it.
  std::string ConvertedInTurn(std::int32_t counter) {
    FileJob job;
    job.InputFile = input_;
    job.Counter = counter;
    job.RandomNumber = 77;
    EXPECT_TRUE(ConvertFile(job, inputs_));
    const std::string bytes = ReadFileBytes(job.OutputFile);
    fs::remove(job.OutputFile);
    return bytes;
  }

  std::string folder_;
  std::string input_;
  InputIdentities inputs_;
};

}  // namespace

TEST_F(CommitFileTest, ACorrectedCounterGivesTheBytesAndNameOfATurn) {
  struct Case {
    const char* text;  // the watermark text
    bool differs;      // whether counter 5 draws a different picture from 4
  };
  for (const Case& c : {Case{"n=%n%", true}, Case{"fixed text", false}}) {
    SCOPED_TRACE(c.text);
    Settings.Text = c.text;
    Settings.DoWatermark = 1;
    ConversionRun run;  // resolves the run's depth and flags, loads the font
    ASSERT_EQ(run.Check().Error, "");
    const std::string inTurn = ConvertedInTurn(4);
    const std::string withFive = ConvertedInTurn(5);
    EXPECT_EQ(inTurn != withFive, c.differs);

    FileJob ahead;
    ahead.InputFile = input_;
    ahead.Counter = 5;
    ahead.RandomNumber = 77;
    ASSERT_TRUE(RenderFile(ahead));
    EXPECT_EQ(ahead.OutputFile, folder_ + "out/00005-a.png");
    EXPECT_FALSE(fs::exists(ahead.OutputFile));  // only the temporary file so far
    ASSERT_TRUE(fs::exists(ahead.TempPath));

    ahead.Counter = 4;
    ASSERT_TRUE(CommitFile(ahead, inputs_, true));
    EXPECT_EQ(ahead.OutputFile, folder_ + "out/00004-a.png");
    EXPECT_TRUE(ReadFileBytes(ahead.OutputFile) == inTurn);
    EXPECT_EQ(Entries(folder_ + "out"), std::set<std::string>{"00004-a.png"});
    fs::remove(ahead.OutputFile);
  }
}

TEST_F(CommitFileTest, AFailedRenderOnlyTakesItsFinalName) {
  FileJob job;
  job.InputFile = input_;
  job.OutputFile = folder_ + "out/00005-a.png";
  job.RenderedCounter = 5;
  job.Counter = 4;
  EXPECT_FALSE(CommitFile(job, inputs_, false));
  EXPECT_EQ(job.OutputFile, folder_ + "out/00004-a.png");
  EXPECT_TRUE(Entries(folder_ + "out").empty());
}

TEST_F(CommitFileTest, AnOutputNamingAnInputIsDroppedAtTheCommit) {
  RunState.ConversionType = "hdr";
  RunState.OutputFolder = folder_;
  Settings.FilenameMask = "%filename%.%ext%";
  ConversionRun run;
  ASSERT_EQ(run.Check().Error, "");
  const std::string original = ReadFileBytes(input_);
  FileIdentity identity;
  ASSERT_TRUE(IdentifyFile(input_, identity));
  inputs_.insert(identity);
  FileJob job;
  job.InputFile = input_;
  ASSERT_TRUE(RenderFile(job));
  EXPECT_FALSE(CommitFile(job, inputs_, true));
  EXPECT_EQ(TakeFailure().Kind, FailureKind::SameAsInput);
  EXPECT_TRUE(ReadFileBytes(input_) == original);
  EXPECT_EQ(Entries(folder_), (std::set<std::string>{"a.hdr", "out"}));
}
