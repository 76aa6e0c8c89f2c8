#include "settings/Settings.h"
#include "stages/Stages.h"

void FlipImage(FIBITMAP* image) {
  if (!image) return;
  if (Settings.DoImageFlipHorizontal) FreeImage_FlipHorizontal(image);
  if (Settings.DoImageFlipVertical) FreeImage_FlipVertical(image);
}
