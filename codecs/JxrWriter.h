// JPEG XR output through libjxr's own encoder (FreeImage's JPEG XR writer is
// not usable on every build).
#pragma once

#include <FreeImage.h>

#include <string>

#include "platform/CheckedFile.h"

// Writes image into file. Handles 1-bit black and white, 8-bit grey, 16-bit
// 5-5-5 and 5-6-5, 24-bit, 32-bit with alpha, 48-bit and 96-bit float
// pictures. The low byte of saveFlags is the quality as FreeImage reads it
// (0 = default 80, 100 = lossless). False when the picture or the write is
// refused; write failures are also remembered in file.
bool WriteJxrFile(FIBITMAP* image, CheckedFile& file, int saveFlags);
// The same into a file created (or emptied) at path, flushed and closed; true
// only when every byte reached it. A failed file stays for the caller.
bool WriteJxrFile(FIBITMAP* image, const std::string& path, int saveFlags);
