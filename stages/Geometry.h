// Helpers of the geometry stages (rotation, resizing, flipping; the stages
// themselves are declared in stages/Stages.h).
#pragma once

#include <FreeImage.h>

#include <cstdint>

// A target side in pixels: unit 0 (pixels) gives value; unit 1 (percent)
// gives value per cent of current, rounded to nearest with halves to even;
// any other unit gives 0.
int ResolveDimension(std::int32_t value, int unit, int current);

struct SettingsRecord;
// The size ResizeImage gives a w x h picture under the resize settings of s;
// false when it leaves the picture as it is.
bool ResizeTarget(const SettingsRecord& s, int w, int h, int& width, int& height);

// The library filter for Settings.ImageResizeAlgorithm (bicubic for unknown values).
FREE_IMAGE_FILTER ResizeFilter();

// True when the floating-point rotation path applies (float, double, RGBF, RGBAF data).
bool IsFloatingPointImage(FIBITMAP* image);
