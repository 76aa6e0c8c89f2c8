#include "settings/Settings.h"
#include "stages/Stages.h"

Bitmap FlipImage(Bitmap image) {
  if (!image) return image;
  if (Settings.DoImageFlipHorizontal) FreeImage_FlipHorizontal(image.get());
  if (Settings.DoImageFlipVertical) FreeImage_FlipVertical(image.get());
  return image;
}
