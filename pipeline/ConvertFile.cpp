#include "pipeline/ConvertFile.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "codecs/Loading.h"
#include "codecs/OutputEncoding.h"
#include "naming/OutputNaming.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"
#include "stages/MemoryEstimate.h"
#include "stages/Stages.h"
#include "stages/TextWatermark.h"
#include "stages/ToneMapping.h"

namespace {

constexpr int IconLimit = 128;

void Size(const Bitmap& image, int& w, int& h) {
  w = image ? static_cast<int>(FreeImage_GetWidth(image.get())) : 0;
  h = image ? static_cast<int>(FreeImage_GetHeight(image.get())) : 0;
}

// Icons are square and at most 128 pixels a side; the picture is stretched,
// not letterboxed.
Bitmap FitIcon(Bitmap image, int& w, int& h) {
  if (!image || RunState.ConversionType != "ico") return image;
  int side;
  if (w > IconLimit || h > IconLimit)
    side = IconLimit;
  else if (w != h)
    side = std::max(w, h);
  else
    return image;
  w = h = side;
  image.reset(FreeImage_Rescale(image.get(), side, side, FILTER_BICUBIC));
  return image;
}

Bitmap ToStandardType(Bitmap image, unsigned toneMapThreads) {
  if (!image) return image;
  FREE_IMAGE_COLOR_TYPE type = FreeImage_GetColorType(image.get());
  if (type == FIC_MINISWHITE || type == FIC_MINISBLACK)
    image.reset(FreeImage_ConvertToStandardType(image.get(), TRUE));
  if (image && FreeImage_GetBPP(image.get()) > 32)
    image.reset(ToneMapToStandard(image.get(), toneMapThreads));
  return image;
}

// An output that would land on one of the run's inputs (for example hdr
// output into the input folder) must not replace the picture it comes from.
bool IsAnInput(const std::string& path, const InputIdentities& inputs) {
  FileIdentity identity;
  return IdentifyFile(path, identity) && inputs.count(identity) != 0;
}

// True when job's watermark text reads differently with the numbers the
// picture was rendered with.
bool WatermarkTextDiffers(const FileJob& job) {
  if (Settings.DoWatermark != 1) return false;
  FileJob rendered = job;
  rendered.Counter = job.RenderedCounter;
  rendered.RandomNumber = job.RenderedRandomNumber;
  return ExpandWatermarkText(rendered) != ExpandWatermarkText(job);
}

}  // namespace

bool RenderFile(FileJob& job) {
  job.RenderedCounter = job.Counter;
  job.RenderedRandomNumber = job.RandomNumber;
  job.OutputFile.clear();
  job.TempPath.clear();
  if (!InputFitsInMemory(job.InputFile)) return false;
  std::string loadFailure;
  Bitmap image = LoadInputImage(job.InputFile, &loadFailure);
  if (!image) NoteFailure(FailureKind::Unreadable, loadFailure);
  int w, h;
  Size(image, w, h);
  job.SourceBpp = image ? static_cast<int>(FreeImage_GetBPP(image.get())) : 0;
  job.InputWidth = w;
  job.InputHeight = h;
  if (w == 0 || h == 0) {
    NoteFailure(FailureKind::Unreadable);
    return false;
  }

  image = RotateImage(std::move(image));
  Size(image, w, h);
  image = ResizeImage(std::move(image), w, h);
  Size(image, w, h);
  image = FitIcon(std::move(image), w, h);
  image = ToStandardType(std::move(image), job.ToneMapThreads);
  if (!image) NoteFailure(FailureKind::ToneMapping);
  image = FlipImage(std::move(image));
  image = AdjustImageColors(std::move(image));
  image = GreyscaleImage(std::move(image));
  image = ThresholdImage(std::move(image));
  image = ApplyFrame(std::move(image), w, h);

  // The text watermark shows the current picture's size and depth.
  job.OutputWidth = w;
  job.OutputHeight = h;
  job.OutputBpp =
      RunState.AutoBpp ? AutoDepth(RunState.ConversionType, job.SourceBpp) : RunState.OutputBpp;
  image = ApplyWatermark(std::move(image), w, h, job);
  image = ConvertDepth(std::move(image), job);
  if (!image) NoteFailure(FailureKind::EncoderRefused, "no picture at the output depth");

  job.OutputFile = BuildOutputPath(job);
  // The writer reserves its temporary file beside the output; the commit
  // moves it to its final name.
  const bool ok = image && WriteOutputTemp(image.get(), job);
  if (image && !ok) NoteFailure(FailureKind::WriteFailed);
  return ok;
}

