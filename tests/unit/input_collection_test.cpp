#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "pipeline/Progress.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "support/SettingsReset.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class InputCollection : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings(1, RunRecords::NewRun);
    RunState.CommandLineRun = 1;
    ResetProgress();
    InputFileAddedHook = nullptr;
    root = ScratchFolder("inputs");
  }
  void TearDown() override {
    InputFileAddedHook = nullptr;
    fs::remove_all(root);
  }

  // A small file; a few bytes are all the size test needs.
  void File(const std::string& relative, const std::string& bytes = "#?RADIANCE\n") {
    fs::create_directories(fs::path(root + relative).parent_path());
    WriteFileBytes(root + relative, bytes);
  }
  void Folder(const std::string& relative) { fs::create_directories(root + relative); }

  // Every key of InputList with its relative folder.
  static std::map<std::string, std::string> Collected() {
    std::map<std::string, std::string> out;
    std::string key;
    InputElement element;
    InputList.Reset();
    while (InputList.Next(key, element)) {
      EXPECT_EQ(element.Present, 1) << key;
      out[key] = element.RelativeFolder;
    }
    return out;
  }

  std::string root;
};

// Used by the stop tests: asks the running scan to stop once a file was added.
void StopAfterFirstFile(const std::string&) { Progress.KeepRunning = 0; }

std::vector<std::string> addedByHook;
void RecordAdded(const std::string& path) { addedByHook.push_back(path); }

}  // namespace

