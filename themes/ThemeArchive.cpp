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
  return Read(path, nullptr, limits);
}

bool ThemeArchive::OpenOne(const std::string& path, const std::string& name,
                           const ArchiveLimits& limits) {
  return Read(path, &name, limits);
}

bool ThemeArchive::Read(const std::string& path, const std::string* only,
                        const ArchiveLimits& limits) {
  entries_.clear();
  refused_.clear();
  inflated_ = 0;
  archive* a = archive_read_new();
  ReaderCloser closer{a};
  // The seekable reader takes names and sizes from the central directory, so
  // passing over an entry is a seek, never an inflation.
  archive_read_support_format_zip_seekable(a);
  archive_read_support_filter_none(a);
  if (archive_read_open_filename(a, path.c_str(), 65536) != ARCHIVE_OK) return false;
  int seen = 0;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    if (++seen > limits.entries) break;
    const char* raw = archive_entry_pathname(entry);
    const std::string name = raw ? raw : "";
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    if (only != nullptr && name != *only) continue;
    if (!IsSafeEntryName(name)) {
      refused_[name] = "name leaves the archive";
      continue;
    }
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limits.entryBytes) {
      refused_[name] = "entry too large";
      if (only != nullptr) break;
      continue;
    }
    // The declared size may lie: count what actually comes out, and count it
    // against the archive whether the entry is kept or refused.
    std::string bytes;
    const void* block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    const char* refusal = nullptr;
    while ((status = archive_read_data_block(a, &block, &size, &offset)) == ARCHIVE_OK ||
           status == ARCHIVE_WARN) {
      inflated_ += static_cast<std::int64_t>(size);
      if (status == ARCHIVE_WARN) break;  // a last block whose size or CRC disagrees
      if (offset != static_cast<la_int64_t>(bytes.size())) {
        status = ARCHIVE_FATAL;  // a hole: not something a zip entry has
        break;
      }
      if (inflated_ > limits.totalBytes) {
        refusal = "archive total reached";
        break;
      }
      if (static_cast<std::int64_t>(bytes.size() + size) > limits.entryBytes) {
        refusal = "entry too large";
        break;
      }
      bytes.append(static_cast<const char*>(block), size);
    }
    if (refusal != nullptr) {
      refused_[name] = refusal;
      if (only != nullptr || inflated_ >= limits.totalBytes) break;
      continue;
    }
    if (status != ARCHIVE_EOF) {
      refused_[name] = "damaged entry";
      break;  // the stream cannot be trusted past a damaged entry
    }
    entries_.emplace(name, std::move(bytes));
    if (only != nullptr) break;
  }
  return true;
}

bool PngDimensions(const std::string& bytes, std::uint32_t& width, std::uint32_t& height) {
  // Signature, then the first chunk, which a PNG decoder insists is IHDR:
  // length 13, type, width and height as big-endian 32-bit numbers.
  static const char head[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
  if (bytes.size() < 24 || bytes.compare(0, 16, head, 16) != 0) return false;
  const auto number = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
      value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  width = number(16);
  height = number(20);
  return true;
}

std::string ThemeArchive::Extract(const std::string& name) const {
  const auto found = entries_.find(name);
  return found == entries_.end() ? std::string() : found->second;
}
