#include "codecs/OutputEncoding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "codecs/DevilWriter.h"
#include "codecs/JxrWriter.h"
#include "platform/Clock.h"
#include "platform/Files.h"
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

bool IsDevilType(const std::string& type) {
  return type == "psd" || type == "dds" || type == "pcx";
}

bool WriteWithChosenWriter(FIBITMAP* image, const std::string& path) {
  const std::string& type = RunState.ConversionType;
  if (IsDevilType(type)) return WriteDevilFile(image, RunState.FormatId, path, type == "dds");
  if (type == "bmp" && RunState.OutputBpp == 8 && Settings.BMPColorTable == 1)
    return WriteBmpExactPalette(image, path);
  if (type == "jxr") return WriteJxrFile(image, path, RunState.SaveFlags);
  return FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(RunState.FormatId), image, path.c_str(),
                        RunState.SaveFlags);
}

}  // namespace

bool SaveOutputImage(FIBITMAP* image) {
  const std::string& target = RunState.OutputFile;
  RunState.TempPath.clear();
  if (!image || target.empty() || IsDirectory(target)) return false;
  // Only the DevIL formats replace a read-only file; the other writers leave
  // it alone, as their library would.
  if (!IsDevilType(RunState.ConversionType) && IsReadOnlyFile(target)) return false;

  // Written beside the target and renamed over it only when complete, so a
  // failed write never costs the previous file.
  RunState.TempPath = ReserveTempFile(FolderOf(target), RunState.ConversionType);
  if (RunState.TempPath.empty()) return false;
  bool ok = WriteWithChosenWriter(image, RunState.TempPath);
  if (ok) ok = RenameFile(RunState.TempPath, target);
  if (!ok) DeleteFile(RunState.TempPath);
  return ok;
}
