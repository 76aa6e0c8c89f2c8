#include <cstdint>

#include "canvas/ColorValues.h"
#include "settings/Settings.h"
#include "stages/Geometry.h"
#include "stages/MemoryEstimate.h"
#include "stages/Stages.h"
#include "stages/ToneMapping.h"

bool IsFloatingPointImage(FIBITMAP* image) {
  switch (FreeImage_GetImageType(image)) {
    case FIT_FLOAT:
    case FIT_DOUBLE:
    case FIT_RGBF:
    case FIT_RGBAF:
      return true;
    default:
      return false;
  }
}

Bitmap RotateImage(Bitmap image) {
  if (!image) return image;
  const unsigned w = FreeImage_GetWidth(image.get()), h = FreeImage_GetHeight(image.get());
  if (!Settings.DoImageRotation || Settings.ImageRotation <= 0 || Settings.ImageRotation >= 360)
    return image;

  // Rotation works on 24- or 32-bit pictures. The library's 24-bit conversion
  // has no answer for floating-point data (every HDR input), so that is
  // brought to 24 bits by the same tone mapping the pipeline applies later.
  if (IsFloatingPointImage(image.get())) {
    image.reset(ToneMapToStandard(image.get()));
  } else {
    const unsigned bpp = FreeImage_GetBPP(image.get());
    if (bpp <= 16 || bpp > 32) image.reset(FreeImage_ConvertTo24Bits(image.get()));
  }
  if (!image) return image;
  if (!EnsureMemoryFor(RotationBytes(w, h, Settings.ImageRotation, Settings.ImageRotationType),
                       "rotation"))
    return Bitmap();

  const double angle = static_cast<double>(Settings.ImageRotation);
  switch (Settings.ImageRotationType) {
    case 0: {  // SIMPLE: the canvas grows; uncovered corners get the background.
      const std::uint32_t color = ParseColorRGB(Settings.ImageRotationBackColor);
      RGBQUAD background;
      background.rgbRed = static_cast<BYTE>(color & 0xFF);
      background.rgbGreen = static_cast<BYTE>((color >> 8) & 0xFF);
      background.rgbBlue = static_cast<BYTE>((color >> 16) & 0xFF);
      background.rgbReserved = 0;
      image.reset(FreeImage_Rotate(image.get(), angle, &background));
      return image;
    }
    case 1:  // ADVANCED: about the centre, the canvas keeps its size.
      image.reset(FreeImage_RotateEx(image.get(), angle, 0.0, 0.0, w / 2.0, h / 2.0, FALSE));
      return image;
    default:
      return image;
  }
}
