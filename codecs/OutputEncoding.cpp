#include "codecs/OutputEncoding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "codecs/DevilWriter.h"
#include "codecs/JxrWriter.h"
#include "codecs/OutputFormats.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/Settings.h"

std::string MakeTempName(const std::string& prefix, const std::string& suffix) {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> letter(0, 25);
  std::string name = prefix;
  for (char digit : std::to_string(LocalDateNow())) name += static_cast<char>('a' + (digit - '0'));
  for (int i = 0; i < 5; ++i) name += static_cast<char>('a' + letter(random));
  return name + suffix;
}

namespace {

// Creates a new empty file with a fresh temporary name in folder, so that no
// other writer can pick the same name. "" when the folder takes no new file.
std::string ReserveTempFile(const std::string& folder, const std::string& extension) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = folder + MakeTempName("lumivert", "") + "." + extension;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

// A file without any write permission: the counterpart of a read-only file.
bool IsReadOnlyFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool IsDevilWriter(WriterKind writer) {
  return writer == WriterKind::Devil || writer == WriterKind::DevilMipmapped;
}

// The run's format row names the writer; the flags were taken once per run.
bool WriteWithChosenWriter(FIBITMAP* image, const std::string& path, const FileJob& job) {
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  if (!format) return false;
  switch (format->Writer) {
    case WriterKind::Devil:
    case WriterKind::DevilMipmapped:
      return WriteDevilFile(image, format->LibraryId, path,
                            format->Writer == WriterKind::DevilMipmapped);
    case WriterKind::Jxr:
      return WriteJxrFile(image, path, RunState.SaveFlags);
    case WriterKind::FreeImageOrExact:
      if (job.OutputBpp == 8 && Settings.BMPColorTable == 1)
        return WriteBmpExactPalette(image, path);
      break;
    case WriterKind::FreeImage:
      break;
  }
  return FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(format->LibraryId), image, path.c_str(),
                        RunState.SaveFlags);
}

}  // namespace

bool SaveOutputImage(FIBITMAP* image, FileJob& job) {
  const std::string& target = job.OutputFile;
  job.TempPath.clear();
  if (!image || target.empty() || IsDirectory(target)) return false;
  // Only the DevIL formats replace a read-only file; the other writers leave
  // it alone, as their library would.
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  if (!format) return false;
  if (!IsDevilWriter(format->Writer) && IsReadOnlyFile(target)) return false;

  // Written beside the target and renamed over it only when complete, so a
  // failed write never costs the previous file.
  job.TempPath = ReserveTempFile(FolderOf(target), RunState.ConversionType);
  if (job.TempPath.empty()) return false;
  bool ok = WriteWithChosenWriter(image, job.TempPath, job);
  if (ok) ok = RenameFile(job.TempPath, target);
  if (!ok) DeleteFile(job.TempPath);
  return ok;
}
