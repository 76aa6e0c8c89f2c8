// Reading JPEG XR files back through libjxr (FreeImage's JPEG XR support is
// not usable on every build).
#pragma once

#include <FreeImage.h>

#include <string>

// Loads the pixel layouts WriteJxrFile produces: 1-bit black and white,
// 8-bit grey, 16-bit 5-5-5 or 5-6-5, 24-bit, 32-bit with alpha, 48-bit and
// float RGB (as 96-bit FIT_RGBF). No image for anything else.
FIBITMAP* LoadJxrFile(const std::string& path);
