// The picture label of the watermark stage.
#pragma once

#include <FreeImage.h>

#include <cstdint>

#include "codecs/Bitmap.h"

// The run-level check before converting with a picture watermark: false when
// Settings.Image does not name a non-empty file.
bool CheckWatermarkImage();
// Keeps the source's alpha and replaces its colour by its luminance
// (77 R + 150 G + 29 B) / 256; the target is not used.
std::uint32_t GreyFilter(int x, int y, std::uint32_t source, std::uint32_t target);
// The label from Settings.Image, loaded anew, in grey when ImageGreyscale is
// set and with ImageOpacity applied, as a 32-bit bitmap; none when the file
// cannot be decoded.
Bitmap BuildImageLabel();

// False, with the file noted as too large, when the watermark picture's
// stated size needs more memory than there is; true also when its header
// cannot be read (the label then fails to load, as before).
bool ImageLabelFitsInMemory();
