// Reading an input picture.
#pragma once

#include <FreeImage.h>

#include <cstdio>
#include <string>

#include "codecs/Bitmap.h"

// Loads path as Radiance HDR (no format detection): through the library when
// it reads the file correctly, else through the own Radiance reader. Returns
// no image, with the reason in failure when given, for a missing, unreadable
// or truncated file, for a path that is not a regular file (never waiting on
// a pipe), and for a header whose stated size cannot fit in the bytes that
// follow it. The file is opened once; every reader uses that stream.
Bitmap LoadInputImage(const std::string& path, std::string* failure = nullptr);

// False when the Radiance header at path states more pixels than the rest of
// the file can hold; true otherwise (including headers the loader will reject
// by itself).
bool RadianceSizeIsPlausible(const std::string& path);
// The same for an open stream (read from its start).
bool RadianceSizeIsPlausible(std::FILE* file);

// The library's decoder over an open stream (read from its start) instead of
// a path it would open itself; format FIF_UNKNOWN asks the library to tell
// it from the bytes. No image when it cannot.
FIBITMAP* LoadFromStream(FREE_IMAGE_FORMAT format, std::FILE* file, int flags);
// The format the library tells from the stream's first bytes, or FIF_UNKNOWN.
FREE_IMAGE_FORMAT StreamFileType(std::FILE* file);
