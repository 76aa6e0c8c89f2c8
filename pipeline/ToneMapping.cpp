#include "pipeline/ToneMapping.h"

#include <algorithm>
#include <cstring>

namespace {

// The tone-mapping operator gives no result below this size in either direction.
constexpr unsigned kMinimumSide = 32;

// A copy of an RGBF picture grown to at least kMinimumSide in both directions,
// the last column and the bottom row repeated into the new area.
FIBITMAP* PadByEdgeRepetition(FIBITMAP* rgbf) {
  const unsigned w = FreeImage_GetWidth(rgbf), h = FreeImage_GetHeight(rgbf);
  const unsigned pw = std::max(w, kMinimumSide), ph = std::max(h, kMinimumSide);
  FIBITMAP* padded = FreeImage_AllocateT(FIT_RGBF, static_cast<int>(pw), static_cast<int>(ph));
  if (!padded) return nullptr;
  // Scan lines run bottom-up; row y counted from the top is scan line height-1-y.
  for (unsigned y = 0; y < ph; ++y) {
    const unsigned sy = std::min(y, h - 1);
    const auto* src = reinterpret_cast<const FIRGBF*>(FreeImage_GetScanLine(rgbf, h - 1 - sy));
    auto* dst = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(padded, ph - 1 - y));
    std::memcpy(dst, src, sizeof(FIRGBF) * w);
    for (unsigned x = w; x < pw; ++x) dst[x] = src[w - 1];
  }
  return padded;
}

}  // namespace

FIBITMAP* ToneMapToStandard(FIBITMAP* image) {
  if (!image || !FreeImage_HasPixels(image)) return nullptr;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  if (w == 0 || h == 0) return nullptr;

  // The operator only accepts RGBF pictures of at least the minimum size.
  FIBITMAP* rgbf =
      FreeImage_GetImageType(image) == FIT_RGBF ? image : FreeImage_ConvertToRGBF(image);
  if (!rgbf) return nullptr;
  FIBITMAP* work = rgbf;
  if (w < kMinimumSide || h < kMinimumSide) work = PadByEdgeRepetition(rgbf);
  FIBITMAP* mapped = work ? FreeImage_TmoFattal02(work, 0.5, 0.85) : nullptr;
  if (work != rgbf && work) FreeImage_Unload(work);
  if (rgbf != image) FreeImage_Unload(rgbf);
  if (!mapped || (FreeImage_GetWidth(mapped) == w && FreeImage_GetHeight(mapped) == h))
    return mapped;
  FIBITMAP* cropped = FreeImage_Copy(mapped, 0, 0, static_cast<int>(w), static_cast<int>(h));
  FreeImage_Unload(mapped);
  return cropped;
}