TEST(PathExtension, BackwardsScanStopsAtDotSlashOrSpace) {
  struct Case {
    const char* path;
    const char* extension;
  } cases[] = {
      {"/a b/pic.HDR", "HDR"},
      {"/v1.5 shots", ""},
      {"/pictures/", ""},
      {"/pictures/.hdr", ""},
      {".hdr", ""},
      {"x.hdr", "hdr"},
      {"/in/archive.tar.hdri", "hdri"},
      {"/my.pictures", "pictures"},
      {"/a.b/c", ""},
      {"/a/pic.h dr", ""},
      {"/a/pic.", ""},
      {"/in/\xC3\xA9t\xC3\xA9.Hdr", "Hdr"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PathExtension(c.path), c.extension) << c.path;
}

TEST(RelativePartTest, OnlyALeadingBaseIsRemoved) {
  struct Case {
    const char* path;
    const char* base;
    const char* expected;
  } cases[] = {
      {"/in/a/b/x.hdr", "/in/", "a/b/"},
      {"/in/x.hdr", "/in/", ""},
      // The base name again deeper down is part of the subfolder.
      {"/data/in/x/data/in/y.hdr", "/data/in/", "x/data/in/"},
      {"in/x/in/y.hdr", "in/", "x/in/"},
      // A base that occurs only inside the path is not the file's base.
      {"/other/in/a.hdr", "/in/", ""},
      {"/IN/a/x.hdr", "/in/", ""},
      {"/in/a/x.hdr", "", ""},
      {"", "/in/", ""},
      {"x.hdr", "/in/", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RelativePart(c.path, c.base), c.expected) << c.path << " below " << c.base;
}

TEST_F(InputCollection, AddInputFileAcceptsOnlyNonEmptyReadableFiles) {
  File("a.hdr");
  File("b.HDRI");
  File("c.png");
  File("d.hdr", "");
  File("noext");
  File(".hdr");
  Folder("f.hdr");
  ASSERT_EQ(symlink((root + "gone.hdr").c_str(), (root + "dangling.hdr").c_str()), 0);
  ASSERT_EQ(mkfifo((root + "pipe.hdr").c_str(), 0600), 0);

  struct Case {
    const char* name;
    int added;
  } cases[] = {
      {"a.hdr", 1},        {"b.HDRI", 1},   {"c.png", 0}, {"d.hdr", 0},
      {"noext", 0},        {".hdr", 0},     {"f.hdr", 0}, {"missing.hdr", 0},
      {"dangling.hdr", 0}, {"pipe.hdr", 0}, {"a.hdr", 0},  // the second a.hdr is a duplicate
  };
  for (const Case& c : cases) EXPECT_EQ(AddInputFile(root + c.name), c.added) << c.name;

  // The base folder is RunState.InputFolder, empty here: no relative folders.
  EXPECT_EQ(Collected(),
            (std::map<std::string, std::string>{{root + "a.hdr", ""}, {root + "b.HDRI", ""}}));
}

TEST_F(InputCollection, KeysKeepTheirSpellingSoTwoSpellingsAreTwoEntries) {
  File("sub/a.hdr");
  RunState.InputFolder = root;
  EXPECT_EQ(AddInputFile(root + "sub/a.hdr"), 1);
  EXPECT_EQ(AddInputFile(root + "sub/../sub/a.hdr"), 1);
  EXPECT_EQ(AddInputFile(root + "sub/a.hdr"), 0);
  auto got = Collected();
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(got[root + "sub/a.hdr"], "sub/");
  EXPECT_EQ(got[root + "sub/../sub/a.hdr"], "sub/../sub/");
}

TEST_F(InputCollection, FolderScanWalksEverySubfolderAndKeepsTheirNames) {
  File("in/a.hdr");
  File("in/b.HDRI");
  File("in/c.png");
  File("in/d.hdr", "");
  File("in/sub/e.hdr");
  File("in/sub/deeper/f.hdri");
  File("in/sub/deeper/.hidden.hdr");  // hidden entries are walked; this one has an extension
  File("in/x/in/g.hdr");
  Folder("in/empty");
  RunState.InputFolder = root + "in/";
  Progress.ResultCount = 0;

  EXPECT_EQ(ScanInputFolder(), 0);

  const std::string in = root + "in/";
  EXPECT_EQ(Collected(), (std::map<std::string, std::string>{
                             {in + "a.hdr", ""},
                             {in + "b.HDRI", ""},
                             {in + "sub/e.hdr", "sub/"},
                             {in + "sub/deeper/f.hdri", "sub/deeper/"},
                             {in + "sub/deeper/.hidden.hdr", "sub/deeper/"},
                             {in + "x/in/g.hdr", "x/in/"},
                         }));
  EXPECT_EQ(Progress.ResultCount, 6);
  // Top-level entries: a, b, c, d, sub, x, empty.
  EXPECT_EQ(Progress.Position, 7);
}

TEST_F(InputCollection, ScanAddsToTheStartersCountAndToleratesAMissingFolder) {
  File("in/a.hdr");
  RunState.InputFolder = root + "in/";
  Progress.ResultCount = 5;
  ScanInputFolder();
  EXPECT_EQ(Progress.ResultCount, 6);

  RunState.InputFolder = root + "nowhere/";
  ScanInputFolder();
  EXPECT_EQ(Progress.ResultCount, 6);
  EXPECT_EQ(InputList.Size(), 1u);
}

TEST_F(InputCollection, LinksBackUpTheTreeDoNotMakeTheWalkLoop) {
  File("in/a.hdr");
  File("in/sub/b.hdr");
  File("outside/c.hdr");
  const std::string in = root + "in/";
  // Links to the root, to the folder itself, and two links to one outside folder.
  ASSERT_EQ(symlink(in.c_str(), (in + "sub/up").c_str()), 0);
  ASSERT_EQ(symlink(".", (in + "sub/self").c_str()), 0);
  ASSERT_EQ(symlink((root + "outside").c_str(), (in + "link1").c_str()), 0);
  ASSERT_EQ(symlink((root + "outside").c_str(), (in + "sub/link2").c_str()), 0);
  RunState.InputFolder = in;

  ScanInputFolder();

  auto got = Collected();
  EXPECT_EQ(Progress.ResultCount, 3);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got.count(in + "a.hdr"), 1u);
  EXPECT_EQ(got.count(in + "sub/b.hdr"), 1u);
  // The outside folder is walked once, through whichever link came first.
  int outsideCopies = static_cast<int>(got.count(in + "link1/c.hdr")) +
                      static_cast<int>(got.count(in + "sub/link2/c.hdr"));
  EXPECT_EQ(outsideCopies, 1);

  // A walk started on its own follows the same rule.
  InputList.Clear();
  EXPECT_EQ(AddFolderFiles(in + "sub/"), 3);  // b, and a and c through the links
}

TEST_F(InputCollection, AddFolderFilesStartsAFreshWalkEachTime) {
  File("in/a.hdr");
  File("in/s/b.hdr");
  EXPECT_EQ(AddFolderFiles(root + "in/"), 2);
  EXPECT_EQ(AddFolderFiles(root + "in/"), 0);  // duplicates
  InputList.Clear();
  EXPECT_EQ(AddFolderFiles(root + "in/"), 2);
  EXPECT_EQ(AddFolderFiles(root + "missing/"), 0);
}

TEST_F(InputCollection, FolderScanStopsAfterTheCurrentTopLevelEntry) {
  File("in/one/a.hdr");
  File("in/one/b.hdr");
  File("in/two/c.hdr");
  File("in/two/d.hdr");
  File("in/three/e.hdr");
  File("in/three/f.hdr");
  RunState.InputFolder = root + "in/";
  RunState.CommandLineRun = 0;
  InputFileAddedHook = StopAfterFirstFile;

  ScanInputFolder();

  // The first folder is finished (the walk below the top level does not stop),
  // then nothing more is started; what was added is kept and counted.
  EXPECT_EQ(Progress.Position, 1);
  EXPECT_EQ(Progress.ResultCount, 2);
  auto got = Collected();
  ASSERT_EQ(got.size(), 2u);
  std::string folder = got.begin()->second;
  for (const auto& [key, relative] : got) EXPECT_EQ(relative, folder);
}

TEST_F(InputCollection, ConversionOrderIsTheBucketOrderNotTheDiscoveryOrder) {
  // Five files in five different buckets; the walk finds them in the file
  // system's order, the list hands them out by bucket.
  const std::string in = root + "in/";
  std::map<std::uint32_t, std::string> byBucket;
  for (int i = 0; byBucket.size() < 5; ++i) {
    std::string name = "p" + std::to_string(i) + ".hdr";
    byBucket.emplace(InputListMap::BucketOf(in + name), in + name);
  }
  for (const auto& [bucket, path] : byBucket) File(path.substr(root.size()));
  RunState.InputFolder = in;
  ScanInputFolder();

  std::vector<std::string> expected, order;
  for (const auto& [bucket, path] : byBucket) expected.push_back(path);
  std::string key;
  InputElement element;
  InputList.Reset();
  while (InputList.Next(key, element)) order.push_back(key);
  EXPECT_EQ(order, expected);
}

TEST_F(InputCollection, ListFileLineEndsMarksAndBlanks) {
  File("pics/a.hdr");
  File("pics/b.hdr");
  File("pics/c.hdr");
  File("pics/d.hdr");
  File("tree/e.hdr");
  File("tree/sub/f.hdr");
  File("more/g.hdr");
  const std::string p = root + "pics/";

  // Each list must yield exactly a, b, c, d, the tree below "tree" and "more".
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-8 mark, CR LF", "\xEF\xBB\xBF" + p + "a.hdr\r\n" + p + "b.hdr\r\n" + p + "c.hdr\r\n" +
                                p + "d.hdr\r\n" + root + "tree\r\n" + root + "more/\r\n"},
      {"LF only, no final end", p + "a.hdr\n" + p + "b.hdr\n" + p + "c.hdr\n" + p + "d.hdr\n" +
                                    root + "tree/\n" + root + "more"},
      {"lone CR", p + "a.hdr\r" + p + "b.hdr\r" + p + "c.hdr\r" + p + "d.hdr\r" + root + "tree\r" +
                      root + "more\r"},
      {"mixed ends, blanks, spaces, missing and tab lines",
       "\r\n\n   \n  " + p + "a.hdr   \r" + p + "b.hdr \n\r\n" + p + "missing.hdr\n\t" + p +
           "c.png\n" + p + "c.hdr\r\n\t" + p + "a.hdr\n" + p + "d.hdr\n " + root + "tree \n" +
           root + "more/\n" + root + "tree/sub/f.hdr\n" + p + "a.hdr\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InputList.Clear();
    ResetProgress();
    File("list.txt", c.bytes);
    RunState.InputFile = root + "list.txt";

    EXPECT_EQ(ReadInputList(), 0);

    EXPECT_EQ(Collected(), (std::map<std::string, std::string>{{p + "a.hdr", ""},
                                                               {p + "b.hdr", ""},
                                                               {p + "c.hdr", ""},
                                                               {p + "d.hdr", ""},
                                                               {root + "tree/e.hdr", ""},
                                                               {root + "tree/sub/f.hdr", ""},
                                                               {root + "more/g.hdr", ""}}));
    EXPECT_EQ(Progress.ResultCount, 7);
  }
  // The last case: eight lines name something that exists (missing.hdr and the
  // tab lines do not), including the repeated a.hdr and the f.hdr inside "tree".
  EXPECT_EQ(Progress.Position, 8);
}

