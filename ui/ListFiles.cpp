#include "ui/ListFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "pipeline/Progress.h"

namespace {

// Byte offsets of the characters of a UTF-8 text (continuation bytes skipped).
std::vector<std::size_t> CharacterStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

bool KeepRunning() {
  std::lock_guard<std::mutex> lock(ProgressMutex);
  return Progress.KeepRunning != 0;
}

}  // namespace

std::string ShortenMiddle(const std::string& text, int limit) {
  const std::vector<std::size_t> starts = CharacterStarts(text);
  const int count = static_cast<int>(starts.size());
  if (count <= limit) return text;
  const int keep = limit > 3 ? (limit - 3) / 2 : 0;
  return text.substr(0, starts[keep]) + "..." + text.substr(starts[count - keep]);
}

std::int64_t CountLineFeeds(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::int64_t count = 0;
  char block[65536];
  ssize_t got;
  while ((got = read(fd, block, sizeof block)) > 0)
    for (ssize_t i = 0; i < got; ++i) count += block[i] == '\n';
  close(fd);
  return count;
}

int WriteInputList(const std::vector<std::string>& rows, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::int32_t written = 0;
  bool ok = std::fwrite("\xEF\xBB\xBF", 1, 3, file) == 3;
  for (std::size_t i = 0; ok && i < rows.size() && KeepRunning(); ++i) {
    {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      Progress.Position = static_cast<std::int32_t>(i + 1);
    }
    const std::string line = rows[i] + "\r\n";
    ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    if (ok) ++written;
  }
  // A line only counts once it reached the disk.
  if (std::fclose(file) != 0) written = 0;
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.ResultCount += written;
  return 0;
}

int RowToSelectAfterDelete(const std::vector<int>& removedRows, int remaining) {
  if (remaining <= 0 || removedRows.empty()) return -1;
  const int position = removedRows.front();  // removed last when going bottom up
  return position < remaining ? position : remaining - 1;
}
