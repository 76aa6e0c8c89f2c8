// psd, dds and pcx output through DevIL.
#pragma once

#include <FreeImage.h>

#include <string>

// Writes a 24-bit (BGR) or 32-bit (BGRA) picture as DevIL image type ilType
// to path, building mipmaps first when asked (dds). The file at path may
// already exist (it is overwritten). False for other depths, when memory runs
// out, or when DevIL refuses. DevIL must have been initialised.
bool WriteDevilFile(FIBITMAP* image, int ilType, const std::string& path, bool buildMipmaps);
