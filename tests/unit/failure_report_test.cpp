// Files that are not converted say why on standard error, outputs never
// replace an input, and an output written twice is reported; standard output
// stays exactly the specified console text.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the program like RunLumivert, keeping standard error too.
Outcome RunWithErrors(const std::vector<std::string>& args) {
  const std::string runtime = ScratchFolder("report-run");
  std::string cmd = "cd " + ShellQuote(runtime) + " && XDG_RUNTIME_DIR=" + ShellQuote(runtime) +
                    " XDG_CONFIG_HOME=" + ShellQuote(runtime + "config") + " " +
                    ShellQuote(LUMIVERT_EXE);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " </dev/null 2>" + ShellQuote(runtime + "err");
  Outcome outcome;
  outcome.out = RunShellCommand(cmd).out;
  outcome.err = ReadFileBytes(runtime + "err");
  fs::remove_all(runtime);
  return outcome;
}

std::string MakeHdr(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  WriteRadianceFile(path, GradientPicture(24, 16));
  return path;
}

std::string StatusLines(int added, int converted) {
  std::vector<std::string> lines = {"Preparing...", "Importing...",
                                    "Import complete, new files added: " + std::to_string(added),
                                    "Converting..."};
  if (converted > 0) {
    lines.push_back("Conversion complete");
    lines.push_back("Files converted: " + std::to_string(converted) + " of " +
                    std::to_string(added));
  } else {
    lines.push_back("Conversion stopped");
  }
  return CrLfLines(lines);
}

// Standard output after the four banner lines.
std::string AfterBanner(const std::string& out) {
  size_t at = 0;
  for (int i = 0; i < 4 && at != std::string::npos; ++i) at = out.find("\r\n", at) + 2;
  return out.substr(at);
}

}  // namespace

TEST(FailureReport, HdrOutputNeverReplacesItsOwnInput) {
  const std::string dir = ScratchFolder("same-input");
  const std::string a = MakeHdr(dir + "a.hdr");
  const std::string b = MakeHdr(dir + "b.hdri");
  const std::string aBytes = ReadFileBytes(a);

  // Without -o the output folder is the input's folder.
  Outcome r = RunWithErrors({"-i", a, "-c", "hdr"});
  EXPECT_EQ(ReadFileBytes(a), aBytes);
  EXPECT_EQ(AfterBanner(r.out), StatusLines(1, 0));
  EXPECT_EQ(r.err, "Not converted: " + a + ": output is an input file\r\n");

  // A folder run into the same folder: a.hdr is refused, b.hdri gives b.hdr.
  r = RunWithErrors({"-i", dir.substr(0, dir.size() - 1), "-o", dir, "-c", "hdr"});
  EXPECT_EQ(ReadFileBytes(a), aBytes);
  EXPECT_EQ(AfterBanner(r.out), StatusLines(2, 1));
  EXPECT_EQ(r.err, "Not converted: " + a + ": output is an input file\r\n");
  EXPECT_TRUE(fs::is_regular_file(dir + "b.hdr"));

  // Quiet runs print no reasons.
  r = RunWithErrors({"-q", "-i", a, "-c", "hdr"});
  EXPECT_EQ(ReadFileBytes(a), aBytes);
  EXPECT_EQ(r.out, CrLfLines({"Conversion stopped"}));
  EXPECT_EQ(r.err, "");
}

TEST(FailureReport, AFailedFileIsNamedOnStandardErrorOnly) {
  const std::string dir = ScratchFolder("failing");
  MakeHdr(dir + "in/good.hdr");
  WriteFileBytes(dir + "in/broken.hdr", "#?RADIANCE\nnot a picture\n");
  fs::create_directories(dir + "out");

  Outcome r = RunWithErrors({"-i", dir + "in", "-o", dir + "out", "-c", "png"});
  EXPECT_EQ(AfterBanner(r.out), StatusLines(2, 1));
  EXPECT_EQ(r.err, "Not converted: " + dir +
                       "in/broken.hdr: unreadable or not Radiance: "
                       "not a Radiance picture (no end of header)\r\n");
  EXPECT_TRUE(fs::is_regular_file(dir + "out/good.png"));

  r = RunWithErrors({"-q", "-i", dir + "in", "-o", dir + "out", "-c", "png"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST(FailureReport, AnOutputWrittenTwiceIsReported) {
  const std::string dir = ScratchFolder("twice");
  MakeHdr(dir + "in/a/x.hdr");
  MakeHdr(dir + "in/b/x.hdr");
  fs::create_directories(dir + "out");

  // Debug mode shows the order the files were converted in.
  Outcome r =
      RunWithErrors({"-d", "-i", dir + "in", "-o", dir + "out", "-c", "png", "--no-subfolders"});
  const std::string marker = "Processing: ";
  const size_t first = r.out.find(marker);
  const size_t second = r.out.find(marker, first + 1);
  ASSERT_NE(second, std::string::npos) << r.out;
  const std::string later =
      r.out.substr(second + marker.size(), r.out.find("\r\n", second) - second - marker.size());
  EXPECT_EQ(r.err, "Warning: " + dir + "out/x.png was already written in this run; replaced by " +
                       later + "\r\n");
  EXPECT_NE(r.out.find("Saving As: " + dir + "out/x.png\r\nOK\r\nProcessing"), std::string::npos);
}

// A list file over the cap is not read, and standard error says why with its
// size and the cap; standard output stays the plain "no input" text.
TEST(FailureReport, AnOversizedListFileSaysWhyOnStandardError) {
  const std::string dir = ScratchFolder("big-list");
  const std::string list = dir + "LIST.txt";
  WriteFileBytes(list, MakeHdr(dir + "in/a.hdr") + "\n");
  fs::resize_file(list, std::uintmax_t{70} << 20);  // sparse: zeros after the line
  fs::create_directories(dir + "out");

  Outcome r = RunWithErrors({"-i", list, "-o", dir + "out", "-c", "png"});
  EXPECT_EQ(AfterBanner(r.out),
            CrLfLines({"Preparing...", "Importing...", "Import complete, new files added: 0",
                       "Conversion stopped",
                       "No input file(s) found. Please, add valid file(s) and try again!"}));
  EXPECT_EQ(r.err,
            "Warning: " + list + ": list file is 70.0 MiB, over the 64 MiB limit; not read\r\n");
  EXPECT_TRUE(FolderEntries(dir + "out").empty());

  // Quiet keeps standard error as silent as for a file's reason.
  r = RunWithErrors({"-q", "-i", list, "-o", dir + "out", "-c", "png"});
  EXPECT_EQ(r.out, CrLfLines({"Conversion stopped",
                              "No input file(s) found. Please, add valid file(s) and try again!"}));
  EXPECT_EQ(r.err, "");
}
