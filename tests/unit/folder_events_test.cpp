// The folder-tree watcher on its own: which files it reports and when.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FolderEvents.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Everything reported within a short wait (events are queued by the time
// the file operations return; the wait only bounds the poll).
std::vector<std::string> Reported(FolderEvents& events) {
  std::vector<std::string> ready;
  pollfd polled{events.Descriptor(), POLLIN, 0};
  while (poll(&polled, 1, 200) > 0) events.Read(ready);
  std::sort(ready.begin(), ready.end());
  ready.erase(std::unique(ready.begin(), ready.end()), ready.end());
  return ready;
}

}  // namespace

TEST(FolderEvents, ReportsClosedAndMovedInFilesNotOpenOnes) {
  const std::string root = ScratchFolder("events");
  const std::string outside = ScratchFolder("events-outside");
  fs::create_directory(root + "old");
  WriteFileBytes(root + "old/before.hdr", "x");
  FolderEvents events;
  ASSERT_TRUE(events.Open(root));
  // What was there at the start is not reported.
  EXPECT_EQ(Reported(events), std::vector<std::string>{});

  // Written in two pieces: nothing until the close.
  const int fd = open((root + "old/slow.hdr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "ab", 2), 2);
  EXPECT_EQ(Reported(events), std::vector<std::string>{});
  ASSERT_EQ(write(fd, "cd", 2), 2);
  close(fd);
  EXPECT_EQ(Reported(events), std::vector<std::string>{root + "old/slow.hdr"});

  // Moved in from outside the tree.
  WriteFileBytes(outside + "moved.hdr", "x");
  fs::rename(outside + "moved.hdr", root + "moved.hdr");
  EXPECT_EQ(Reported(events), std::vector<std::string>{root + "moved.hdr"});

  // A folder tree moved in: its files, at any depth.
  fs::create_directories(outside + "tree/deep");
  WriteFileBytes(outside + "tree/a.hdr", "x");
  WriteFileBytes(outside + "tree/deep/b.hdr", "x");
  fs::rename(outside + "tree", root + "tree");
  EXPECT_EQ(Reported(events),
            (std::vector<std::string>{root + "tree/a.hdr", root + "tree/deep/b.hdr"}));
  // ... and watched from then on.
  WriteFileBytes(root + "tree/deep/c.hdr", "x");
  EXPECT_EQ(Reported(events), std::vector<std::string>{root + "tree/deep/c.hdr"});

  fs::remove_all(root);
  fs::remove_all(outside);
}

// A new folder whose file is still being written when the folder is first
// looked at: the file comes once, at its close, not half-written before.
TEST(FolderEvents, FileOpenInANewFolderWaitsForItsClose) {
  const std::string root = ScratchFolder("events-new");
  FolderEvents events;
  ASSERT_TRUE(events.Open(root));
  fs::create_directory(root + "new");
  const int fd = open((root + "new/busy.hdr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "ab", 2), 2);
  // The folder's creation is read now; its listing finds the open file.
  EXPECT_EQ(Reported(events), std::vector<std::string>{});
  ASSERT_EQ(write(fd, "cd", 2), 2);
  close(fd);
  EXPECT_EQ(Reported(events), std::vector<std::string>{root + "new/busy.hdr"});
  fs::remove_all(root);
}

TEST(FolderEvents, MissingFolderCannotBeWatched) {
  FolderEvents events;
  EXPECT_FALSE(events.Open(ScratchFolder("events-gone") + "missing/"));
  EXPECT_EQ(events.Descriptor(), -1);
}
