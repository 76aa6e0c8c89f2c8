// The picture stages in the order ConvertFile calls them. Each takes the
// working bitmap and returns the one to continue with (what it replaced is
// released with its handle); a stage handed no image returns none; a disabled
// stage returns its input unchanged.
#pragma once

#include "codecs/Bitmap.h"
#include "settings/FileJob.h"

// Geometry.
Bitmap RotateImage(Bitmap image);
Bitmap ResizeImage(Bitmap image, int width, int height);
// Mirrors in place.
Bitmap FlipImage(Bitmap image);

// Colour adjustments.
Bitmap AdjustImageColors(Bitmap image);
Bitmap GreyscaleImage(Bitmap image);
Bitmap ThresholdImage(Bitmap image);

// Frame and watermarks (width and height: the picture's size after geometry).
Bitmap ApplyFrame(Bitmap image, int width, int height);
// The text watermark fills in the placeholders of job (its size, depth and numbers).
Bitmap ApplyWatermark(Bitmap image, int width, int height, const FileJob& job);
