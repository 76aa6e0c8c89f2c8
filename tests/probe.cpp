// Prints the properties of picture files, one line each:
//   NAME WIDTHxHEIGHT BPP TYPE HASH
// where HASH is an FNV-1a hash over the pixel rows (without padding), so that
// end-to-end cases can state exactly what each output holds.
#include <FreeImage.h>
#include <IL/il.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::uint32_t Fnv(std::uint32_t h, const unsigned char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

bool ProbeFreeImage(const char* path, const std::string& name) {
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path, 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path);
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) return false;
  FIBITMAP* dib = FreeImage_Load(fif, path, 0);
  if (!dib) return false;
  unsigned w = FreeImage_GetWidth(dib), h = FreeImage_GetHeight(dib);
  unsigned bpp = FreeImage_GetBPP(dib);
  size_t rowBytes = (static_cast<size_t>(w) * bpp + 7) / 8;
  std::uint32_t hash = 2166136261u;
  for (unsigned y = 0; y < h; ++y)
    hash = Fnv(hash, FreeImage_GetScanLine(dib, static_cast<int>(y)), rowBytes);
  std::printf("%s %ux%u %u %s %08x\n", name.c_str(), w, h, bpp, FreeImage_GetFormatFromFIF(fif),
              hash);
  FreeImage_Unload(dib);
  return true;
}

bool ProbeDevil(const char* path, const std::string& name) {
  ILuint id = ilGenImage();
  ilBindImage(id);
  bool ok = ilLoadImage(path);
  if (ok) {
    ILint w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
    ILint bpp = ilGetInteger(IL_IMAGE_BITS_PER_PIXEL);
    std::uint32_t hash =
        Fnv(2166136261u, ilGetData(), static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)));
    std::printf("%s %dx%d %d DEVIL %08x\n", name.c_str(), w, h, bpp, hash);
  }
  ilDeleteImages(1, &id);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  ilInit();
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    name = name.substr(name.find_last_of('/') + 1);
    if (!ProbeFreeImage(argv[i], name) && !ProbeDevil(argv[i], name)) {
      std::printf("%s unreadable\n", name.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