TEST_F(InputCollection, ListFileInUtf16OrUtf32IsDecoded) {
  File("pics/\xC3\xA9t\xC3\xA9.hdr");
  File("pics/b.hdr");
  const std::string text = root + "pics/\xC3\xA9t\xC3\xA9.hdr\r\n" + root + "pics/b.hdr\r\n";
  const std::u16string units = Utf16Units(text);
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t u : units) {
    le += static_cast<char>(u & 0xFF);
    le += static_cast<char>(u >> 8);
    be += static_cast<char>(u >> 8);
    be += static_cast<char>(u & 0xFF);
  }
  std::string le32("\xFF\xFE\x00\x00", 4);
  for (char16_t u : units)
    le32 += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8), '\0', '\0'};

  for (const std::string& bytes : {le, be, le32}) {
    InputList.Clear();
    ResetProgress();
    File("list.lst", bytes);
    RunState.InputFile = root + "list.lst";
    ReadInputList();
    EXPECT_EQ(Collected(),
              (std::map<std::string, std::string>{{root + "pics/\xC3\xA9t\xC3\xA9.hdr", ""},
                                                  {root + "pics/b.hdr", ""}}));
  }
}

TEST_F(InputCollection, ListLineWithAZeroByteNamesNothing) {
  // Cut at the zero byte this line would name the whole scratch folder.
  File("pics/a.hdr");
  File("list.txt", root + std::string(1, '\0') + "junk\n");
  RunState.InputFile = root + "list.txt";
  ReadInputList();
  EXPECT_EQ(InputList.Size(), 0u);
  EXPECT_EQ(Progress.ResultCount, 0);
  EXPECT_EQ(Progress.Position, 0);
}

