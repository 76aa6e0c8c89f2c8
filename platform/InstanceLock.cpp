#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"

std::string InstanceLockPath(const std::string& name) {
  std::string safe = name;
  for (char& c : safe)
    if (c == '/') c = '_';
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsDirectory(runtime)) {
    std::string folder = runtime;
    if (folder.back() != '/') folder += '/';
    return folder + safe + ".lock";
  }
  // /tmp is shared by every user: the user id keeps the names apart.
  return "/tmp/" + safe + "-" + std::to_string(getuid()) + ".lock";
}

int AcquireInstanceLock(const std::string& name) {
  // O_NOFOLLOW: a planted symbolic link must not make us create or lock another file.
  int fd = open(InstanceLockPath(name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid() ||
      flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void ReleaseInstanceLock(int handle) {
  if (handle < 0) return;
  flock(handle, LOCK_UN);
  close(handle);
}
