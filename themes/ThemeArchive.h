// Reading a theme archive (a ZIP file) into memory. Archives come from
// outside the program, so every entry and the whole are size-capped and
// entries whose names leave the archive are refused.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct ArchiveLimits {
  std::int64_t entryBytes = 4 << 20;   // a picture or theme.cfg is far below this
  std::int64_t totalBytes = 64 << 20;  // everything inflated from one archive, kept or not
  int entries = 4096;
};

class ThemeArchive {
 public:
  // Reads every acceptable entry; false when the file is not a readable archive.
  bool Open(const std::string& path, const ArchiveLimits& limits = {});
  // Reads the entry name only; the data of every other entry is skipped
  // through the central directory without being inflated.
  bool OpenOne(const std::string& path, const std::string& name, const ArchiveLimits& limits = {});

  bool Has(const std::string& name) const { return entries_.count(name) > 0; }
  // The entry's bytes, or "" when the archive does not hold it.
  std::string Extract(const std::string& name) const;
  // Names of the entries refused (unsafe names, too large, over the total).
  const std::map<std::string, std::string>& Refused() const { return refused_; }
  std::size_t Size() const { return entries_.size(); }
  // Bytes inflated by the last Open, refused entries included.
  std::int64_t Inflated() const { return inflated_; }

 private:
  bool Read(const std::string& path, const std::string* only, const ArchiveLimits& limits);

  std::map<std::string, std::string> entries_;
  std::map<std::string, std::string> refused_;  // name -> reason
  std::int64_t inflated_ = 0;
};

// True when name stays inside the archive: relative, no ".." component, no
// backslash tricks, not empty.
bool IsSafeEntryName(const std::string& name);

// The width and height a PNG states in its IHDR chunk, read without decoding;
// false when bytes do not begin like a PNG.
bool PngDimensions(const std::string& bytes, std::uint32_t& width, std::uint32_t& height);
