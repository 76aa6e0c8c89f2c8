#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A descriptor on path that is known to be a regular file, or -1 with the
// reason. O_NONBLOCK: opening a pipe for reading must not wait for a writer;
// the type test then refuses it.
int OpenRegular(const std::string& path, struct stat& st, RegularFileProblem& problem,
                std::string& message) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    problem = RegularFileProblem::CannotOpen;
    message = std::strerror(errno);
    return -1;
  }
  if (fstat(fd, &st) != 0) {
    problem = RegularFileProblem::CannotOpen;
    message = std::strerror(errno);
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    problem = RegularFileProblem::NotRegular;
    close(fd);
    return -1;
  }
  problem = RegularFileProblem::None;
  return fd;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  RegularFileOutcome outcome;
  return ReadRegularFile(path, maxBytes, bytes, outcome);
}

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes,
                     RegularFileOutcome& outcome) {
  bytes.clear();
  outcome = RegularFileOutcome{};
  struct stat st {};
  const int fd = OpenRegular(path, st, outcome.Problem, outcome.SystemMessage);
  if (fd < 0) return false;
  bool ok = st.st_size >= 0 && static_cast<unsigned long long>(st.st_size) <= maxBytes;
  if (!ok) {
    outcome.Problem = RegularFileProblem::TooLarge;
    outcome.Size = static_cast<std::uint64_t>(st.st_size);
  }
  if (ok) {
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        outcome.Problem = RegularFileProblem::ReadFailed;
        outcome.SystemMessage = std::strerror(errno);
        ok = false;
        break;
      }
      // The file may grow while it is read: the cap holds for what is read too.
      if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
        outcome.Problem = RegularFileProblem::TooLarge;
        outcome.Size = bytes.size() + static_cast<std::size_t>(n);
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

std::FILE* OpenRegularInput(const std::string& path, std::string& error) {
  struct stat st {};
  RegularFileProblem problem;
  std::string message;
  const int fd = OpenRegular(path, st, problem, message);
  if (fd < 0) {
    error = problem == RegularFileProblem::NotRegular ? NotRegularFileText : message;
    return nullptr;
  }
  // Reads block as usual from here on: a regular file never waits long.
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    error = std::strerror(errno);
    close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (!file) {
    error = std::strerror(errno);
    close(fd);
  }
  return file;
}
