// Shared by the fuzz targets: the fuzz input as a file, for the readers that
// take a path, and a check of the bitmap a reader hands back.
#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <string>

// A private scratch folder for this process, ending with "/", created on first use.
std::string FuzzFolder();

// Writes data to one file in FuzzFolder() (the same file every call, name
// ending in extension) and returns its path.
std::string WriteFuzzFile(const std::uint8_t* data, std::size_t size, const std::string& extension);

// Reads the first pixel of the first row and the last pixel of the last row of
// a 96-bit RGBF picture, so that a bitmap smaller than its claimed size shows
// up under the address sanitizer.
void TouchFarCorners(FIBITMAP* picture);
