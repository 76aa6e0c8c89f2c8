// The values the run driver sets once per run for one output format, and the
// job of one file, as the writer tests need them.
#pragma once

#include <string>

#include "codecs/OutputFormats.h"
#include "settings/FileJob.h"
#include "settings/Settings.h"

// Sets RunState for writing ext at depth bpp (0: automatic) and returns the
// job that writes a 96-bit source picture to outputFile.
inline FileJob PrepareWriterRun(const std::string& ext, int bpp, const std::string& outputFile) {
  RunState.ConversionType = ext;
  RunState.FormatId = FindOutputFormat(ext)->LibraryId;
  RunState.SaveFlags = SaveFlagsFor(ext);
  RunState.OutputBpp = bpp;
  RunState.AutoBpp = bpp == 0 ? 1 : 0;
  FileJob job;
  job.OutputBpp = bpp;
  job.SourceBpp = 96;
  job.OutputFile = outputFile;
  return job;
}
