#include "platform/CheckedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

CheckedFile::CheckedFile(int fd) {
  if (fd < 0) {
    Remember(EBADF);
    return;
  }
  // "w+" on an existing descriptor neither truncates nor creates.
  stream_ = ::fdopen(fd, "w+b");
  if (!stream_) {
    Remember(errno);
    ::close(fd);
  }
}

CheckedFile CheckedFile::Create(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  const int error = errno;
  CheckedFile file(fd);
  if (fd < 0) file.error_ = error;
  return file;
}

CheckedFile::CheckedFile(CheckedFile&& other) noexcept
    : stream_(other.stream_), error_(other.error_) {
  other.stream_ = nullptr;
}

CheckedFile::~CheckedFile() {
  if (stream_) std::fclose(stream_);
}

void CheckedFile::Remember(int error) {
  // A failing call that left errno untouched still failed.
  if (error_ == 0) error_ = error != 0 ? error : EIO;
}

std::size_t CheckedFile::Write(const void* data, std::size_t size, std::size_t count) {
  if (!stream_) return 0;
  errno = 0;
  const std::size_t written = std::fwrite(data, size, count, stream_);
  if (written != count) Remember(errno);
  return written;
}

std::size_t CheckedFile::Read(void* data, std::size_t size, std::size_t count) {
  if (!stream_) return 0;
  errno = 0;
  const std::size_t got = std::fread(data, size, count, stream_);
  // Reading past the end is an answer, not a failure.
  if (got != count && std::ferror(stream_)) Remember(errno);
  return got;
}

int CheckedFile::Seek(long offset, int origin) {
  if (!stream_) return -1;
  errno = 0;
  const int result = std::fseek(stream_, offset, origin);
  // Seeking may flush buffered bytes, which can fail like any write.
  if (result != 0) Remember(errno);
  return result;
}

long CheckedFile::Tell() {
  if (!stream_) return -1;
  errno = 0;
  const long position = std::ftell(stream_);
  if (position < 0) Remember(errno);
  return position;
}

bool CheckedFile::Finish() {
  if (!stream_) return false;
  errno = 0;
  if (std::fflush(stream_) != 0) Remember(errno);
  if (std::ferror(stream_)) Remember(errno);
  errno = 0;
  // The close can report a failed delayed write (on network file systems).
  if (std::fclose(stream_) != 0) Remember(errno);
  stream_ = nullptr;
  return error_ == 0;
}
