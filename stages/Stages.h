// The picture stages in the order ConvertFile calls them. Each takes the
// working bitmap and returns the one to continue with (releasing what it
// replaced); a stage handed no image returns none; a disabled stage returns
// its input unchanged.
#pragma once

#include <FreeImage.h>

#include "settings/FileJob.h"

// Geometry.
FIBITMAP* RotateImage(FIBITMAP* image);
FIBITMAP* ResizeImage(FIBITMAP* image, int width, int height);
void FlipImage(FIBITMAP* image);

// Colour adjustments.
FIBITMAP* AdjustImageColors(FIBITMAP* image);
FIBITMAP* GreyscaleImage(FIBITMAP* image);
FIBITMAP* ThresholdImage(FIBITMAP* image);

// Frame and watermarks (width and height: the picture's size after geometry).
FIBITMAP* ApplyFrame(FIBITMAP* image, int width, int height);
// The text watermark fills in the placeholders of job (its size, depth and numbers).
FIBITMAP* ApplyWatermark(FIBITMAP* image, int width, int height, const FileJob& job);
