#include "settings/Settings.h"
#include "stages/Stages.h"

namespace {

// Continues with replacement, releasing the picture it replaces.
FIBITMAP* Replace(FIBITMAP* image, FIBITMAP* replacement) {
  if (replacement != image) FreeImage_Unload(image);
  return replacement;
}

}  // namespace

FIBITMAP* AdjustImageColors(FIBITMAP* image) {
  if (!image || !Settings.DoImageColorCorrection) return image;
  const unsigned bpp = FreeImage_GetBPP(image);
  if (bpp < 8 || bpp > 32) image = Replace(image, FreeImage_ConvertTo24Bits(image));
  if (!image) return nullptr;
  // Works in place; a picture type the library cannot adjust goes on unadjusted.
  FreeImage_AdjustColors(image, static_cast<double>(Settings.ImageBrightness),
                         static_cast<double>(Settings.ImageContrast),
                         static_cast<double>(Settings.ImageGamma),
                         Settings.ImageInvert ? TRUE : FALSE);
  return image;
}

FIBITMAP* GreyscaleImage(FIBITMAP* image) {
  if (!image || !Settings.DoImageGreyscale) return image;
  if (FreeImage_GetBPP(image) > 32) image = Replace(image, FreeImage_ConvertTo24Bits(image));
  if (!image) return nullptr;
  return Replace(image, FreeImage_ConvertToGreyscale(image));
}

FIBITMAP* ThresholdImage(FIBITMAP* image) {
  if (!image || !Settings.DoImageThreshold) return image;
  if (FreeImage_GetBPP(image) > 32) image = Replace(image, FreeImage_ConvertTo24Bits(image));
  if (!image) return nullptr;
  const BYTE level = static_cast<BYTE>(Settings.ImageThreshold & 0xFF);
  return Replace(image, FreeImage_Threshold(image, level));
}
