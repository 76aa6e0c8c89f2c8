// A write that fails part-way (a file-size limit, a full disk, a folder that
// takes no file) must fail the file, keep the previous output byte for byte
// and leave no temporary file. Each failing write runs in a child process so
// that its limits and its identity stay there.
#include <IL/il.h>
#include <IL/ilu.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>

#include "codecs/FormatTables.h"
#include "codecs/OutputEncoding.h"
#include "codecs/OutputFormats.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"
#include "support/WriterRun.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned NoiseSize = 256;

// Noise does not compress, so every format's file is far above a 4 KB limit
// (the 1-bit formats included: 8 KB of pixels).
FIBITMAP* NoisePicture() {
  FIBITMAP* image = FreeImage_Allocate(NoiseSize, NoiseSize, 24);
  unsigned state = 12345;
  for (unsigned y = 0; y < NoiseSize; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned i = 0; i < 3 * NoiseSize; ++i) {
      state = state * 1103515245u + 12345u;
      row[i] = static_cast<BYTE>(state >> 16);
    }
  }
  return image;
}

// The file being written.
FileJob Job;

// Fresh records, then a run of ext at its automatic depth.
void PrepareRun(const std::string& ext, const std::string& outputFile) {
  InitRunState();
  ApplyDefaults(1);
  Job = PrepareWriterRun(ext, 0, outputFile);
}

struct ChildSave {
  bool exited = false;  // the child ended normally (no signal)
  bool converted = false;
  FailureKind kind = FailureKind::None;
  std::string detail;
};

// Runs setup and then SaveOutputImage for the prepared run in a child
// process, and brings back its result and failure note.
ChildSave SaveInChild(FIBITMAP* image, const std::function<void()>& setup) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(channel[0]);
    setup();
    const bool ok = SaveOutputImage(image, Job);
    const FileFailure failure = TakeFailure();
    const std::string report = std::string(ok ? "1" : "0") +
                               static_cast<char>('0' + static_cast<int>(failure.Kind)) +
                               failure.Detail;
    ssize_t ignored = write(channel[1], report.data(), report.size());
    (void)ignored;
    _exit(0);
  }
  close(channel[1]);
  std::string report;
  char buffer[256];
  ssize_t n;
  while ((n = read(channel[0], buffer, sizeof buffer)) > 0) report.append(buffer, size_t(n));
  close(channel[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ChildSave result;
  result.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (report.size() >= 2) {
    result.converted = report[0] == '1';
    result.kind = static_cast<FailureKind>(report[1] - '0');
    result.detail = report.substr(2);
  }
  return result;
}

class CheckedWrites : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateProcessLists();
    BuildFormatTables();
    ilInit();
    iluInit();
  }
  void SetUp() override { folder_ = ScratchFolder("checked"); }
  void TearDown() override {
    chmod(folder_.c_str(), 0755);
    fs::remove_all(folder_);
  }
  std::string folder_;
};

}  // namespace

// Under a 4 KB file-size limit (SIGXFSZ ignored, so the write itself fails
// with EFBIG) every format fails as "write failed", the previous output keeps
// its bytes and the folder holds nothing else; without the limit the same
// picture converts, so the limit is what broke it.
TEST_F(CheckedWrites, EveryFormatFailsUnderAFileSizeLimitAndKeepsThePreviousFile) {
  ASSERT_EQ(OutputExtensions.size(), 23u);
  const std::string previous = "the previous good output";
  for (const std::string& ext : OutputExtensions) {
    SCOPED_TRACE(ext);
    const std::string target = folder_ + "picture." + ext;
    WriteFileBytes(target, previous);
    PrepareRun(ext, target);
    const Bitmap image = ConvertDepth(Bitmap(NoisePicture()), Job);
    ASSERT_NE(image.get(), nullptr);

    const ChildSave limited = SaveInChild(image.get(), [] {
      signal(SIGXFSZ, SIG_IGN);
      struct rlimit limit = {4096, 4096};
      setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_TRUE(limited.exited);
    EXPECT_FALSE(limited.converted);
    EXPECT_EQ(limited.kind, FailureKind::WriteFailed);
    EXPECT_EQ(limited.detail, std::strerror(EFBIG));
    EXPECT_EQ(ReadFileBytes(target), previous);
    EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"picture." + ext});

    ASSERT_TRUE(SaveOutputImage(image.get(), Job));
    EXPECT_EQ(TakeFailure().Kind, FailureKind::None);
    EXPECT_GT(ReadFileBytes(target).size(), 4096u);
    EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"picture." + ext});
    fs::remove(target);
  }
}

// A folder that takes no new file: the temporary file cannot be created, so
// nothing is written and the reason is the system's. The child gives up root
// rights first, which would otherwise ignore the folder's permissions.
TEST_F(CheckedWrites, ReadOnlyFolderFailsWithTheSystemsReason) {
  for (const char* ext : {"png", "psd", "jxr", "tiff"}) {
    SCOPED_TRACE(ext);
    const std::string target = folder_ + "kept." + ext;
    chmod(folder_.c_str(), 0755);
    WriteFileBytes(target, "kept");
    chmod(folder_.c_str(), 0555);
    PrepareRun(ext, target);
    const Bitmap image = ConvertDepth(Bitmap(NoisePicture()), Job);
    const ChildSave save = SaveInChild(image.get(), [] {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    });
    EXPECT_TRUE(save.exited);
    EXPECT_FALSE(save.converted);
    EXPECT_EQ(save.kind, FailureKind::WriteFailed);
    EXPECT_EQ(save.detail, std::strerror(EACCES));
    EXPECT_EQ(ReadFileBytes(target), "kept");
    EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"kept." + std::string(ext)});
    chmod(folder_.c_str(), 0755);
    fs::remove(target);
  }
}

