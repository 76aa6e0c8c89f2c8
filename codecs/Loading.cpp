#include "codecs/Loading.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codecs/RadianceReader.h"
#include "platform/RegularFile.h"

namespace {

// One header line as the loader reads it: up to and including "\n".
bool ReadLine(std::FILE* f, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    line += static_cast<char>(c);
    if (c == '\n' || line.size() >= 4096) return true;
  }
  return !line.empty();
}

}  // namespace

bool RadianceSizeIsPlausible(const std::string& path) {
  std::string error;
  std::FILE* f = OpenRegularInput(path, error);
  if (!f) return true;
  const bool plausible = RadianceSizeIsPlausible(f);
  std::fclose(f);
  return plausible;
}

bool RadianceSizeIsPlausible(std::FILE* f) {
  std::rewind(f);
  std::string line;
  bool plausible = true;
  if (ReadLine(f, line) && line.size() >= 2 && line[0] == '#' && line[1] == '?') {
    bool headerEnded = false;
    while (ReadLine(f, line)) {
      if (line[0] == '\n' || line[0] == '\0') {
        headerEnded = true;
        break;
      }
    }
    // The loader accepts "-Y h +X w" and, with the numbers in the same
    // places, "+X a +Y b".
    int height = 0, width = 0;
    if (headerEnded && ReadLine(f, line) &&
        (std::sscanf(line.c_str(), "-Y %d +X %d", &height, &width) == 2 ||
         std::sscanf(line.c_str(), "+X %d +Y %d", &height, &width) == 2)) {
      if (width <= 0 || height <= 0) return false;
      const long offset = std::ftell(f);
      struct stat st {};
      const std::int64_t size = fstat(fileno(f), &st) == 0 ? st.st_size : -1;
      const std::int64_t remaining = offset >= 0 && size >= offset ? size - offset : 0;
      // The least a scanline can take: 4 bytes a pixel when flat; when the
      // width allows run-length encoding, a 4-byte marker plus, for each of
      // the four channels, one 2-byte run per 127 pixels.
      const std::int64_t w = width;
      std::int64_t perLine = 4 * w;
      if (w >= 8 && w <= 0x7fff)
        perLine = std::min<std::int64_t>(perLine, 4 + 8 * ((w + 126) / 127));
      // Divided rather than multiplied: 2147483647 lines of 8589934588 bytes
      // would overflow.
      plausible = perLine <= remaining / height;
    }
  }
  return plausible;
}

namespace {

// The library's reading calls over a stdio stream.
FreeImageIO StreamIO() {
  FreeImageIO io{};
  io.read_proc = [](void* buffer, unsigned size, unsigned count, fi_handle handle) -> unsigned {
    return static_cast<unsigned>(std::fread(buffer, size, count, static_cast<std::FILE*>(handle)));
  };
  io.write_proc = [](void*, unsigned, unsigned, fi_handle) -> unsigned { return 0; };
  io.seek_proc = [](fi_handle handle, long offset, int origin) -> int {
    return std::fseek(static_cast<std::FILE*>(handle), offset, origin);
  };
  io.tell_proc = [](fi_handle handle) -> long {
    return std::ftell(static_cast<std::FILE*>(handle));
  };
  return io;
}

}  // namespace

FREE_IMAGE_FORMAT StreamFileType(std::FILE* file) {
  FreeImageIO io = StreamIO();
  std::rewind(file);
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, file, 0);
  std::rewind(file);
  return format;
}

FIBITMAP* LoadFromStream(FREE_IMAGE_FORMAT format, std::FILE* file, int flags) {
  if (format == FIF_UNKNOWN) format = StreamFileType(file);
  if (format == FIF_UNKNOWN) return nullptr;
  FreeImageIO io = StreamIO();
  std::rewind(file);
  return FreeImage_LoadFromHandle(format, &io, file, flags);
}

Bitmap LoadInputImage(const std::string& path, std::string* failure) {
  std::string error;
  std::FILE* file = OpenRegularInput(path, error);
  if (!file) {
    if (failure) *failure = error;
    return Bitmap();
  }
  // Everything below reads the one stream opened above.
  // The library reads only "-Y N +X M" files correctly (it takes "+X M +Y N"
  // for "-Y M +X N"), so other orientations go straight to the own reader.
  RadianceHeader header;
  Bitmap image;
  if (!ReadRadianceHeader(file, header, error) || header.IsStandard()) {
    if (RadianceSizeIsPlausible(file)) image.reset(LoadFromStream(FIF_HDR, file, 0));
  }
  if (!image) {
    std::rewind(file);
    image.reset(DecodeRadianceFile(file, error));
    if (!image && failure) *failure = error;
  }
  std::fclose(file);
  return image;
}
