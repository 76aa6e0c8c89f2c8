#include <cmath>
#include <cstdint>

#include "settings/Settings.h"
#include "stages/Geometry.h"
#include "stages/MemoryEstimate.h"
#include "stages/Saturate.h"
#include "stages/Stages.h"

int ResolveDimension(std::int32_t value, int unit, int current) {
  if (unit == 0) return value;
  if (unit != 1) return 0;
  // value * current / 100 exactly, rounded half to even (so 50% of 101 is 50
  // and 150% of 101 is 152) without binary-fraction error.
  const std::int64_t n = static_cast<std::int64_t>(value) * current;
  std::int64_t q = n / 100, r = n % 100;
  if (r < 0) {
    q -= 1;
    r += 100;
  }
  if (r > 50 || (r == 50 && (q & 1) != 0)) q += 1;
  return SaturateToInt(q);
}

FREE_IMAGE_FILTER ResizeFilter() {
  // The keyword order differs from the library's enumeration, hence a table.
  static const FREE_IMAGE_FILTER filters[] = {FILTER_BOX,     FILTER_BILINEAR,   FILTER_BSPLINE,
                                              FILTER_BICUBIC, FILTER_CATMULLROM, FILTER_LANCZOS3};
  const unsigned index = Settings.ImageResizeAlgorithm;
  return index < sizeof filters / sizeof filters[0] ? filters[index] : FILTER_BICUBIC;
}

bool ResizeTarget(const SettingsRecord& s, int w, int h, int& width, int& height) {
  if (!s.DoImageResize) return false;
  const int targetW = ResolveDimension(s.ImageWidth, s.ImageWidthUnit, w);
  const int targetH = ResolveDimension(s.ImageHeight, s.ImageHeightUnit, h);
  if (targetW < 1 || targetH < 1) return false;
  if (targetW == w && targetH == h) return false;
  // LARGEIMAGES leaves a picture alone only when it is below the target both ways.
  if (s.ImageResizeType == 1 && w < targetW && h < targetH) return false;

  width = targetW;
  height = targetH;
  if (s.KeepAspectRatio) {
    // Only the target of the longer side counts; the ratio and the quotient
    // are single-precision values, rounded with halves away from zero.
    if (w >= h) {
      const float ratio = static_cast<float>(static_cast<double>(w) / h);
      const float side = static_cast<float>(targetW / static_cast<double>(ratio));
      height = static_cast<int>(std::lround(side));
    } else {
      const float ratio = static_cast<float>(static_cast<double>(h) / w);
      const float side = static_cast<float>(targetH / static_cast<double>(ratio));
      width = static_cast<int>(std::lround(side));
    }
  }
  return true;
}

Bitmap ResizeImage(Bitmap image, int w, int h) {
  if (!image) return image;
  int width = 0, height = 0;
  if (!ResizeTarget(Settings, w, h, width, height)) return image;
  const std::int64_t pixelBytes = FreeImage_GetBPP(image.get()) / 8;
  // The source is already held.
  const std::uint64_t source =
      static_cast<std::uint64_t>(pixelBytes) * static_cast<unsigned>(w) * static_cast<unsigned>(h);
  if (!EnsureMemoryFor(ResizeBytes(w, h, width, height, pixelBytes) - source, "resizing"))
    return Bitmap();
  return Bitmap(FreeImage_Rescale(image.get(), width, height, ResizeFilter()));
}