// A picture the library will not encode is "encoder refused", not a write
// failure, and leaves the previous file too.
TEST_F(CheckedWrites, RefusedPictureIsTheEncodersFailure) {
  const std::string target = folder_ + "flat.hdr";
  WriteFileBytes(target, "old");
  PrepareRun("hdr", target);
  RunState.OutputBpp = 96;
  RunState.AutoBpp = 0;
  Job.OutputBpp = 96;
  FIBITMAP* image = NoisePicture();  // 24-bit: a Radiance file needs float pixels
  EXPECT_FALSE(SaveOutputImage(image, Job));
  FreeImage_Unload(image);
  EXPECT_EQ(TakeFailure().Kind, FailureKind::EncoderRefused);
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"flat.hdr"});
}

TEST_F(CheckedWrites, TemporaryNamesShowTheirTarget) {
  const std::regex shape(R"(/out/sub/\.pic\.png\.lumivert-[A-Za-z0-9]{6})");
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const std::string path = TempPathFor("/out/sub/pic.png");
    EXPECT_TRUE(std::regex_match(path, shape)) << path;
    names.insert(path);
  }
  EXPECT_GT(names.size(), 15u);  // random, so two writers rarely try the same name
  EXPECT_TRUE(std::regex_match(TempPathFor("a b.tiff"),
                               std::regex(R"(\.a b\.tiff\.lumivert-[A-Za-z0-9]{6})")));

  // A name near the 255-byte limit is shortened to keep the temporary name
  // valid, never inside a UTF-8 sequence, and the write still works.
  std::string longName = "x";                            // puts the 238-byte cut inside a character
  while (longName.size() < 240) longName += "\xC3\xA9";  // é
  longName += ".png";
  const std::string temp = TempPathFor(folder_ + longName);
  const std::string tempName = temp.substr(folder_.size());
  EXPECT_LE(tempName.size(), 255u);
  EXPECT_EQ(tempName.substr(tempName.size() - 16, 10), ".lumivert-");
  const std::string kept = tempName.substr(1, tempName.size() - 17);
  EXPECT_EQ(kept.size(), 237u) << "cut inside a two-byte character";
  EXPECT_EQ(longName.compare(0, kept.size(), kept), 0);

  PrepareRun("png", folder_ + longName);
  const Bitmap image = ConvertDepth(Bitmap(NoisePicture()), Job);
  EXPECT_TRUE(SaveOutputImage(image.get(), Job));
  EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{longName});
  const std::string used = Job.TempPath.substr(folder_.size());
  EXPECT_TRUE(std::regex_match(used, std::regex(R"(\..*\.lumivert-[A-Za-z0-9]{6})"))) << used;
}

// The real program under "ulimit -f" (64 KB): the two noise pictures, whose
// png files are far larger, fail with the system's reason and keep the
// previous output; the two small ones still convert; the process ends
// normally with 0 and leaves no temporary file.
TEST(FileSizeLimit, TheProgramReportsEachFileTooLargeAndGoesOn) {
  const std::string in = ScratchFolder("fsize-in");
  const std::string out = ScratchFolder("fsize-out");
  const std::string runtime = ScratchFolder("fsize-run");
  for (const char* name : {"small1", "small2"})
    ASSERT_TRUE(WriteRadianceFile(in + name + ".hdr", GradientPicture(16, 12)));
  for (const char* name : {"noise1", "noise2"}) {
    FloatPicture pic(200, 200);
    unsigned state = static_cast<unsigned>(name[5]);
    for (float& v : pic.rgb) {
      state = state * 1103515245u + 12345u;
      v = static_cast<float>(state >> 8 & 0xFFFF) / 4096.0f;
    }
    ASSERT_TRUE(WriteRadianceFile(in + name + ".hdr", pic));
  }
  WriteFileBytes(out + "noise1.png", "the previous good output");

  ChildOptions options;
  options.args = {"-i", in, "-o", out, "-c", "png"};
  options.runtime = runtime;
  options.fileSizeLimit = 64 * 1024;
  const ChildEnd end = RunChildProgram(options);

  EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << "status " << end.status;
  EXPECT_NE(end.out.find("Files converted: 2 of 4\r\n"), std::string::npos) << end.out;
  std::set<std::string> reasons;
  for (std::size_t at = 0, next; at < end.err.size(); at = next + 2) {
    next = end.err.find("\r\n", at);
    if (next == std::string::npos) next = end.err.size();
    reasons.insert(end.err.substr(at, next - at));
  }
  EXPECT_EQ(reasons, (std::set<std::string>{
                         "Not converted: " + in + "noise1.hdr: write failed: File too large",
                         "Not converted: " + in + "noise2.hdr: write failed: File too large",
                     }));
  EXPECT_EQ(FolderEntries(out), (std::set<std::string>{"noise1.png", "small1.png", "small2.png"}));
  EXPECT_EQ(ReadFileBytes(out + "noise1.png"), "the previous good output");
  EXPECT_EQ(ReadFileBytes(out + "small1.png").substr(1, 3), "PNG");
  for (const std::string& dir : {in, out, runtime}) fs::remove_all(dir);
}
