// Reading an input picture.
#pragma once

#include <FreeImage.h>

#include <string>

// Loads path as Radiance HDR (no format detection): through the library when
// it reads the file correctly, else through the own Radiance reader. Returns
// no image, with the reason in failure when given, for a missing, unreadable
// or truncated file, and for a header whose stated size cannot fit in the
// bytes that follow it.
FIBITMAP* LoadInputImage(const std::string& path, std::string* failure = nullptr);

// False when the Radiance header at path states more pixels than the rest of
// the file can hold; true otherwise (including headers the loader will reject
// by itself).
bool RadianceSizeIsPlausible(const std::string& path);
