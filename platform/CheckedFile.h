// A file being written whose every failure is remembered, so that a library
// which ignores a short write (a full disk, a file-size limit) cannot make a
// truncated file look complete.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class CheckedFile {
 public:
  // Takes over fd, which must be open for reading and writing.
  explicit CheckedFile(int fd);
  // Creates path, or empties it when it exists.
  static CheckedFile Create(const std::string& path);
  CheckedFile(CheckedFile&& other) noexcept;
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;
  CheckedFile& operator=(CheckedFile&&) = delete;
  // Closes without judging the result when Finish was not called.
  ~CheckedFile();

  bool IsOpen() const { return stream_ != nullptr; }

  // The stdio operations; each failure is remembered (the first one wins).
  std::size_t Write(const void* data, std::size_t size, std::size_t count);
  bool WriteAll(const void* data, std::size_t size) { return Write(data, 1, size) == size; }
  std::size_t Read(void* data, std::size_t size, std::size_t count);
  int Seek(long offset, int origin);
  long Tell();

  // Flushes and closes (no fsync); true when nothing failed since the start.
  bool Finish();
  // errno of the first failure, 0 when none.
  int Error() const { return error_; }

 private:
  void Remember(int error);

  std::FILE* stream_ = nullptr;
  int error_ = 0;
};
