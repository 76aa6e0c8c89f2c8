// End-to-end runs of the built program: console bytes, outputs and their names.
#include <FreeImage.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "batch/InputList.h"
#include "bench/BarePipeline.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> StatusOneFile = {
    "Preparing...",  "Importing...",        "Import complete, new files added: 1",
    "Converting...", "Conversion complete", "Files converted: 1 of 1"};

std::string MakeHdr(const std::string& path, int w = 48, int h = 40) {
  fs::create_directories(fs::path(path).parent_path());
  WriteRadianceFile(path, GradientPicture(w, h));
  return path;
}

// Width and height of a picture file, or 0 x 0.
std::pair<unsigned, unsigned> SizeOf(const std::string& path) {
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.c_str(), 0);
  FIBITMAP* dib = fif == FIF_UNKNOWN ? nullptr : FreeImage_Load(fif, path.c_str(), 0);
  if (!dib) return {0, 0};
  std::pair<unsigned, unsigned> size{FreeImage_GetWidth(dib), FreeImage_GetHeight(dib)};
  FreeImage_Unload(dib);
  return size;
}

std::vector<std::string> FilesBelow(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) names.push_back(fs::relative(e.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(RunDriver, ConvertsOneFileWithStatusLines) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "in/pic.hdr");
  fs::create_directories(dir + "out");
  ProgramResult r = RunLumivert({"-q", "-i", dir + "in/pic.hdr", "-o", dir + "out", "-c", "png"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(SizeOf(dir + "out/pic.png"), std::make_pair(48u, 40u));

  r = RunLumivert({"-i", dir + "in/pic.hdr", "-o", dir + "out", "-c", "jpg"});
  ASSERT_GE(r.out.size(), 4u);
  // After the four banner lines come exactly the status lines.
  size_t banner = 0;
  for (int i = 0; i < 4; ++i) banner = r.out.find("\r\n", banner) + 2;
  EXPECT_EQ(r.out.substr(banner), CrLfLines(StatusOneFile));
  EXPECT_EQ(SizeOf(dir + "out/pic.jpg"), std::make_pair(48u, 40u));
}

TEST(RunDriver, OutputFolderDefaultsToTheInputFileFolder) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "pic.hdri");
  ProgramResult r = RunLumivert({"-q", "-i", dir + "pic.hdri"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(SizeOf(dir + "pic.bmp"), std::make_pair(48u, 40u));  // bmp by default
}

TEST(RunDriver, DebugEchoesEverySettingAndEachFile) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "pic.hdr");
  ProgramResult r = RunLumivert({"-q", "-d", "-i", dir + "pic.hdr", "-c", "png"});
  EXPECT_EQ(
      r.out,
      CrLfLines({"Input: " + dir + "pic.hdr", "Output: " + dir, "Conversion: png", "PNG BPP: 0",
                 "PNG Compression: none", "PNG Interlaced: 0", "Flip Horizontal: 0",
                 "Flip Vertical: 0", "Greyscale: 0", "Frame: none", "Watermark: none",
                 "Filename Mask: %filename%.%ext%", "File Timestamp: current", "Keep Subfolders: 1",
                 "Processing: " + dir + "pic.hdr", "Saving As: " + dir + "pic.png", "OK"}));
}

TEST(RunDriver, DebugEchoOfStageSettingsUsesKeywordsInLowerCase) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "pic.hdr");
  ProgramResult r = RunLumivert({"-q",
                                 "-d",
                                 "-i",
                                 dir + "pic.hdr",
                                 "-c",
                                 "tiff",
                                 "--tiff-compression=lzw",
                                 "--rotation=90",
                                 "--rotation-type=advanced",
                                 "--width=50",
                                 "--width-unit=percent",
                                 "--height=20",
                                 "--resize-algorithm=lanczos",
                                 "--gamma=1.5",
                                 "--threshold=100",
                                 "--fr-solid-left=3",
                                 "--fr-solid-left-color=FF0000",
                                 "--file-timestamp=custom",
                                 "--file-timestamp-custom=86400",
                                 "--no-subfolders"});
  const std::string expected = CrLfLines({"Conversion: tiff",
                                          "TIFF BPP: 0",
                                          "TIFF Compression: lzw",
                                          "TIFF Color Model: rgb",
                                          "Image Rotation Type: advanced",
                                          "Image Rotation: 90",
                                          "Image Rotation Back Color: 000000",
                                          "Width: 50 percent",
                                          "Height: 20 pixels",
                                          "Keep Aspect Ratio: 0",
                                          "Image Resize Type: allimages",
                                          "Image Resize Algorithm: lanczos",
                                          "Flip Horizontal: 0",
                                          "Flip Vertical: 0",
                                          "Brightness: 0",
                                          "Contrast: 0",
                                          "Gamma: 1.50",
                                          "Invert: 0",
                                          "Greyscale: 0",
                                          "Image Threshold: 100",
                                          "Frame: solid",
                                          "Frame left: 3",
                                          "Frame right: 0",
                                          "Frame top: 0",
                                          "Frame bottom: 0",
                                          "Frame left color: FF0000",
                                          "Frame right color: 000000",
                                          "Frame top color: 000000",
                                          "Frame bottom color: 000000",
                                          "Frame opacity: 255",
                                          "Watermark: none",
                                          "Filename Mask: %filename%.%ext%",
                                          "File Timestamp: custom",
                                          "Custom Timestamp: 86400",
                                          "Keep Subfolders: 0"});
  EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
}

