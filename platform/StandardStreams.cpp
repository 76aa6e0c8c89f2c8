#include "platform/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool IsClosed(int fd) { return fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// open() returns the lowest free descriptor: with fd closed (and the lower
// ones open) that is fd itself. Anything else is moved there.
void ReopenOnNull(int fd) {
  const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  if (null < 0 || null == fd) return;
  dup2(null, fd);
  close(null);
}

}  // namespace

ClosedStandardStreams ReopenClosedStandardStreams() {
  ClosedStandardStreams closed;
  // Noted for all three before any is reopened: reopening one would fill another's place.
  closed.input = IsClosed(STDIN_FILENO);
  closed.output = IsClosed(STDOUT_FILENO);
  closed.error = IsClosed(STDERR_FILENO);
  if (closed.input) ReopenOnNull(STDIN_FILENO);
  if (closed.output) ReopenOnNull(STDOUT_FILENO);
  if (closed.error) ReopenOnNull(STDERR_FILENO);
  return closed;
}
