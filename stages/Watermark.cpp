#include "stages/Watermark.h"

#include <cstdint>
#include <utility>

#include "settings/Settings.h"
#include "stages/Frame.h"
#include "stages/ImageWatermark.h"
#include "stages/Saturate.h"
#include "stages/Stages.h"
#include "stages/TextWatermark.h"

Bitmap RotateWatermark(Bitmap label, int degrees) {
  if (!label || degrees <= 0 || degrees >= 360) return label;
  return Bitmap(FreeImage_Rotate(label.get(), degrees, nullptr));
}

WatermarkArea WatermarkAreaFor(int width, int height, int boundary) {
  WatermarkArea area{0, 0, width, height};
  if (Settings.DoFrame != 0 && boundary == 1) {
    area.width = SaturateToInt(std::int64_t{width} - Settings.SolidLeft - Settings.SolidRight);
    area.height = SaturateToInt(std::int64_t{height} - Settings.SolidTop - Settings.SolidBottom);
    area.x = Settings.SolidLeft;
    area.y = Settings.SolidTop;
  }
  return area;
}

Bitmap FitWatermark(Bitmap label, int areaWidth, int areaHeight, int xOffset, int yOffset) {
  if (!label) return label;
  const long long w0 = FreeImage_GetWidth(label.get()), h0 = FreeImage_GetHeight(label.get());
  long long w = w0, h = h0;
  if (w + xOffset > areaWidth) w = static_cast<long long>(areaWidth) - xOffset;
  if (h + yOffset > areaHeight) h = static_cast<long long>(areaHeight) - yOffset;
  if (w == w0 && h == h0) return label;
  if (w <= 0 || h <= 0) return Bitmap();
  return Bitmap(FreeImage_Copy(label.get(), 0, 0, static_cast<int>(w), static_cast<int>(h)));
}

WatermarkPosition PlaceWatermark(int anchor, const WatermarkArea& area, int w, int h, int xOffset,
                                 int yOffset) {
  const std::int64_t areaW = area.width, areaH = area.height;
  const std::int64_t left = xOffset, center = (areaW - w) / 2, right = areaW - w - xOffset;
  const std::int64_t top = yOffset, middle = (areaH - h) / 2, bottom = areaH - h - yOffset;
  struct {
    std::int64_t x, y;
  } p;
  switch (anchor) {
    case 0:
      p = {left, top};
      break;
    case 1:
      p = {center, top};
      break;
    case 2:
      p = {right, top};
      break;
    case 3:
      p = {left, middle};
      break;
    case 4:
      p = {center, middle};
      break;
    case 5:
      p = {right, middle};
      break;
    case 6:
      p = {left, bottom};
      break;
    case 7:
      p = {center, bottom};
      break;
    case 8:
      p = {right, bottom};
      break;
    default:
      p = {0, 0};
      break;
  }
  return {SaturateToInt(area.x + p.x), SaturateToInt(area.y + p.y)};
}

Bitmap CompositeWatermark(Bitmap picture, FIBITMAP* label, WatermarkPosition position) {
  if (!picture || !label) return picture;
  const long long W = FreeImage_GetWidth(picture.get()), H = FreeImage_GetHeight(picture.get());
  const long long w = FreeImage_GetWidth(label), h = FreeImage_GetHeight(label);
  if (position.x < 0 || position.y < 0 || position.x + w > W || position.y + h > H) return picture;
  const Bitmap layer(FreeImage_AllocateT(FIT_BITMAP, static_cast<int>(W), static_cast<int>(H),
                                         static_cast<int>(FreeImage_GetBPP(label)), 0, 0, 0));
  if (!layer) return picture;
  // An alpha argument above 255 copies the label as it is: its own alpha
  // already carries every opacity, and a blend at 255 would fade it.
  if (FreeImage_Paste(layer.get(), label, position.x, position.y, 256))
    picture = CompositeOver(std::move(picture), layer);
  return picture;
}

Bitmap ApplyWatermark(Bitmap image, int width, int height, const FileJob& job) {
  if (!image || Settings.DoWatermark == 0) return image;
  image = ConvertTo24Bits(std::move(image));
  if (!image) return image;

  Bitmap label;
  int rotation = 0, boundary = 0, anchor = 0, dx = 0, dy = 0;
  const SettingsRecord& s = Settings;
  if (s.DoWatermark == 1) {
    label = BuildTextLabel(ExpandWatermarkText(job));
    rotation = s.TextRotation;
    boundary = s.TextBoundary;
    anchor = s.TextPosition;
    dx = s.TextXOffset;
    dy = s.TextYOffset;
  } else if (s.DoWatermark == 2) {
    // A picture the memory cannot hold ends the file rather than the run.
    if (!ImageLabelFitsInMemory()) return Bitmap();
    label = BuildImageLabel();
    rotation = s.WatermarkImageRotation;
    boundary = s.ImageBoundary;
    anchor = s.ImagePosition;
    dx = s.ImageXOffset;
    dy = s.ImageYOffset;
  }
  if (!label) return image;

  label = RotateWatermark(std::move(label), rotation);
  const WatermarkArea area = WatermarkAreaFor(width, height, boundary);
  label = FitWatermark(std::move(label), area.width, area.height, dx, dy);
  if (label) {
    const WatermarkPosition at =
        PlaceWatermark(anchor, area, static_cast<int>(FreeImage_GetWidth(label.get())),
                       static_cast<int>(FreeImage_GetHeight(label.get())), dx, dy);
    image = CompositeWatermark(std::move(image), label.get(), at);
  }
  return image;
}
