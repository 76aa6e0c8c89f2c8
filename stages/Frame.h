// The frame stage (ApplyFrame in Stages.h) and the picture helpers the
// watermark stage shares with it.
#pragma once

#include "codecs/Bitmap.h"

struct CanvasImage;

// The picture as 24 bits per pixel (alpha dropped), releasing the one replaced.
Bitmap ConvertTo24Bits(Bitmap image);
// The picture with the 32-bit overlay composited over it, releasing the one
// replaced; the picture itself when compositing fails. The overlay is kept.
Bitmap CompositeOver(Bitmap picture, const Bitmap& overlay);
// Fills the eight frame shapes from the frame settings onto a transparent
// layer of the picture's size; false when a shape could not be drawn.
bool DrawFrameLayer(CanvasImage& layer, int width, int height);
