#include "stages/ImageWatermark.h"

#include "canvas/Canvas.h"
#include "platform/Files.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"

bool CheckWatermarkImage() {
  return !Settings.Image.empty() && IsRegularFile(Settings.Image) && FileSize(Settings.Image) > 0;
}

bool ImageLabelFitsInMemory() {
  std::int64_t width = 0, height = 0;
  if (!ReadStatedSize(Settings.Image, -1, width, height)) return true;
  return EnsureMemoryFor(ImageLabelBytes(width, height), "the watermark picture");
}

std::uint32_t GreyFilter(int, int, std::uint32_t source, std::uint32_t) {
  const unsigned g = (77u * RedOf(source) + 150u * GreenOf(source) + 29u * BlueOf(source)) >> 8;
  return PackRGBA(g, g, g, AlphaOf(source));
}

Bitmap BuildImageLabel() {
  CanvasImage picture, label;
  int bitsPerPixel = 0;
  if (!LoadCanvasImage(Settings.Image, picture, bitsPerPixel)) return Bitmap();
  const std::uint32_t background = bitsPerPixel == 32 ? 0u : PackRGBA(0, 0, 0, 255);
  if (!CreateCanvasImage(label, picture.width, picture.height, background)) return Bitmap();
  // Written in all four channels: the label's alpha is the picture's alpha
  // times the opacity, so a logo without transparency becomes translucent
  // rather than darkened over the black start.
  CopyImage(label, picture, Settings.ImageOpacity, Settings.ImageGreyscale ? GreyFilter : nullptr);
  return Bitmap(CanvasToBitmap(label));
}
