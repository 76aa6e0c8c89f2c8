// The watermark stage (ApplyWatermark in Stages.h): a text or picture label
// rotated, cut to fit, anchored inside the picture or the frame, and
// composited over the picture. The steps are shared by both kinds of label.
#pragma once

#include "codecs/Bitmap.h"

// The label turned by degrees when 0 < degrees < 360 (uncovered corners
// transparent), releasing the label replaced; otherwise the label itself.
Bitmap RotateWatermark(Bitmap label, int degrees);

// The part of the picture a label is placed in: the whole picture, or the area
// inside the frame for boundary 1 ("FRAME") when a frame is enabled.
struct WatermarkArea {
  int x = 0, y = 0;
  int width = 0, height = 0;
};
WatermarkArea WatermarkAreaFor(int width, int height, int boundary);

// The label cut to its top-left part so that it fits the area beside the
// offsets (releasing the label replaced), or none when nothing of it is left.
Bitmap FitWatermark(Bitmap label, int areaWidth, int areaHeight, int xOffset, int yOffset);

struct WatermarkPosition {
  int x = 0, y = 0;
};
// Top-left corner in the picture of a w x h label at anchor 0-8 (top-left to
// bottom-right, row by row); offsets count from the anchored edges only.
WatermarkPosition PlaceWatermark(int anchor, const WatermarkArea& area, int w, int h, int xOffset,
                                 int yOffset);

// The 24-bit picture with the 32-bit label composited at position, releasing
// the picture replaced. A label not wholly inside the picture leaves it as it
// is. The label is kept.
Bitmap CompositeWatermark(Bitmap picture, FIBITMAP* label, WatermarkPosition position);