TEST_F(InputCollection, RelativeListLinesResolveAgainstTheWorkingFolder) {
  File("work/rel/a.hdr");
  File("lists/list.txt", "rel/a.hdr\n./rel/a.hdr\nlists/other.hdr\n");
  File("lists/rel/b.hdr");  // beside the list: not what a relative line means
  RunState.InputFile = root + "lists/list.txt";
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir((root + "work").c_str()), 0);
  ReadInputList();
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(Collected(),
            (std::map<std::string, std::string>{{"rel/a.hdr", ""}, {"./rel/a.hdr", ""}}));
}

TEST_F(InputCollection, ListFolderLinesAreWalkedOnceAndStopsAreHonoured) {
  File("tree/a.hdr");
  File("tree/s/b.hdr");
  ASSERT_EQ(symlink((root + "tree").c_str(), (root + "alias").c_str()), 0);
  File("list.txt", root + "tree\n" + root + "alias\n" + root + "tree/a.hdr\n");
  RunState.InputFile = root + "list.txt";
  ReadInputList();
  // The alias reaches the same folder, which this run has walked already.
  EXPECT_EQ(Collected(), (std::map<std::string, std::string>{{root + "tree/a.hdr", ""},
                                                             {root + "tree/s/b.hdr", ""}}));
  EXPECT_EQ(Progress.Position, 3);

  // Stop after the first line: the folder it named is finished, nothing else read.
  InputList.Clear();
  ResetProgress();
  File("list2.txt", root + "tree/s\n" + root + "tree/a.hdr\n");
  RunState.InputFile = root + "list2.txt";
  RunState.CommandLineRun = 0;
  InputFileAddedHook = StopAfterFirstFile;
  ReadInputList();
  EXPECT_EQ(Collected(), (std::map<std::string, std::string>{{root + "tree/s/b.hdr", ""}}));
  EXPECT_EQ(Progress.Position, 1);
  EXPECT_EQ(Progress.ResultCount, 1);
}