TEST(RunDriver, EachCheckPrintsItsErrorLine) {
  const std::string dir = ScratchFolder("run");
  const std::string pic = MakeHdr(dir + "pic.hdr");
  WriteFileBytes(dir + "empty.hdr", "");
  fs::create_directories(dir + "my.pictures");
  WriteFileBytes(dir + "noext", "x");
  struct Case {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"-i", dir + "missing.hdr"}, "Error: Invalid input file"},
      {{"-i", dir + "empty.hdr"}, "Error: Invalid input file"},
      {{"-i", dir + "my.pictures"}, "Error: Invalid input file"},
      {{"-i", dir + "noext"}, "Error: Invalid input folder"},
      {{"-i", "../pictures"}, "Error: Incorrect input folder"},
      {{"-i", dir + "nothere"}, "Error: Invalid input folder"},
      {{"-i", pic, "-o", "../x"}, "Error: Incorrect output folder"},
      {{"-i", pic, "-o", dir + "nothere"}, "Error: Invalid output folder"},
      {{"-i", pic, "-c", "JPG"}, "Error: Invalid conversion type"},
      {{"-i", pic, "-c", "tiff", "--tiff-bpp=16"}, "Error: Invalid tiff-bpp value"},
      {{"-i", pic, "--bmp-bpp=2"}, "Error: Invalid bmp-bpp value"},
      {{"-i", pic, "-c", "jpg", "--jpg-quality=0"}, "Error: Invalid jpg-quality value"},
      {{"-i", pic, "-c", "jpg", "--jpg-quality=101"}, "Error: Invalid jpg-quality value"},
      {{"-i", pic, "--width=50"}, "Error: Invalid height value"},
      {{"-i", pic, "--height=50"}, "Error: Invalid width value"},
      {{"-i", pic, "--brightness=150"}, "Error: Invalid brightness value"},
      {{"-i", pic, "--contrast=-101"}, "Error: Invalid contrast value"},
      {{"-i", pic, "--gamma=10"}, "Error: Invalid gamma value"},
      {{"-i", pic, "--gamma=NaN"}, "Error: Invalid gamma value"},
      {{"-i", pic, "--wm-text=x", "--wm-font=NoSuchFontXyz"}, "Error: Invalid watermark font"},
      {{"-i", pic, "--wm-image=" + dir + "empty.hdr"}, "Error: Invalid watermark image"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProgramResult r = RunLumivert(args);
    EXPECT_EQ(r.out, c.line + "\r\n") << c.args[1];
    EXPECT_EQ(r.exitCode, 0);
  }
  // Nothing was written by any of these runs.
  EXPECT_EQ(FilesBelow(dir), (std::vector<std::string>{"empty.hdr", "noext", "pic.hdr"}));
}

TEST(RunDriver, BoundaryValuesPass) {
  const std::string dir = ScratchFolder("run");
  const std::string pic = MakeHdr(dir + "pic.hdr");
  for (const char* gamma : {"--gamma=0.01", "--gamma=9.99"}) {
    ProgramResult r = RunLumivert({"-q", "-i", pic, "-c", "png", gamma});
    EXPECT_EQ(r.out, "") << gamma;
  }
  ProgramResult r = RunLumivert({"-q", "-i", pic, "-c", "png", "--jpg-quality=0"});
  EXPECT_EQ(r.out, "");  // the quality matters only for jpg
}

TEST(RunDriver, InputsThatYieldNoFileStopTheRun) {
  const std::string dir = ScratchFolder("run");
  WriteFileBytes(dir + "pic.png", "not empty");
  fs::create_directories(dir + "emptyfolder");
  WriteFileBytes(dir + "list.lst", "\r\n");
  const std::string stopped =
      "Conversion stopped\r\nNo input file(s) found. Please, add valid file(s) and try again!\r\n";
  for (const std::string& input : {dir + "pic.png", dir + "emptyfolder", dir + "list.lst"}) {
    EXPECT_EQ(RunLumivert({"-q", "-i", input}).out, stopped) << input;
    ProgramResult r = RunLumivert({"-i", input});
    EXPECT_NE(r.out.find("Importing...\r\nImport complete, new files added: 0\r\n" + stopped),
              std::string::npos)
        << r.out;
  }
}

