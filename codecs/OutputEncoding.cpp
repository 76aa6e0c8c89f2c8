#include "codecs/OutputEncoding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "codecs/DevilWriter.h"
#include "codecs/JxrWriter.h"
#include "codecs/OutputFormats.h"
#include "platform/CheckedFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/InterruptCleanup.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"

std::string MakeTempName(const std::string& prefix, const std::string& suffix) {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> letter(0, 25);
  std::string name = prefix;
  for (char digit : std::to_string(LocalDateNow())) name += static_cast<char>('a' + (digit - '0'));
  for (int i = 0; i < 5; ++i) name += static_cast<char>('a' + letter(random));
  return name + suffix;
}

std::string TempPathFor(const std::string& target) {
  // ".NAME.EXT" plus ".lumivert-" and six characters must stay a valid file
  // name (255 bytes); a longer name is cut, never inside a UTF-8 sequence.
  constexpr std::size_t NameLimit = 255 - 1 - 10 - 6;
  const std::string folder = FolderOf(target);
  std::string name = target.substr(folder.size());
  if (name.size() > NameLimit) {
    std::size_t cut = NameLimit;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  static constexpr char Alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, sizeof Alphabet - 2);
  std::string path = folder + "." + name + ".lumivert-";
  for (int i = 0; i < 6; ++i) path += Alphabet[pick(random)];
  return path;
}

namespace {

// Creates the temporary file beside target under a fresh name that no other
// writer can pick, tracked for deletion on interruption. The descriptor, or
// -1 with errno set.
int ReserveTempFile(const std::string& target, std::string& path, int& slot) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = TempPathFor(target);
    const int fd = CreateTrackedFile(path, slot);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
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

// FreeImage's stream procedures over the checked file: the same stdio calls
// FreeImage_Save makes, so the bytes are the same, but no failure is lost.
unsigned DLL_CALLCONV WriteProc(void* data, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(static_cast<CheckedFile*>(handle)->Write(data, size, count));
}
unsigned DLL_CALLCONV ReadProc(void* data, unsigned size, unsigned count, fi_handle handle) {
  return static_cast<unsigned>(static_cast<CheckedFile*>(handle)->Read(data, size, count));
}
int DLL_CALLCONV SeekProc(fi_handle handle, long offset, int origin) {
  return static_cast<CheckedFile*>(handle)->Seek(offset, origin);
}
long DLL_CALLCONV TellProc(fi_handle handle) { return static_cast<CheckedFile*>(handle)->Tell(); }

bool WriteWithFreeImage(FIBITMAP* image, int libraryId, CheckedFile& file) {
  FreeImageIO io{ReadProc, WriteProc, SeekProc, TellProc};
  return FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(libraryId), image, &io, &file,
                                RunState.SaveFlags);
}

// The run's format row names the writer; the flags were taken once per run.
bool WriteWithChosenWriter(FIBITMAP* image, const OutputFormat& format, const FileJob& job,
                           CheckedFile& file) {
  switch (format.Writer) {
    case WriterKind::Devil:
    case WriterKind::DevilMipmapped:
      return WriteDevilFile(image, format.LibraryId, file,
                            format.Writer == WriterKind::DevilMipmapped);
    case WriterKind::Jxr:
      return WriteJxrFile(image, file, RunState.SaveFlags);
    case WriterKind::FreeImageOrExact:
      if (job.OutputBpp == 8 && Settings.BMPColorTable == 1)
        return WriteBmpExactPalette(image, file);
      break;
    case WriterKind::FreeImage:
      break;
  }
  return WriteWithFreeImage(image, format.LibraryId, file);
}

}  // namespace

namespace {

// A target the writer cannot replace, with the reason noted; checked before
// encoding and again when the output is placed (its name may have changed).
bool TargetRefused(const std::string& target, const OutputFormat& format) {
  if (IsDirectory(target)) {
    NoteFailure(FailureKind::WriteFailed, std::strerror(EISDIR));
    return true;
  }
  // Only the DevIL formats replace a read-only file; the other writers leave
  // it alone, as their library would.
  if (!IsDevilWriter(format.Writer) && IsReadOnlyFile(target)) {
    NoteFailure(FailureKind::WriteFailed, std::strerror(EACCES));
    return true;
  }
  return false;
}

}  // namespace

bool WriteOutputTemp(FIBITMAP* image, FileJob& job) {
  const std::string& target = job.OutputFile;
  job.TempPath.clear();
  job.TempSlot = -1;
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  if (!image || target.empty() || !format || TargetRefused(target, *format)) return false;

  // Written beside the target and renamed over it only when every byte, the
  // flush and the close succeeded, so a failed write never costs the
  // previous file.
  std::string temp;
  int slot = -1;
  const int fd = ReserveTempFile(target, temp, slot);
  if (fd < 0) {
    NoteFailure(FailureKind::WriteFailed, std::strerror(errno));
    return false;
  }
  CheckedFile file(fd);
  const bool encoded = WriteWithChosenWriter(image, *format, job, file);
  file.Finish();
  if (file.Error() != 0)
    NoteFailure(FailureKind::WriteFailed, std::strerror(file.Error()));
  else if (!encoded)
    NoteFailure(FailureKind::EncoderRefused);
  if (file.Error() != 0 || !encoded) {
    DeleteFile(temp);
    ForgetTrackedFile(slot);
    return false;
  }
  job.TempPath = temp;
  job.TempSlot = slot;
  return true;
}

bool PlaceOutput(FileJob& job) {
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  bool ok = false;
  if (job.TempPath.empty() || !format || TargetRefused(job.OutputFile, *format))
    ok = false;
  else if (!RenameFile(job.TempPath, job.OutputFile))
    NoteFailure(FailureKind::WriteFailed, std::strerror(errno));
  else
    ok = true;
  if (!ok) DeleteFile(job.TempPath);
  ForgetTrackedFile(job.TempSlot);
  job.TempSlot = -1;
  return ok;
}

void DiscardOutput(FileJob& job) {
  if (job.TempPath.empty()) return;
  DeleteFile(job.TempPath);
  ForgetTrackedFile(job.TempSlot);
  job.TempSlot = -1;
}

bool SaveOutputImage(FIBITMAP* image, FileJob& job) {
  return WriteOutputTemp(image, job) && PlaceOutput(job);
}
