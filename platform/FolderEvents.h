// The files that appear in a folder tree, reported once their writer is done
// with them: a file closed after writing or moved in. Subfolders created or
// moved in later are followed too, and the files already in them reported
// unless still open for writing (their close is reported instead). Built on
// inotify, which reports nothing of a half-written file until it is closed.
#pragma once

#include <map>
#include <string>
#include <vector>

class FolderEvents {
 public:
  FolderEvents() = default;
  FolderEvents(const FolderEvents&) = delete;
  FolderEvents& operator=(const FolderEvents&) = delete;
  ~FolderEvents();

  // Watches folder (ending with "/") and every folder below it. False when
  // the folder cannot be watched.
  bool Open(const std::string& folder);
  // Readable when events are waiting (for poll).
  int Descriptor() const { return fd_; }
  // Reads the waiting events without blocking and appends the paths of the
  // files that are ready, in the order they became ready (a path may come
  // twice).
  void Read(std::vector<std::string>& ready);

 private:
  // Watches folder and its subfolders; appends the files found in them to
  // found when given.
  void WatchTree(const std::string& folder, std::vector<std::string>* found);

  int fd_ = -1;
  std::map<int, std::string> folders_;  // watch descriptor -> folder ending with "/"
};