TEST(RunDriver, RunWhereEveryFileFailsIsStopped) {
  const std::string dir = ScratchFolder("run");
  WriteFileBytes(dir + "broken.hdr", "#?RADIANCE\nnot really\n");
  ProgramResult r = RunLumivert({"-i", dir + "broken.hdr", "-c", "png"});
  EXPECT_NE(r.out.find("Import complete, new files added: 1\r\nConverting...\r\nConversion "
                       "stopped\r\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(RunLumivert({"-q", "-i", dir + "broken.hdr"}).out, "Conversion stopped\r\n");
}

TEST(RunDriver, FolderTreeKeepsOrDropsSubfolders) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "in/top.hdr");
  MakeHdr(dir + "in/a/b/deep.HDR");
  WriteFileBytes(dir + "in/a/notes.txt", "ignored");
  fs::create_directories(dir + "out1");
  fs::create_directories(dir + "out2");
  EXPECT_EQ(RunLumivert({"-q", "-i", dir + "in", "-o", dir + "out1", "-c", "png"}).out, "");
  EXPECT_EQ(FilesBelow(dir + "out1"), (std::vector<std::string>{"a/b/deep.png", "top.png"}));
  EXPECT_EQ(
      RunLumivert({"-q", "-i", dir + "in/", "-o", dir + "out2", "-c", "png", "--no-subfolders"})
          .out,
      "");
  EXPECT_EQ(FilesBelow(dir + "out2"), (std::vector<std::string>{"deep.png", "top.png"}));
}

TEST(RunDriver, ListFileNamesFilesAndFolders) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "a/one.hdr");
  MakeHdr(dir + "b/two.hdr", 30, 20);
  MakeHdr(dir + "c/three.hdr");
  WriteFileBytes(dir + "list.TXT", "\xEF\xBB\xBF" + dir + "a/one.hdr  \r\n" + dir + "b/two.hdr\r" +
                                       dir + "c\n" + dir + "missing.hdr\n");
  fs::create_directories(dir + "out");
  ProgramResult r = RunLumivert({"-i", dir + "list.TXT", "-o", dir + "out", "-c", "png"});
  EXPECT_NE(r.out.find("Import complete, new files added: 3\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Files converted: 3 of 3\r\n"), std::string::npos) << r.out;
  EXPECT_EQ(SizeOf(dir + "out/two.png"), std::make_pair(30u, 20u));
  EXPECT_TRUE(fs::exists(dir + "out/one.png"));
  EXPECT_TRUE(fs::exists(dir + "out/three.png"));
}

// The counter follows the input list's bucket order and skips failed files.
TEST(RunDriver, CounterFollowsListOrderAndCountsOnlySuccesses) {
  const std::string dir = ScratchFolder("run");
  std::vector<std::pair<std::uint32_t, int>> order;  // bucket, width
  for (int i = 0; i < 4; ++i) {
    const std::string path = dir + "in/p" + std::to_string(i) + ".hdr";
    MakeHdr(path, 33 + i, 20);
    order.push_back({InputListMap::BucketOf(path), 33 + i});
  }
  const std::string broken = dir + "in/zz-broken.hdr";
  WriteFileBytes(broken, "#?RADIANCE\n\n");
  std::sort(order.begin(), order.end());
  fs::create_directories(dir + "out");
  ProgramResult r =
      RunLumivert({"-i", dir + "in", "-o", dir + "out", "-c", "png", "--filename-mask=%n%.%ext%"});
  EXPECT_NE(r.out.find("Files converted: 4 of 5\r\n"), std::string::npos) << r.out;
  for (int n = 0; n < 4; ++n) {
    const std::string name = dir + "out/0000" + std::to_string(n + 1) + ".png";
    EXPECT_EQ(SizeOf(name).first, static_cast<unsigned>(order[static_cast<size_t>(n)].second))
        << name;
  }
  EXPECT_FALSE(fs::exists(dir + "out/00005.png"));
}