TEST_F(InputCollection, UnreadableListAddsNothing) {
  RunState.InputFile = root + "absent.txt";
  Progress.ResultCount = 2;
  std::string problem;
  ReadInputList(&problem);
  EXPECT_EQ(Progress.ResultCount, 2);
  EXPECT_EQ(InputList.Size(), 0u);
  EXPECT_EQ(problem, root +
                         "absent.txt: list file cannot be opened: No such file or directory; "
                         "not read");
}

// A device or a pipe named as list file is never read: /dev/zero would fill
// memory, a pipe would block the scan. Oversized files are refused the same way.
// Each refusal says why; a list that was read says nothing.
TEST_F(InputCollection, ListFileMustBeAModestRegularFile) {
  File("a.hdr");
  const std::string line = root + "a.hdr\n";
  const std::string fifo = root + "pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto padded = [&](const std::string& name, off_t size) {
    WriteFileBytes(root + name, line);
    EXPECT_EQ(truncate((root + name).c_str(), size), 0);  // sparse: zeros after the line
    return root + name;
  };
  const std::string notRegular = ": list file is not a regular file; not read";
  const struct {
    std::string list;
    size_t added;
    std::string problem;  // after the list's path; "" for none
  } cases[] = {
      {"/dev/zero", 0, notRegular},
      {"/dev/null", 0, notRegular},
      {fifo, 0, notRegular},
      {root, 0, notRegular},
      {padded("huge.txt", off_t{8} << 30), 0,
       ": list file is 8192.0 MiB, over the 64 MiB limit; not read"},
      {padded("seventy.txt", off_t{70} << 20), 0,
       ": list file is 70.0 MiB, over the 64 MiB limit; not read"},
      {padded("over.txt", static_cast<off_t>(MaxListFileBytes) + 1), 0,
       ": list file is 64.0 MiB, over the 64 MiB limit; not read"},
      {padded("at-cap.txt", static_cast<off_t>(MaxListFileBytes)), 1, ""},
  };
  for (const auto& c : cases) {
    InputList.Clear();
    Progress.ResultCount = 0;
    RunState.InputFile = c.list;
    std::string problem = "unchanged";
    ReadInputList(&problem);
    EXPECT_EQ(InputList.Size(), c.added) << c.list;
    EXPECT_EQ(Progress.ResultCount, static_cast<int>(c.added)) << c.list;
    EXPECT_EQ(problem, c.problem.empty() ? "unchanged" : c.list + c.problem) << c.list;
  }
}

TEST_F(InputCollection, WindowHookSeesAddedFilesOnlyOutsideTheCommandLine) {
  File("a.hdr");
  File("b.hdr");
  addedByHook.clear();
  InputFileAddedHook = RecordAdded;
  RunState.CommandLineRun = 1;
  AddInputFile(root + "a.hdr");
  EXPECT_TRUE(addedByHook.empty());
  RunState.CommandLineRun = 0;
  AddInputFile(root + "b.hdr");
  AddInputFile(root + "b.hdr");  // duplicate: not shown again
  EXPECT_EQ(addedByHook, std::vector<std::string>{root + "b.hdr"});
}

TEST_F(InputCollection, RecentOutputFoldersPutTheNewestFirstOnce) {
  struct Case {
    const char* before;
    const char* folder;
    int limit;
    const char* after;
  } cases[] = {
      {"", "/out/", 5, "/out/"},
      {"/a/\t/b/", "/c/", 5, "/c/\t/a/\t/b/"},
      {"/a/\t/C/\t/b/", "/c/", 5, "/c/\t/a/\t/b/"},  // same folder in other case
      {" /a/ \t\t/b/", "/c/", 5, "/c/\t/a/\t/b/"},   // spaces trimmed, empty dropped
      {"/a/\t/b/\t/d/\t/e/", "/c/", 3, "/c/\t/a/\t/b/"},
      {"/a/\t/b/", "", 5, "/a/\t/b/"},
  };
  for (const Case& c : cases) {
    Settings.RecentOutFolders = c.before;
    Settings.OutFoldersNumber = static_cast<byte>(c.limit);
    RecordRecentOutFolder(c.folder);
    EXPECT_EQ(Settings.RecentOutFolders, c.after) << c.before << " + " << c.folder;
  }
}
