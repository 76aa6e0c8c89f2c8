#include "stages/ToneMapping.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/ParallelFor.h"
#include "stages/FattalToneMapper.h"

namespace {

constexpr double Saturation = 0.5;
constexpr double Attenuation = 0.85;
constexpr unsigned MinimumSide = 32;

// A copy of image at least MinimumSide on each side, the extra columns and
// rows repeating the right and bottom edges.
FIBITMAP* ExtendByEdges(FIBITMAP* image) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  const unsigned W = std::max(w, MinimumSide), H = std::max(h, MinimumSide);
  FIBITMAP* big =
      FreeImage_AllocateT(FreeImage_GetImageType(image), static_cast<int>(W), static_cast<int>(H),
                          static_cast<int>(FreeImage_GetBPP(image)));
  if (!big) return nullptr;
  const unsigned pixelBytes = FreeImage_GetBPP(image) / 8;
  // Rows counted from the top; FreeImage stores them bottom-up.
  for (unsigned y = 0; y < H; ++y) {
    const BYTE* src = FreeImage_GetScanLine(image, static_cast<int>(h - 1 - std::min(y, h - 1)));
    BYTE* dst = FreeImage_GetScanLine(big, static_cast<int>(H - 1 - y));
    std::memcpy(dst, src, static_cast<size_t>(w) * pixelBytes);
    for (unsigned x = w; x < W; ++x)
      std::memcpy(dst + static_cast<size_t>(x) * pixelBytes,
                  src + static_cast<size_t>(w - 1) * pixelBytes, pixelBytes);
  }
  return big;
}

// Our threaded operator where it is known to give the library's bytes; the
// library's call otherwise.
FIBITMAP* MapWithFattal(FIBITMAP* image, unsigned threads) {
  if (!FattalToneMapHandles(image) || !FattalMatchesLibrary())
    return FreeImage_TmoFattal02(image, Saturation, Attenuation);
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  ParallelFor parallel(threads);
  return FattalToneMap(image, Saturation, Attenuation, parallel);
}

}  // namespace

FIBITMAP* ToneMapToStandard(FIBITMAP* image, unsigned threads) {
  if (!image) return nullptr;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  if (w == 0 || h == 0) return nullptr;
  if (w >= MinimumSide && h >= MinimumSide) return MapWithFattal(image, threads);
  FIBITMAP* big = ExtendByEdges(image);
  if (!big) return nullptr;
  FIBITMAP* mapped = MapWithFattal(big, threads);
  FreeImage_Unload(big);
  if (!mapped) return nullptr;
  FIBITMAP* cut = FreeImage_Copy(mapped, 0, 0, static_cast<int>(w), static_cast<int>(h));
  FreeImage_Unload(mapped);
  return cut;
}
