// The thin file-system layer: paths are UTF-8 with "/" as separator.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The folder of the running executable, ending with "/".
std::string ProgramFolder();
// The executable's file name without folder and extension.
std::string ProgramName();

bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
bool PathExists(const std::string& path);
// Size in bytes, or -1 when the path cannot be read.
std::int64_t FileSize(const std::string& path);
bool MakeDirectory(const std::string& path);
// Creates every missing level of path.
bool MakeDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// Last-modification time, or -1.
std::time_t FileModifiedTime(const std::string& path);
bool SetFileModifiedTime(const std::string& path, std::time_t when);
// Which file a path names: device and inode, links followed.
struct FileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};
// False when path names nothing that can be examined.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

// Folder part of a path including the trailing "/", or "".
std::string FolderOf(const std::string& path);