bool CommitFile(FileJob& job, const InputIdentities& inputs, bool rendered) {
  const bool renumbered =
      job.Counter != job.RenderedCounter || job.RandomNumber != job.RenderedRandomNumber;
  if (!rendered) {
    // The name the file would have had in turn (the debug echo shows it).
    if (renumbered && !job.OutputFile.empty()) job.OutputFile = BuildOutputPath(job);
    return false;
  }
  if (renumbered && WatermarkTextDiffers(job)) {
    // Rendered ahead with a counter that an earlier failure changed: the
    // picture shows the wrong number, so it is made again.
    DiscardOutput(job);
    return CommitFile(job, inputs, RenderFile(job));
  }
  job.OutputFile = BuildOutputPath(job);
  if (IsAnInput(job.OutputFile, inputs)) {
    DiscardOutput(job);
    NoteFailure(FailureKind::SameAsInput);
    return false;
  }
  if (!PlaceOutput(job)) {
    NoteFailure(FailureKind::WriteFailed);
    return false;
  }
  return true;
}

bool PlanFile(FileJob& job) {
  job.RenderedCounter = job.Counter;
  job.RenderedRandomNumber = job.RandomNumber;
  job.OutputFile.clear();
  job.TempPath.clear();
  // Radiance pictures load as floating-point RGB.
  job.SourceBpp = 96;
  const std::string mask = LowerCase(Settings.FilenameMask);
  const bool needsPicture = mask.find("%width%") != std::string::npos ||
                            mask.find("%height%") != std::string::npos ||
                            mask.find("%bpp%") != std::string::npos;
  if (needsPicture) {
    std::string loadFailure;
    Bitmap image = LoadInputImage(job.InputFile, &loadFailure);
    int w, h;
    Size(image, w, h);
    if (image && w > 0 && h > 0) {
      job.SourceBpp = static_cast<int>(FreeImage_GetBPP(image.get()));
      job.InputWidth = w;
      job.InputHeight = h;
      // The same geometry as the real run, so %width% and %height% agree.
      image = RotateImage(std::move(image));
      Size(image, w, h);
      image = ResizeImage(std::move(image), w, h);
      Size(image, w, h);
      image = FitIcon(std::move(image), w, h);
      job.OutputWidth = w;
      job.OutputHeight = h;
    } else {
      NoteWarning("a real run will not convert it: unreadable or not Radiance" +
                  (loadFailure.empty() ? std::string() : ": " + loadFailure));
    }
  }
  job.OutputBpp =
      RunState.AutoBpp ? AutoDepth(RunState.ConversionType, job.SourceBpp) : RunState.OutputBpp;
  return true;
}

bool CommitPlannedFile(FileJob& job, const InputIdentities& inputs) {
  job.OutputFile = BuildOutputPath(job);
  if (IsAnInput(job.OutputFile, inputs)) {
    NoteFailure(FailureKind::SameAsInput);
    return false;
  }
  return true;
}

bool ConvertFile(FileJob& job, const InputIdentities& inputs) {
  return CommitFile(job, inputs, RenderFile(job));
}

void ApplyFileTimestamp(const FileJob& job) {
  if (Settings.FileTimestamp == 1) {
    std::time_t original = FileModifiedTime(job.InputFile);
    if (original >= 0) SetFileModifiedTime(job.OutputFile, original);
  } else if (Settings.FileTimestamp == 2) {
    SetFileModifiedTime(job.OutputFile, TimeFromLocalDate(Settings.CustomTimestamp));
  }
}
