#include "codecs/Loading.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codecs/RadianceReader.h"
#include "platform/Files.h"

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
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return true;
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
      if (width <= 0 || height <= 0) {
        std::fclose(f);
        return false;
      }
      const long offset = std::ftell(f);
      const std::int64_t size = FileSize(path);
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
  std::fclose(f);
  return plausible;
}

FIBITMAP* LoadInputImage(const std::string& path, std::string* failure) {
  // The library reads only "-Y N +X M" files correctly (it takes "+X M +Y N"
  // for "-Y M +X N"), so other orientations go straight to the own reader.
  RadianceHeader header;
  std::string error;
  if (!ReadRadianceHeader(path, header, error) || header.IsStandard()) {
    if (RadianceSizeIsPlausible(path))
      if (FIBITMAP* image = FreeImage_Load(FIF_HDR, path.c_str(), 0)) return image;
  }
  FIBITMAP* image = DecodeRadianceFile(path, error);
  if (!image && failure) *failure = error;
  return image;
}
