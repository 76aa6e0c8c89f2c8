// What one file of a run needs and what its conversion works out, as a value
// handed from the run to the pipeline; nothing of it lives in RunState, so
// two files can be in flight at once.
#pragma once

#include <cstdint>
#include <string>

struct FileJob {
  std::string InputFile;          // full path, the input list's key
  std::string RelativeFolder;     // subfolder below the input folder: "" or ending with "/"
  std::int32_t Counter = 0;       // %n%: 1 + the files converted before this one
  std::int32_t RandomNumber = 0;  // %rnd%: renewed after every converted file
  std::int32_t SourceBpp = 0;     // depth of the picture as loaded
  std::int32_t InputWidth = 0;    // size of the picture as loaded (0 when it did not load)
  std::int32_t InputHeight = 0;
  std::int32_t OutputBpp = 0;    // the depth written (resolved when automatic)
  std::int32_t OutputWidth = 0;  // size after rotation, resizing and the icon limit
  std::int32_t OutputHeight = 0;
  std::string OutputFile;  // set once the name is built (before the save)
  std::string TempPath;    // the writer's temporary file beside OutputFile
  int TempSlot = -1;       // its entry in the interruption cleanup registry
  // The counter and random number the picture was rendered with: the run
  // predicts them before the files ahead are done, and corrects them later.
  std::int32_t RenderedCounter = 0;
  std::int32_t RenderedRandomNumber = 0;
  unsigned ToneMapThreads = 0;  // threads the tone mapper may use (0: one per core)
};
