#include "pipeline/ConvertFile.h"

#include <algorithm>
#include <new>
#include <string>

#include "codecs/Loading.h"
#include "codecs/OutputEncoding.h"
#include "naming/OutputNaming.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/FileFailure.h"
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

// An output that would land on one of the run's inputs (for example hdr
// output into the input folder) must not replace the picture it comes from.
bool IsAnInput(const std::string& path, const InputIdentities& inputs) {
  FileIdentity identity;
  return IdentifyFile(path, identity) && inputs.count(identity) != 0;
}

}  // namespace

bool ConvertFile(FileJob& job, const InputIdentities& inputs) {
  if (!InputFitsInMemory(job.InputFile)) return false;
  std::string loadFailure;
  FIBITMAP* image = LoadInputImage(job.InputFile, &loadFailure);
  if (!image) NoteFailure(FailureKind::Unreadable, loadFailure);
  int w, h;
  Size(image, w, h);
  job.SourceBpp = image ? static_cast<int>(FreeImage_GetBPP(image)) : 0;
  if (w == 0 || h == 0) {
    if (image) FreeImage_Unload(image);
    NoteFailure(FailureKind::Unreadable);
    return false;
  }

  image = RotateImage(image);
  Size(image, w, h);
  image = ResizeImage(image, w, h);
  Size(image, w, h);
  image = FitIcon(image, w, h);
  image = ToStandardType(image);
  if (!image) NoteFailure(FailureKind::ToneMapping);
  if (image) FlipImage(image);
  image = AdjustImageColors(image);
  image = GreyscaleImage(image);
  image = ThresholdImage(image);
  image = ApplyFrame(image, w, h);

  // The text watermark shows the current picture's size and depth.
  job.OutputWidth = w;
  job.OutputHeight = h;
  job.OutputBpp =
      RunState.AutoBpp ? AutoDepth(RunState.ConversionType, job.SourceBpp) : RunState.OutputBpp;
  image = ApplyWatermark(image, w, h, job);
  image = ConvertDepth(image, job);
  if (!image) NoteFailure(FailureKind::EncoderRefused, "no picture at the output depth");

  job.OutputFile = BuildOutputPath(job);
  bool ok = false;
  if (image && IsAnInput(job.OutputFile, inputs)) {
    NoteFailure(FailureKind::SameAsInput);
  } else if (image) {
    // The writer reserves its temporary file beside the output and records it in the job.
    ok = SaveOutputImage(image, job);
    if (!ok) NoteFailure(FailureKind::WriteFailed);
  }
  if (image) FreeImage_Unload(image);
  return ok;
}

void ApplyFileTimestamp(const FileJob& job) {
  if (Settings.FileTimestamp == 1) {
    std::time_t original = FileModifiedTime(job.InputFile);
    if (original >= 0) SetFileModifiedTime(job.OutputFile, original);
  } else if (Settings.FileTimestamp == 2) {
    SetFileModifiedTime(job.OutputFile, TimeFromLocalDate(Settings.CustomTimestamp));
  }
}
