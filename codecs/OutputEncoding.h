// Turning the finished picture into a file of the run's format.
#pragma once

#include <FreeImage.h>

#include <string>

#include "settings/FileJob.h"

// A depth from the format's allowed list for a picture loaded at sourceBpp.
int AutoDepth(const std::string& extension, int sourceBpp);
// The bitmap at job.OutputBpp (resolved first from job.SourceBpp when
// RunState.AutoBpp), or no image.
FIBITMAP* ConvertDepth(FIBITMAP* image, FileJob& job);
// The highest palette index used by an 8-bit picture, plus one.
int CountUsedColors(FIBITMAP* image);
bool WriteBmpExactPalette(FIBITMAP* image, const std::string& path);
// A fresh temporary path.
std::string MakeTempName(const std::string& prefix, const std::string& suffix);
// Writes image to job.OutputFile with the run's format and job's depth,
// recording the temporary file in job.TempPath; the previous file at that
// path survives any failure.
bool SaveOutputImage(FIBITMAP* image, FileJob& job);
