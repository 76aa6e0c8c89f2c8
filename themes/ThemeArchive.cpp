#include "themes/ThemeArchive.h"

#include <archive.h>
#include <archive_entry.h>

namespace {

struct ReaderCloser {
  archive* a;
  ~ReaderCloser() { archive_read_free(a); }
};

}  // namespace

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  if (name.find('\0') != std::string::npos) return false;
  if (name.size() > 1 && name[1] == ':') return false;  // a drive letter
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

bool ThemeArchive::Open(const std::string& path, const ArchiveLimits& limits) {
  entries_.clear();
  refused_.clear();
  archive* a = archive_read_new();
  ReaderCloser closer{a};
  archive_read_support_format_zip(a);
  archive_read_support_filter_none(a);
  if (archive_read_open_filename(a, path.c_str(), 65536) != ARCHIVE_OK) return false;
  std::int64_t total = 0;
  int seen = 0;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    if (++seen > limits.entries) break;
    const char* raw = archive_entry_pathname(entry);
    const std::string name = raw ? raw : "";
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    if (!IsSafeEntryName(name)) {
      refused_[name] = "name leaves the archive";
      continue;
    }
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limits.entryBytes) {
      refused_[name] = "entry too large";
      continue;
    }
    // The declared size may lie: count what actually comes out.
    std::string bytes;
    char buffer[65536];
    la_ssize_t got;
    bool tooLarge = false;
    while ((got = archive_read_data(a, buffer, sizeof buffer)) > 0) {
      if (static_cast<std::int64_t>(bytes.size()) + got > limits.entryBytes ||
          total + static_cast<std::int64_t>(bytes.size()) + got > limits.totalBytes) {
        tooLarge = true;
        break;
      }
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (tooLarge) {
      refused_[name] = "entry too large";
      if (total + static_cast<std::int64_t>(bytes.size()) >= limits.totalBytes) break;
      continue;
    }
    if (got < 0) {
      refused_[name] = "damaged entry";
      break;  // the stream cannot be trusted past a damaged entry
    }
    total += static_cast<std::int64_t>(bytes.size());
    entries_.emplace(name, std::move(bytes));
  }
  return true;
}

std::string ThemeArchive::Extract(const std::string& name) const {
  const auto found = entries_.find(name);
  return found == entries_.end() ? std::string() : found->second;
}
