#include "batch/RunChecks.h"

#include <cstdio>
#include <string>
#include <vector>

#include "batch/InputCollection.h"
#include "codecs/FormatTables.h"
#include "codecs/OutputFormats.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Keywords.h"
#include "settings/Settings.h"
#include "stages/ImageWatermark.h"
#include "stages/TextWatermark.h"

namespace {

// The debug echo gathered while checking.
struct Echo {
  std::vector<std::string>& lines;
  void Debug(const std::string& line) const { lines.push_back(line); }
};

std::string Word(KeywordList list, int value) { return LowerCase(KeywordName(list, value)); }
std::string Num(long long value) { return std::to_string(value); }

std::string TwoDecimals(float value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(value));
  return buffer;
}

// Relative folders are taken from the program's folder, not the working
// directory: "pictures" and "./pictures" both give PROGRAM/pictures.
std::string ResolveFolder(std::string path) {
  if (!StartsWith(path, "/")) {
    if (StartsWith(path, "./")) path.erase(0, 2);
    path = RunState.ProgramFolder + path;
  }
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

void EchoInputFormat(const Echo& out) {
  const SettingsRecord& s = Settings;
  const std::string& format = RunState.InputFormat;
  if (format == "dds") out.Debug("DDS Load As: " + Word(KeywordList::DdsLoadAs, s.DDSLoadAs));
  if (format == "gif")
    out.Debug("GIF Frame Loading: " + Word(KeywordList::FrameLoading, s.GIFFrameLoading));
  if (format == "ico")
    out.Debug("ICO Frame Loading: " + Word(KeywordList::FrameLoading, s.ICOFrameLoading));
  if (format == "raw") {
    out.Debug("RAW Load As: " + Word(KeywordList::RawLoadAs, s.RAWLoadAs));
    out.Debug("RAW Header Size: " + Num(s.RAWHeaderSize));
    out.Debug("RAW Image Width: " + Num(s.RAWImageWidth));
    out.Debug("RAW Image Height: " + Num(s.RAWImageHeight));
    out.Debug("RAW Tone Mapping: " + Word(KeywordList::RawToneMapping, s.RAWToneMapping));
  }
  if (format == "tiff")
    out.Debug("TIFF Frame Loading: " + Word(KeywordList::FrameLoading, s.TIFFFrameLoading));
}

// Echoes the output format's settings and checks its depth (and the JPEG quality).
std::string CheckOutputFormat(const Echo& out, const OutputFormat& format) {
  const SettingsRecord& s = Settings;
  for (const std::string& line : FormatEchoLines(format, s)) out.Debug(line);
  if (!IsAllowedBpp(format.Extension, s.*format.Depth))
    return "Invalid " + format.Extension + "-bpp value";
  if (format.Extension == "jpg" && (s.JPGQuality < 1 || s.JPGQuality > 100))
    return "Invalid jpg-quality value";
  return "";
}

// Echoes the stage settings in order, with their checks between the lines.
std::string CheckStageSettings(const Echo& out) {
  const SettingsRecord& s = Settings;
  if (s.DoImageRotation) {
    out.Debug("Image Rotation Type: " + Word(KeywordList::RotationType, s.ImageRotationType));
    out.Debug("Image Rotation: " + Num(s.ImageRotation));
    out.Debug("Image Rotation Back Color: " + s.ImageRotationBackColor);
  }
  if (s.DoImageResize) {
    out.Debug("Width: " + Num(s.ImageWidth) + " " + Word(KeywordList::Unit, s.ImageWidthUnit));
    if (s.ImageWidth == 0) return "Invalid width value";
    out.Debug("Height: " + Num(s.ImageHeight) + " " + Word(KeywordList::Unit, s.ImageHeightUnit));
    if (s.ImageHeight == 0) return "Invalid height value";
    out.Debug("Keep Aspect Ratio: " + Num(s.KeepAspectRatio));
    out.Debug("Image Resize Type: " + Word(KeywordList::ResizeType, s.ImageResizeType));
    out.Debug("Image Resize Algorithm: " +
              Word(KeywordList::ResizeAlgorithm, s.ImageResizeAlgorithm));
  }
  out.Debug("Flip Horizontal: " + Num(s.DoImageFlipHorizontal));
  out.Debug("Flip Vertical: " + Num(s.DoImageFlipVertical));
  if (s.DoImageColorCorrection) {
    out.Debug("Brightness: " + Num(s.ImageBrightness));
    if (s.ImageBrightness < -100 || s.ImageBrightness > 100) return "Invalid brightness value";
    out.Debug("Contrast: " + Num(s.ImageContrast));
    if (s.ImageContrast < -100 || s.ImageContrast > 100) return "Invalid contrast value";
    out.Debug("Gamma: " + TwoDecimals(s.ImageGamma));
    // NaN fails both comparisons, so it is refused too.
    if (!(s.ImageGamma >= 0.01f && s.ImageGamma <= 9.99f)) return "Invalid gamma value";
    out.Debug("Invert: " + Num(s.ImageInvert));
  }
  out.Debug("Greyscale: " + Num(s.DoImageGreyscale));
  if (s.DoImageThreshold) out.Debug("Image Threshold: " + Num(s.ImageThreshold));
  out.Debug("Frame: " + Word(KeywordList::FrameType, s.DoFrame));
  if (s.DoFrame == 1) {
    out.Debug("Frame left: " + Num(s.SolidLeft));
    out.Debug("Frame right: " + Num(s.SolidRight));
    out.Debug("Frame top: " + Num(s.SolidTop));
    out.Debug("Frame bottom: " + Num(s.SolidBottom));
    out.Debug("Frame left color: " + s.SolidLeftColor);
    out.Debug("Frame right color: " + s.SolidRightColor);
    out.Debug("Frame top color: " + s.SolidTopColor);
    out.Debug("Frame bottom color: " + s.SolidBottomColor);
    out.Debug("Frame opacity: " + Num(s.SolidOpacity));
  }
  out.Debug("Watermark: " + Word(KeywordList::WatermarkType, s.DoWatermark));
  if (s.DoWatermark == 1) {
    out.Debug("Watermark text: " + s.Text);
    out.Debug("Watermark font: " + s.Font);
    out.Debug("Watermark font size: " + Num(s.FontSize));
    out.Debug("Watermark font leading: " + Num(s.FontLeading));
    out.Debug("Watermark font color: " + s.FontColor);
    out.Debug("Watermark font style: " + Word(KeywordList::FontStyle, s.FontStyle));
    out.Debug("Watermark font effect: " + Word(KeywordList::FontEffect, s.FontEffect));
    out.Debug("Watermark text antialiasing: " + Num(s.TextAntialiasing));
    out.Debug("Watermark text alignment: " + Word(KeywordList::TextAlignment, s.TextAlignment));
    out.Debug("Watermark text padding: " + Num(s.TextPadding));
    out.Debug("Watermark text opacity: " + Num(s.TextOpacity));
    out.Debug("Watermark background color: " + s.BackColor);
    out.Debug("Watermark background opacity: " + Num(s.BackOpacity));
    out.Debug("Watermark boundary: " + Word(KeywordList::Boundary, s.TextBoundary));
    out.Debug("Watermark position: " + Word(KeywordList::Position, s.TextPosition));
    out.Debug("Watermark offset (x/y): " + Num(s.TextXOffset) + "/" + Num(s.TextYOffset));
    out.Debug("Watermark rotation: " + Num(s.TextRotation));
    out.Debug("Watermark size/mode: " + Word(KeywordList::SizeMode, s.TextSize));
    if (!LoadWatermarkFont()) return "Invalid watermark font";
  } else if (s.DoWatermark == 2) {
    out.Debug("Watermark image: " + s.Image);
    out.Debug("Watermark greyscale: " + Num(s.ImageGreyscale));
    out.Debug("Watermark opacity: " + Num(s.ImageOpacity));
    out.Debug("Watermark boundary: " + Word(KeywordList::Boundary, s.ImageBoundary));
    out.Debug("Watermark position: " + Word(KeywordList::Position, s.ImagePosition));
    out.Debug("Watermark offset (x/y): " + Num(s.ImageXOffset) + "/" + Num(s.ImageYOffset));
    out.Debug("Watermark rotation: " + Num(s.WatermarkImageRotation));
    out.Debug("Watermark size/mode: " + Word(KeywordList::SizeMode, s.ImageSize));
    if (!CheckWatermarkImage()) return "Invalid watermark image";
  }
  out.Debug("Filename Mask: " + s.FilenameMask);
  out.Debug("File Timestamp: " + Word(KeywordList::Timestamp, s.FileTimestamp));
  if (s.FileTimestamp == 2) out.Debug("Custom Timestamp: " + Num(s.CustomTimestamp));
  out.Debug("Keep Subfolders: " + Num(s.KeepSubfolders));
  return "";
}

// Steps up to the output folder.
std::string ResolvePaths(const Echo& out) {
  const std::string argument = RunState.InputFolder;
  out.Debug("Input: " + argument);
  if (!PathExtension(argument).empty()) {
    RunState.InputFile = argument;
    RunState.InputFolder.clear();
    if (!IsRegularFile(argument) || FileSize(argument) <= 0) return "Invalid input file";
  } else {
    if (StartsWith(argument, "..")) return "Incorrect input folder";
    RunState.InputFolder = ResolveFolder(argument);
    if (!IsDirectory(RunState.InputFolder)) return "Invalid input folder";
  }
  // Only a folder can receive new files.
  if (RunState.Watch && RunState.InputFolder.empty()) return "Invalid watch folder";
  if (RunState.OutputFolder.empty())
    RunState.OutputFolder =
        FolderOf(RunState.InputFolder.empty() ? RunState.InputFile : RunState.InputFolder);
  out.Debug("Output: " + RunState.OutputFolder);
  if (StartsWith(RunState.OutputFolder, "..")) return "Incorrect output folder";
  RunState.OutputFolder = ResolveFolder(RunState.OutputFolder);
  if (!IsDirectory(RunState.OutputFolder)) return "Invalid output folder";
  return "";
}

}  // namespace

std::string CheckRun(std::vector<std::string>& echoLines) {
  const Echo out{echoLines};
  if (std::string error = ResolvePaths(out); !error.empty()) return error;
  if (RunState.InputFormat.empty() && !InputGroups.empty())
    RunState.InputFormat = InputGroups.front();
  if (RunState.ConversionType.empty() && !OutputExtensions.empty())
    RunState.ConversionType = OutputExtensions.front();
  out.Debug("Conversion: " + RunState.ConversionType);
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  if (!IsConversionType(RunState.ConversionType) || !format) return "Invalid conversion type";
  EchoInputFormat(out);
  if (std::string error = CheckOutputFormat(out, *format); !error.empty()) return error;
  if (std::string error = CheckStageSettings(out); !error.empty()) return error;

  RunState.FormatId = format->LibraryId;
  RunState.OutputBpp = Settings.*format->Depth;
  RunState.SaveFlags = format->SaveFlags(Settings);
  RunState.AutoBpp = RunState.OutputBpp == 0 ? 1 : 0;
  return "";
}
