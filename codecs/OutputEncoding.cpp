#include "codecs/OutputEncoding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "codecs/DevilWriter.h"
#include "codecs/JxrWriter.h"
#include "pipeline/FileFailure.h"
#include "platform/CheckedFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/InterruptCleanup.h"
#include "settings/Settings.h"

int SaveFlagsFor(const std::string& extension) {
  auto pick = [](int index, std::initializer_list<int> values) {
    return index >= 0 && index < static_cast<int>(values.size()) ? values.begin()[index] : 0;
  };
  const SettingsRecord& s = Settings;
  if (extension == "bmp") return s.BMPCompression == 1 ? BMP_SAVE_RLE : 0;
  if (extension == "exr")
    return pick(s.EXRCompression, {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44});
  if (extension == "jpg")
    return s.JPGQuality |
           pick(s.JPGChroma, {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420,
                              JPEG_SUBSAMPLING_411}) |
           pick(s.JPGSaveAs, {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE});
  if (extension == "jxr") return JXR_LOSSLESS;
  if (extension == "png")
    return pick(s.PNGCompression, {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED,
                                   PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION}) |
           (s.PNGInterlaced ? PNG_INTERLACED : 0);
  if (extension == "tga") return s.TGACompression == 1 ? TARGA_SAVE_RLE : 0;
  if (extension == "tiff")
    return pick(s.TIFFCompression,
                {TIFF_NONE, TIFF_CCITTFAX3, TIFF_CCITTFAX4, TIFF_PACKBITS, TIFF_DEFLATE,
                 TIFF_ADOBE_DEFLATE, TIFF_LZW, TIFF_JPEG, TIFF_LOGLUV}) |
           (s.TIFFColorModel == 1 ? TIFF_CMYK : 0);
  if (extension == "webp") return WEBP_LOSSLESS;
  return 0;
}

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

bool IsDevilType(const std::string& type) {
  return type == "psd" || type == "dds" || type == "pcx";
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

bool WriteWithFreeImage(FIBITMAP* image, CheckedFile& file) {
  FreeImageIO io{ReadProc, WriteProc, SeekProc, TellProc};
  return FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(RunState.FormatId), image, &io,
                                &file, RunState.SaveFlags);
}

bool WriteWithChosenWriter(FIBITMAP* image, CheckedFile& file) {
  const std::string& type = RunState.ConversionType;
  if (IsDevilType(type)) return WriteDevilFile(image, RunState.FormatId, file, type == "dds");
  if (type == "bmp" && RunState.OutputBpp == 8 && Settings.BMPColorTable == 1)
    return WriteBmpExactPalette(image, file);
  if (type == "jxr") return WriteJxrFile(image, file, RunState.SaveFlags);
  return WriteWithFreeImage(image, file);
}

}  // namespace

bool SaveOutputImage(FIBITMAP* image) {
  const std::string& target = RunState.OutputFile;
  RunState.TempPath.clear();
  if (!image || target.empty()) return false;
  if (IsDirectory(target)) {
    NoteFailure(FailureKind::WriteFailed, std::strerror(EISDIR));
    return false;
  }
  // Only the DevIL formats replace a read-only file; the other writers leave
  // it alone, as their library would.
  if (!IsDevilType(RunState.ConversionType) && IsReadOnlyFile(target)) {
    NoteFailure(FailureKind::WriteFailed, std::strerror(EACCES));
    return false;
  }

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
  RunState.TempPath = temp;
  CheckedFile file(fd);
  const bool encoded = WriteWithChosenWriter(image, file);
  file.Finish();
  bool ok = false;
  if (file.Error() != 0)
    NoteFailure(FailureKind::WriteFailed, std::strerror(file.Error()));
  else if (!encoded)
    NoteFailure(FailureKind::EncoderRefused);
  else if (!RenameFile(temp, target))
    NoteFailure(FailureKind::WriteFailed, std::strerror(errno));
  else
    ok = true;
  if (!ok) DeleteFile(temp);
  ForgetTrackedFile(slot);
  return ok;
}
