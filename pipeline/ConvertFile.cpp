#include "pipeline/ConvertFile.h"

#include <algorithm>
#include <new>
#include <string>

#include "batch/InputList.h"
#include "codecs/Loading.h"
#include "codecs/OutputEncoding.h"
#include "naming/OutputNaming.h"
#include "pipeline/FileFailure.h"
#include "pipeline/Progress.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"
#include "stages/Stages.h"
#include "stages/ToneMapping.h"

namespace {

constexpr int IconLimit = 128;

// Releases old when a library call handed back a different bitmap (the
// stages release what they replace themselves).
FIBITMAP* Replace(FIBITMAP* old, FIBITMAP* next) {
  if (old && old != next) FreeImage_Unload(old);
  return next;
}

void Size(FIBITMAP* image, int& w, int& h) {
  w = image ? static_cast<int>(FreeImage_GetWidth(image)) : 0;
  h = image ? static_cast<int>(FreeImage_GetHeight(image)) : 0;
}

// Icons are square and at most 128 pixels a side; the picture is stretched,
// not letterboxed.
FIBITMAP* FitIcon(FIBITMAP* image, int& w, int& h) {
  if (!image || RunState.ConversionType != "ico") return image;
  int side;
  if (w > IconLimit || h > IconLimit)
    side = IconLimit;
  else if (w != h)
    side = std::max(w, h);
  else
    return image;
  w = h = side;
  return Replace(image, FreeImage_Rescale(image, side, side, FILTER_BICUBIC));
}

FIBITMAP* ToStandardType(FIBITMAP* image) {
  if (!image) return nullptr;
  FREE_IMAGE_COLOR_TYPE type = FreeImage_GetColorType(image);
  if (type == FIC_MINISWHITE || type == FIC_MINISBLACK)
    image = Replace(image, FreeImage_ConvertToStandardType(image, TRUE));
  if (image && FreeImage_GetBPP(image) > 32) image = Replace(image, ToneMapToStandard(image));
  return image;
}

void ApplyTimestamp() {
  if (Settings.FileTimestamp == 1) {
    std::time_t original = FileModifiedTime(RunState.InputFile);
    if (original >= 0) SetFileModifiedTime(RunState.OutputFile, original);
  } else if (Settings.FileTimestamp == 2) {
    SetFileModifiedTime(RunState.OutputFile, TimeFromLocalDate(Settings.CustomTimestamp));
  }
}

}  // namespace

bool ConvertFile() {
  if (!InputFitsInMemory(RunState.InputFile)) return false;
  std::string loadFailure;
  FIBITMAP* image = LoadInputImage(RunState.InputFile, &loadFailure);
  if (!image) NoteFailure(FailureKind::Unreadable, loadFailure);
  int w, h;
  Size(image, w, h);
  RunState.SourceBpp = image ? static_cast<int>(FreeImage_GetBPP(image)) : 0;
  if (w == 0 || h == 0) {
    if (image) FreeImage_Unload(image);
    return false;
  }

  image = RotateImage(image);
  Size(image, w, h);
  image = ResizeImage(image, w, h);
  Size(image, w, h);
  image = FitIcon(image, w, h);
  image = ToStandardType(image);
  if (image) FlipImage(image);
  image = AdjustImageColors(image);
  image = GreyscaleImage(image);
  image = ThresholdImage(image);
  image = ApplyFrame(image, w, h);

  // The text watermark shows the current picture's size and depth.
  RunState.OutputWidth = w;
  RunState.OutputHeight = h;
  if (RunState.AutoBpp) RunState.OutputBpp = AutoDepth(RunState.ConversionType, RunState.SourceBpp);
  image = ApplyWatermark(image, w, h);
  image = ConvertDepth(image);

  RunState.OutputFile = BuildOutputPath();
  // The writer reserves its temporary file beside the output and records it in TempPath.
  const bool ok = image && SaveOutputImage(image);
  if (image) FreeImage_Unload(image);
  return ok;
}

int ConversionWorker() {
  const bool debug = RunState.CommandLineRun == 1 && RunState.RunMode == "DEBUG";
  InputList.Reset();
  std::int32_t started = 0, converted = 0;
  std::string key;
  InputElement element;
  while (Progress.KeepRunning && InputList.Next(key, element)) {
    ++started;
    RunState.InputFile = key;
    RunState.RelativeFolder = element.RelativeFolder;
    {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      Progress.Position = started;
      Progress.CurrentFile = RunState.InputFile;
    }
    // Creation failures are left to the save, which then fails.
    if (Settings.KeepSubfolders) MakeDirectories(RunState.OutputFolder + RunState.RelativeFolder);
    if (debug) PrintLine("Processing: " + RunState.InputFile);
    bool ok = false;
    try {
      ok = ConvertFile();
    } catch (const std::bad_alloc&) {
      // The libraries allocate with new in places; running out there ends
      // this file, not the run.
      NoteFailure(FailureKind::TooLarge, "out of memory");
    }
    if (debug) {
      PrintLine("Saving As: " + RunState.OutputFile);
      PrintLine(ok ? "OK" : "Not OK");
    }
    if (ok) {
      ++converted;
      RunState.RandomNumber = NewRandomNumber();
      ++RunState.Counter;
      ApplyTimestamp();
    }
  }
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.ResultCount = converted;
  return 0;
}
