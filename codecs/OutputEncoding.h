// Turning the finished picture into a file of the run's format.
#pragma once

#include <FreeImage.h>

#include <string>

// FreeImage save flags of a format, from the settings.
int SaveFlagsFor(const std::string& extension);
// A depth from the format's allowed list for a picture loaded at sourceBpp.
int AutoDepth(const std::string& extension, int sourceBpp);
// The bitmap at RunState.OutputBpp (resolved first when AutoBpp), or no image.
FIBITMAP* ConvertDepth(FIBITMAP* image);
// The highest palette index used by an 8-bit picture, plus one.
int CountUsedColors(FIBITMAP* image);
bool WriteBmpExactPalette(FIBITMAP* image, const std::string& path);
// A fresh temporary path.
std::string MakeTempName(const std::string& prefix, const std::string& suffix);
// Writes image to RunState.OutputFile with the run's format and depth; the
// previous file at that path survives any failure.
bool SaveOutputImage(FIBITMAP* image);
