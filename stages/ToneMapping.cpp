#include "stages/ToneMapping.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/ParallelFor.h"
#include "settings/FileFailure.h"
#include "stages/FattalToneMapper.h"
#include "stages/MemoryEstimate.h"

namespace {

constexpr double Saturation = 0.5;
constexpr double Attenuation = 0.85;
constexpr unsigned MinimumSide = 32;
// The global operator's display gamma and the Rec. 709 luminance weights.
constexpr float DisplayGamma = 2.2f;
constexpr float LumaRed = 0.2126f, LumaGreen = 0.7152f, LumaBlue = 0.0722f;

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

FIBITMAP* MapByGradients(FIBITMAP* image, unsigned threads) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
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

// Whether every pixel of image has the same Rec. 709 luminance (negatives as
// zero), as the gradient mapper measures it. False when the picture cannot
// be read as floating-point RGB (no memory for the copy).
bool HasOneLuminance(FIBITMAP* image, bool& flat) {
  FIBITMAP* rgbf =
      FreeImage_GetImageType(image) == FIT_RGBF ? image : FreeImage_ConvertToRGBF(image);
  if (!rgbf) return false;
  const unsigned w = FreeImage_GetWidth(rgbf), h = FreeImage_GetHeight(rgbf);
  bool first = true;
  float luminance = 0.0f;
  flat = true;
  for (unsigned y = 0; y < h && flat; ++y) {
    const FIRGBF* row =
        reinterpret_cast<const FIRGBF*>(FreeImage_GetScanLine(rgbf, static_cast<int>(y)));
    for (unsigned x = 0; x < w; ++x) {
      const float l = FattalLuminance(row[x]);
      if (first) {
        luminance = l;
        first = false;
      } else if (l != luminance) {
        flat = false;
        break;
      }
    }
  }
  if (rgbf != image) FreeImage_Unload(rgbf);
  return true;
}

// One display value from a linear channel value already compressed.
BYTE DisplayValue(float linear) {
  if (!(linear > 0.0f)) return 0;  // negatives and NaN
  if (linear >= 1.0f) return 255;
  return static_cast<BYTE>(std::lround(std::pow(linear, 1.0f / DisplayGamma) * 255.0f));
}

}  // namespace

FIBITMAP* MapGlobally(FIBITMAP* image) {
  FIBITMAP* rgbf = FreeImage_ConvertToRGBF(image);
  if (!rgbf) return nullptr;
  const unsigned w = FreeImage_GetWidth(rgbf), h = FreeImage_GetHeight(rgbf);
  FIBITMAP* out = FreeImage_Allocate(static_cast<int>(w), static_cast<int>(h), 24);
  if (out) {
    for (unsigned y = 0; y < h; ++y) {
      const FIRGBF* src =
          reinterpret_cast<const FIRGBF*>(FreeImage_GetScanLine(rgbf, static_cast<int>(y)));
      BYTE* dst = FreeImage_GetScanLine(out, static_cast<int>(y));
      for (unsigned x = 0; x < w; ++x, dst += 3) {
        const FIRGBF& c = src[x];
        const float luminance = LumaRed * c.red + LumaGreen * c.green + LumaBlue * c.blue;
        // L / (1 + L) keeps dark values nearly linear and brings any bright
        // one below 1; the channels keep their ratios.
        const float scale = luminance > 0.0f ? 1.0f / (1.0f + luminance) : 1.0f;
        dst[FI_RGBA_RED] = DisplayValue(c.red * scale);
        dst[FI_RGBA_GREEN] = DisplayValue(c.green * scale);
        dst[FI_RGBA_BLUE] = DisplayValue(c.blue * scale);
      }
    }
  }
  FreeImage_Unload(rgbf);
  return out;
}

FIBITMAP* ToneMapToStandard(FIBITMAP* image, unsigned threads) {
  if (!image) return nullptr;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  if (w == 0 || h == 0) return nullptr;
  // The input is already held; the rest of the mapper's working set is not.
  if (!EnsureMemoryFor(ToneMappingBytes(w, h) - LoadBytes(w, h), "tone mapping")) return nullptr;
  FIBITMAP* mapped = MapByGradients(image, threads);
  if (mapped) return mapped;
  // The gradient mapper gives nothing for a picture without any gradient
  // (uniform, or a single pixel): such a picture has no detail to keep, so
  // the plain global operator loses nothing. For any other picture nothing
  // means an allocation failed, and a global mapping would pass for the
  // real one: the file fails instead.
  bool flat = false;
  if (!HasOneLuminance(image, flat) || !flat) {
    NoteFailure(FailureKind::TooLarge, OutOfMemoryText);
    return nullptr;
  }
  return MapGlobally(image);
}
