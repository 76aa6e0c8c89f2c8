// The solid frame: one colour per side with mitred corners, laid over the
// outermost pixels of the picture with one opacity for the whole frame.
#include "stages/Frame.h"

#include <string>
#include <utility>

#include "canvas/Canvas.h"
#include "canvas/ColorValues.h"
#include "settings/Settings.h"
#include "stages/Saturate.h"
#include "stages/Stages.h"

namespace {

std::string N(long long value) { return std::to_string(value); }

}  // namespace

Bitmap ConvertTo24Bits(Bitmap image) {
  if (!image || FreeImage_GetBPP(image.get()) == 24) return image;
  return Bitmap(FreeImage_ConvertTo24Bits(image.get()));
}

Bitmap CompositeOver(Bitmap picture, const Bitmap& overlay) {
  Bitmap result(FreeImage_Composite(overlay.get(), FALSE, nullptr, picture.get()));
  if (!result) return picture;
  return result;
}

bool DrawFrameLayer(CanvasImage& layer, int width, int height) {
  const SettingsRecord& s = Settings;
  const long long W = width, H = height;
  const long long L = s.SolidLeft, R = s.SolidRight, T = s.SolidTop, B = s.SolidBottom;
  const std::uint32_t cL = ParseColorRGBA(s.SolidLeftColor, 255);
  const std::uint32_t cR = ParseColorRGBA(s.SolidRightColor, 255);
  const std::uint32_t cT = ParseColorRGBA(s.SolidTopColor, 255);
  const std::uint32_t cB = ParseColorRGBA(s.SolidBottomColor, 255);
  // Corner squares first, so that the anti-aliased seams of the bands meeting
  // along each diagonal lie over solid colour rather than leaving a faint line.
  const int right = SaturateToInt(W - R), bottom = SaturateToInt(H - B);
  bool ok = FillBox(layer, 0, 0, s.SolidLeft, s.SolidTop, cT) &&
            FillBox(layer, right, 0, s.SolidRight, s.SolidTop, cR) &&
            FillBox(layer, right, bottom, s.SolidRight, s.SolidBottom, cB) &&
            FillBox(layer, 0, bottom, s.SolidLeft, s.SolidBottom, cL);
  ok = ok &&
       FillPath(layer,
                "M 0 0 l " + N(W) + " 0 l -" + N(R) + " " + N(T) + " l -" + N(W - R - L) + " 0 Z",
                cT) &&
       FillPath(layer,
                "M " + N(W) + " 0 l 0 " + N(H) + " l -" + N(R) + " -" + N(B) + " l 0 -" +
                    N(H - B - T) + " Z",
                cR) &&
       FillPath(layer,
                "M " + N(W) + " " + N(H) + " l -" + N(W) + " 0 l " + N(L) + " -" + N(B) + " l " +
                    N(W - R - L) + " 0 Z",
                cB) &&
       FillPath(layer,
                "M 0 " + N(H) + " l 0 -" + N(H) + " l " + N(L) + " " + N(T) + " l 0 " +
                    N(H - B - T) + " Z",
                cL);
  return ok;
}

Bitmap ApplyFrame(Bitmap image, int width, int height) {
  if (!image || Settings.DoFrame == 0) return image;
  image = ConvertTo24Bits(std::move(image));
  if (!image || Settings.DoFrame != 1) return image;

  CanvasImage frame, layer;
  if (!CreateCanvasImage(frame, width, height, 0)) return image;
  DrawFrameLayer(frame, width, height);
  if (!CreateCanvasImage(layer, width, height, 0)) return image;
  DrawImage(layer, frame, Settings.SolidOpacity);

  const Bitmap overlay(CanvasToBitmap(layer));
  if (!overlay) return image;
  return CompositeOver(std::move(image), overlay);
}