TEST(RunDriver, TimestampsFollowTheSetting) {
  const std::string dir = ScratchFolder("run");
  const std::string pic = MakeHdr(dir + "pic.hdr");
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, pic.c_str(), times, 0), 0);
  fs::create_directories(dir + "o1");
  fs::create_directories(dir + "o2");
  fs::create_directories(dir + "o3");
  RunLumivert({"-q", "-i", pic, "-o", dir + "o1", "-c", "png", "--file-timestamp=original"});
  RunLumivert({"-q", "-i", pic, "-o", dir + "o2", "-c", "png", "--file-timestamp=custom",
               "--file-timestamp-custom=1500000000"});
  RunLumivert({"-q", "-i", pic, "-o", dir + "o3", "-c", "png"});
  struct stat st {};
  ASSERT_EQ(stat((dir + "o1/pic.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1000000000);
  ASSERT_EQ(stat((dir + "o2/pic.png").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, TimeFromLocalDate(1500000000));
  ASSERT_EQ(stat((dir + "o3/pic.png").c_str(), &st), 0);
  EXPECT_GT(st.st_mtime, 1600000000);
}

TEST(RunDriver, RelativeFoldersAreTakenFromTheProgramFolder) {
  const std::string programFolder = fs::path(LUMIVERT_EXE).parent_path().string() + "/";
  const std::string name = "rel-test-" + std::to_string(getpid());
  MakeHdr(programFolder + name + "/in/pic.hdr");
  // Started elsewhere, "./NAME/in" still means the folder beside the program.
  ProgramResult r =
      RunLumivert({"-q", "-i", "./" + name + "/in", "-c", "png"}, ScratchFolder("cwd"));
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::exists(programFolder + name + "/in/pic.png"));
  fs::remove_all(programFolder + name);
}

TEST(RunDriver, IconOfASmallNonSquarePictureIsSquare) {
  const std::string dir = ScratchFolder("run");
  MakeHdr(dir + "wide.hdr", 60, 20);
  MakeHdr(dir + "big.hdr", 300, 100);
  for (const char* name : {"wide", "big"}) {
    ProgramResult r = RunLumivert({"-q", "-i", dir + name + ".hdr", "-c", "ico",
                                   "--filename-mask=%filename%-%width%x%height%.%ext%"});
    EXPECT_EQ(r.out, "") << name;
  }
  EXPECT_EQ(SizeOf(dir + "wide-60x60.ico"), std::make_pair(60u, 60u));
  EXPECT_EQ(SizeOf(dir + "big-128x128.ico"), std::make_pair(128u, 128u));
}

TEST(RunDriver, TinyPicturesAndThumbnailsConvert) {
  const std::string dir = ScratchFolder("run");
  fs::copy_file(std::string(SOURCE_DIR) + "/tests/data/rgbr4x4.hdr", dir + "tiny.hdr");
  MakeHdr(dir + "big.hdr", 200, 120);
  EXPECT_EQ(RunLumivert({"-q", "-i", dir + "tiny.hdr", "-c", "png"}).out, "");
  EXPECT_EQ(SizeOf(dir + "tiny.png"), std::make_pair(4u, 4u));
  EXPECT_EQ(
      RunLumivert({"-q", "-i", dir + "big.hdr", "-c", "png", "--width=16", "--height=16"}).out, "");
  EXPECT_EQ(SizeOf(dir + "big.png"), std::make_pair(16u, 16u));
}

// With default settings the program's png and jpg files equal those of the
// bare library calls, byte for byte.
TEST(RunDriver, DefaultOutputsEqualTheBareLibraryPipeline) {
  const std::string dir = ScratchFolder("run");
  fs::copy_file(std::string(SOURCE_DIR) + "/tests/data/trans2_fish.hdr", dir + "fish.hdr");
  fs::create_directories(dir + "out");
  for (const std::string ext : {"png", "jpg"}) {
    EXPECT_EQ(RunLumivert({"-q", "-i", dir + "fish.hdr", "-o", dir + "out", "-c", ext}).out, "");
    ASSERT_TRUE(BareConvert(dir + "fish.hdr", dir + "bare." + ext, ext));
    const std::string ours = ReadFileBytes(dir + "out/fish." + ext);
    EXPECT_FALSE(ours.empty());
    EXPECT_TRUE(ours == ReadFileBytes(dir + "bare." + ext)) << ext;
  }
}

// The text watermark's size and depth placeholders show the picture being
// converted, not the previous file's (here: none, which would print 0x0 0).
TEST(RunDriver, WatermarkPlaceholdersShowTheCurrentPicture) {
  const std::string dir = ScratchFolder("run");
  const std::string pic = MakeHdr(dir + "pic.hdr", 120, 50);
  for (const auto& [mask, text] :
       {std::pair<std::string, std::string>{"a", "%width%x%height% %bpp%"},
        {"b", "120x50 32"},
        {"c", "0x0 0"}}) {
    ProgramResult r = RunLumivert({"-q", "-i", pic, "-c", "bmp", "--wm-text=" + text,
                                   "--wm-font-size=10", "--filename-mask=" + mask + ".%ext%"});
    EXPECT_EQ(r.out, "") << text;
  }
  const std::string a = ReadFileBytes(dir + "a.bmp");
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == ReadFileBytes(dir + "b.bmp"));
  EXPECT_FALSE(a == ReadFileBytes(dir + "c.bmp"));
}
