#include "settings/Settings.h"
#include "stages/Stages.h"

Bitmap AdjustImageColors(Bitmap image) {
  if (!image || !Settings.DoImageColorCorrection) return image;
  const unsigned bpp = FreeImage_GetBPP(image.get());
  if (bpp < 8 || bpp > 32) image.reset(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;
  // Works in place; a picture type the library cannot adjust goes on unadjusted.
  FreeImage_AdjustColors(image.get(), static_cast<double>(Settings.ImageBrightness),
                         static_cast<double>(Settings.ImageContrast),
                         static_cast<double>(Settings.ImageGamma),
                         Settings.ImageInvert ? TRUE : FALSE);
  return image;
}

Bitmap GreyscaleImage(Bitmap image) {
  if (!image || !Settings.DoImageGreyscale) return image;
  if (FreeImage_GetBPP(image.get()) > 32) image.reset(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;
  image.reset(FreeImage_ConvertToGreyscale(image.get()));
  return image;
}

Bitmap ThresholdImage(Bitmap image) {
  if (!image || !Settings.DoImageThreshold) return image;
  if (FreeImage_GetBPP(image.get()) > 32) image.reset(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;
  const BYTE level = static_cast<BYTE>(Settings.ImageThreshold & 0xFF);
  image.reset(FreeImage_Threshold(image.get(), level));
  return image;
}
