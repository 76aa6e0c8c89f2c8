// psd, dds and pcx output through DevIL.
#pragma once

#include <FreeImage.h>

#include "platform/CheckedFile.h"

// Writes a 24-bit (BGR) or 32-bit (BGRA) picture as DevIL image type ilType
// into file, building mipmaps first when asked (dds). False for other depths,
// when memory runs out, or when DevIL refuses; write failures are in file.
// DevIL must have been initialised.
bool WriteDevilFile(FIBITMAP* image, int ilType, CheckedFile& file, bool buildMipmaps);
