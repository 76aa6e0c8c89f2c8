#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  // O_NONBLOCK: opening a pipe for reading must not wait for a writer; the
  // type test below then refuses it.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
            static_cast<unsigned long long>(st.st_size) <= maxBytes;
  if (ok) {
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      // The file may grow while it is read: the cap holds for what is read too.
      if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
        ok = false;
        break;
      }
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  if (!ok) bytes.clear();
  return ok;
}
