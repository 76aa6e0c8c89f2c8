#include "platform/FolderEvents.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Creation and modification are left out on purpose: a file being written
// is reported only at its close.
constexpr std::uint32_t FolderMask =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

// True when some process holds path open for writing: a read lease is
// refused then. Where leases are not to be had (another owner's file, a
// network file system) the file is taken as complete.
bool BeingWritten(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  // A writer opening the file during the moment the lease is held breaks it
  // with a signal, SIGIO by default, which would end the process: SIGURG is
  // ignored by default.
  ::fcntl(fd, F_SETSIG, SIGURG);
  const bool writing = ::fcntl(fd, F_SETLEASE, F_RDLCK) != 0 && errno == EAGAIN;
  if (!writing) ::fcntl(fd, F_SETLEASE, F_UNLCK);
  ::close(fd);
  return writing;
}

}  // namespace

FolderEvents::~FolderEvents() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderEvents::Open(const std::string& folder) {
  if (fd_ >= 0) return false;
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return false;
  WatchTree(folder, nullptr);
  if (folders_.empty()) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

void FolderEvents::WatchTree(const std::string& folder, std::vector<std::string>* found) {
  // The watch comes before the listing, so a file that arrives in between is
  // seen at least once.
  const int wd = ::inotify_add_watch(fd_, folder.c_str(), FolderMask);
  if (wd < 0) return;
  folders_[wd] = folder;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> subfolders;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (::lstat((folder + name).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) subfolders.push_back(folder + name + "/");
    // A file still being written is left to the close that will follow.
    else if (found && S_ISREG(info.st_mode) && !BeingWritten(folder + name))
      found->push_back(folder + name);
  }
  ::closedir(dir);
  for (const std::string& subfolder : subfolders) WatchTree(subfolder, found);
}

void FolderEvents::Read(std::vector<std::string>& ready) {
  if (fd_ < 0) return;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t length = ::read(fd_, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) return;
    for (ssize_t at = 0; at < length;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof event;
      at += static_cast<ssize_t>(sizeof event + event.len);
      if (event.mask & IN_IGNORED) {
        folders_.erase(event.wd);
        continue;
      }
      const auto folder = folders_.find(event.wd);
      if (folder == folders_.end() || event.len == 0) continue;
      const std::string path = folder->second + name;
      if (event.mask & IN_ISDIR) {
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) WatchTree(path + "/", &ready);
      } else if (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
        ready.push_back(path);
      }
    }
  }
}
