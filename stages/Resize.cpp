#include <cmath>
#include <cstdint>

#include "settings/Settings.h"
#include "stages/Geometry.h"
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

FIBITMAP* ResizeImage(FIBITMAP* image, int w, int h) {
  if (!image || !Settings.DoImageResize) return image;
  const int targetW = ResolveDimension(Settings.ImageWidth, Settings.ImageWidthUnit, w);
  const int targetH = ResolveDimension(Settings.ImageHeight, Settings.ImageHeightUnit, h);
  if (targetW < 1 || targetH < 1) return image;
  if (targetW == w && targetH == h) return image;
  // LARGEIMAGES leaves a picture alone only when it is below the target both ways.
  if (Settings.ImageResizeType == 1 && w < targetW && h < targetH) return image;

  int width = targetW, height = targetH;
  if (Settings.KeepAspectRatio) {
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

  FIBITMAP* resized = FreeImage_Rescale(image, width, height, ResizeFilter());
  FreeImage_Unload(image);
  return resized;
}
