// Turning the finished picture into a file of the run's format.
#pragma once

#include <FreeImage.h>

#include <string>

#include "codecs/Bitmap.h"
#include "platform/CheckedFile.h"
#include "settings/FileJob.h"

// A depth from the format's allowed list for a picture loaded at sourceBpp.
int AutoDepth(const std::string& extension, int sourceBpp);
// The bitmap at job.OutputBpp (resolved first from job.SourceBpp when
// RunState.AutoBpp), or no image.
Bitmap ConvertDepth(Bitmap image, FileJob& job);
// The highest palette index used by an 8-bit picture, plus one.
int CountUsedColors(FIBITMAP* image);
// Writes an 8-bit BMP whose colour table holds only the entries the pixels use.
bool WriteBmpExactPalette(FIBITMAP* image, CheckedFile& file);
// A fresh temporary name: prefix, the date spelt in letters, five random letters, suffix.
std::string MakeTempName(const std::string& prefix, const std::string& suffix);
// The temporary file for target: beside it, named ".NAME.EXT.lumivert-XXXXXX"
// after the target's file name, so anyone finding it sees what it is; for
// example "/out/.pic.png.lumivert-a9Zk0Q" for "/out/pic.png".
std::string TempPathFor(const std::string& target);
// Writes image with the run's format and job's depth into a fresh temporary
// file beside job.OutputFile (job.TempPath, tracked for deletion on
// interruption). On failure nothing stays and the reason is noted (write
// failed with the system's message, or encoder refused).
bool WriteOutputTemp(FIBITMAP* image, FileJob& job);
// Renames the temporary file to job.OutputFile, which may have changed since
// the write; the previous file at that path survives any failure, and the
// temporary file is deleted then.
bool PlaceOutput(FileJob& job);
// Deletes the temporary file of an output that will not be placed.
void DiscardOutput(FileJob& job);
// Both steps: writes image to job.OutputFile.
bool SaveOutputImage(FIBITMAP* image, FileJob& job);
