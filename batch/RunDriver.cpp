#include "batch/RunDriver.h"

#include <cstdio>
#include <string>
#include <thread>

#include "batch/InputCollection.h"
#include "codecs/FormatTables.h"
#include "codecs/OutputEncoding.h"
#include "lang/LanguageTable.h"
#include "pipeline/ConvertFile.h"
#include "pipeline/Progress.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Keywords.h"
#include "settings/Settings.h"
#include "stages/ImageWatermark.h"
#include "stages/TextWatermark.h"

namespace {

// Keyword list numbers of the settings echoed below.
enum KeywordList {
  DdsLoadAsList = 0,
  RawLoadAsList = 1,
  FrameLoadingList = 2,
  RawToneMappingList = 3,
  CompressionList = 4,
  BmpColorTableList = 5,
  TiffColorModelList = 6,
  JpgChromaList = 7,
  JpgSaveAsList = 8,
  RotationTypeList = 9,
  UnitList = 10,
  ResizeTypeList = 11,
  ResizeAlgorithmList = 12,
  FrameTypeList = 13,
  WatermarkTypeList = 14,
  FontStyleList = 15,
  FontEffectList = 16,
  AlignmentList = 17,
  BoundaryList = 18,
  PositionList = 19,
  SizeModeList = 20,
  TimestampList = 21,
};

struct RunOutput {
  bool debug = false;
  bool quiet = false;

  void Debug(const std::string& line) const {
    if (debug) PrintLine(line);
  }
  void Normal(const std::string& line) const {
    if (!quiet) PrintLine(line);
  }
};

std::string Word(int list, int value) { return LowerCase(KeywordName(list, value)); }
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

// The depth setting of each output format, by extension.
std::int32_t* DepthSetting(const std::string& ext) {
  struct Entry {
    const char* ext;
    std::int32_t* field;
  };
  SettingsRecord& s = Settings;
  const Entry entries[] = {
      {"bmp", &s.BMPBPP},   {"dds", &s.DDSBPP},   {"exr", &s.EXRBPP}, {"gif", &s.GIFBPP},
      {"hdr", &s.HDRBPP},   {"ico", &s.ICOBPP},   {"j2k", &s.J2KBPP}, {"jng", &s.JNGBPP},
      {"jp2", &s.JP2BPP},   {"jpg", &s.JPGBPP},   {"jxr", &s.JXRBPP}, {"pbm", &s.PBMBPP},
      {"pcx", &s.PCXBPP},   {"pfm", &s.PFMBPP},   {"pgm", &s.PGMBPP}, {"png", &s.PNGBPP},
      {"ppm", &s.PPMBPP},   {"psd", &s.PSDBPP},   {"tga", &s.TGABPP}, {"tiff", &s.TIFFBPP},
      {"wbmp", &s.WBMPBPP}, {"webp", &s.WEBPBPP}, {"xpm", &s.XPMBPP},
  };
  for (const Entry& e : entries)
    if (ext == e.ext) return e.field;
  return nullptr;
}

void EchoInputFormat(const RunOutput& out) {
  const SettingsRecord& s = Settings;
  const std::string& format = RunState.InputFormat;
  if (format == "dds") out.Debug("DDS Load As: " + Word(DdsLoadAsList, s.DDSLoadAs));
  if (format == "gif") out.Debug("GIF Frame Loading: " + Word(FrameLoadingList, s.GIFFrameLoading));
  if (format == "ico") out.Debug("ICO Frame Loading: " + Word(FrameLoadingList, s.ICOFrameLoading));
  if (format == "raw") {
    out.Debug("RAW Load As: " + Word(RawLoadAsList, s.RAWLoadAs));
    out.Debug("RAW Header Size: " + Num(s.RAWHeaderSize));
    out.Debug("RAW Image Width: " + Num(s.RAWImageWidth));
    out.Debug("RAW Image Height: " + Num(s.RAWImageHeight));
    out.Debug("RAW Tone Mapping: " + Word(RawToneMappingList, s.RAWToneMapping));
  }
  if (format == "tiff")
    out.Debug("TIFF Frame Loading: " + Word(FrameLoadingList, s.TIFFFrameLoading));
}

// Echoes the output format's settings and checks its depth (and the JPEG quality).
bool CheckOutputFormat(const RunOutput& out) {
  const SettingsRecord& s = Settings;
  const std::string& ext = RunState.ConversionType;
  const std::int32_t depth = *DepthSetting(ext);
  out.Debug(UpperCase(ext) + " BPP: " + Num(depth));
  if (ext == "bmp") {
    out.Debug("BMP Compression: " + Word(CompressionList, s.BMPCompression));
    out.Debug("BMP Color Table: " + Word(BmpColorTableList, s.BMPColorTable));
  } else if (ext == "exr") {
    out.Debug("EXR Compression: " + Word(CompressionList, s.EXRCompression));
  } else if (ext == "jpg") {
    out.Debug("JPG Quality: " + Num(s.JPGQuality));
    out.Debug("JPG Chroma Subsampling: " + Word(JpgChromaList, s.JPGChroma));
    out.Debug("JPG Save As: " + Word(JpgSaveAsList, s.JPGSaveAs));
  } else if (ext == "png") {
    out.Debug("PNG Compression: " + Word(CompressionList, s.PNGCompression));
    out.Debug("PNG Interlaced: " + Num(s.PNGInterlaced));
  } else if (ext == "tga") {
    out.Debug("TGA Compression: " + Word(CompressionList, s.TGACompression));
  } else if (ext == "tiff") {
    out.Debug("TIFF Compression: " + Word(CompressionList, s.TIFFCompression));
    out.Debug("TIFF Color Model: " + Word(TiffColorModelList, s.TIFFColorModel));
  }
  if (!IsAllowedBpp(ext, depth)) {
    PrintLine("Error: Invalid " + ext + "-bpp value");
    return false;
  }
  if (ext == "jpg" && (s.JPGQuality < 1 || s.JPGQuality > 100)) {
    PrintLine("Error: Invalid jpg-quality value");
    return false;
  }
  return true;
}

// Echoes the stage settings in order, with their checks between the lines.
bool CheckStageSettings(const RunOutput& out) {
  const SettingsRecord& s = Settings;
  if (s.DoImageRotation) {
    out.Debug("Image Rotation Type: " + Word(RotationTypeList, s.ImageRotationType));
    out.Debug("Image Rotation: " + Num(s.ImageRotation));
    out.Debug("Image Rotation Back Color: " + s.ImageRotationBackColor);
  }
  if (s.DoImageResize) {
    out.Debug("Width: " + Num(s.ImageWidth) + " " + Word(UnitList, s.ImageWidthUnit));
    if (s.ImageWidth == 0) return PrintLine("Error: Invalid width value"), false;
    out.Debug("Height: " + Num(s.ImageHeight) + " " + Word(UnitList, s.ImageHeightUnit));
    if (s.ImageHeight == 0) return PrintLine("Error: Invalid height value"), false;
    out.Debug("Keep Aspect Ratio: " + Num(s.KeepAspectRatio));
    out.Debug("Image Resize Type: " + Word(ResizeTypeList, s.ImageResizeType));
    out.Debug("Image Resize Algorithm: " + Word(ResizeAlgorithmList, s.ImageResizeAlgorithm));
  }
  out.Debug("Flip Horizontal: " + Num(s.DoImageFlipHorizontal));
  out.Debug("Flip Vertical: " + Num(s.DoImageFlipVertical));
  if (s.DoImageColorCorrection) {
    out.Debug("Brightness: " + Num(s.ImageBrightness));
    if (s.ImageBrightness < -100 || s.ImageBrightness > 100)
      return PrintLine("Error: Invalid brightness value"), false;
    out.Debug("Contrast: " + Num(s.ImageContrast));
    if (s.ImageContrast < -100 || s.ImageContrast > 100)
      return PrintLine("Error: Invalid contrast value"), false;
    out.Debug("Gamma: " + TwoDecimals(s.ImageGamma));
    // NaN fails both comparisons, so it is refused too.
    if (!(s.ImageGamma >= 0.01f && s.ImageGamma <= 9.99f))
      return PrintLine("Error: Invalid gamma value"), false;
    out.Debug("Invert: " + Num(s.ImageInvert));
  }
  out.Debug("Greyscale: " + Num(s.DoImageGreyscale));
  if (s.DoImageThreshold) out.Debug("Image Threshold: " + Num(s.ImageThreshold));
  out.Debug("Frame: " + Word(FrameTypeList, s.DoFrame));
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
  out.Debug("Watermark: " + Word(WatermarkTypeList, s.DoWatermark));
  if (s.DoWatermark == 1) {
    out.Debug("Watermark text: " + s.Text);
    out.Debug("Watermark font: " + s.Font);
    out.Debug("Watermark font size: " + Num(s.FontSize));
    out.Debug("Watermark font leading: " + Num(s.FontLeading));
    out.Debug("Watermark font color: " + s.FontColor);
    out.Debug("Watermark font style: " + Word(FontStyleList, s.FontStyle));
    out.Debug("Watermark font effect: " + Word(FontEffectList, s.FontEffect));
    out.Debug("Watermark text antialiasing: " + Num(s.TextAntialiasing));
    out.Debug("Watermark text alignment: " + Word(AlignmentList, s.TextAlignment));
    out.Debug("Watermark text padding: " + Num(s.TextPadding));
    out.Debug("Watermark text opacity: " + Num(s.TextOpacity));
    out.Debug("Watermark background color: " + s.BackColor);
    out.Debug("Watermark background opacity: " + Num(s.BackOpacity));
    out.Debug("Watermark boundary: " + Word(BoundaryList, s.TextBoundary));
    out.Debug("Watermark position: " + Word(PositionList, s.TextPosition));
    out.Debug("Watermark offset (x/y): " + Num(s.TextXOffset) + "/" + Num(s.TextYOffset));
    out.Debug("Watermark rotation: " + Num(s.TextRotation));
    out.Debug("Watermark size/mode: " + Word(SizeModeList, s.TextSize));
    if (!LoadWatermarkFont()) return PrintLine("Error: Invalid watermark font"), false;
  } else if (s.DoWatermark == 2) {
    out.Debug("Watermark image: " + s.Image);
    out.Debug("Watermark greyscale: " + Num(s.ImageGreyscale));
    out.Debug("Watermark opacity: " + Num(s.ImageOpacity));
    out.Debug("Watermark boundary: " + Word(BoundaryList, s.ImageBoundary));
    out.Debug("Watermark position: " + Word(PositionList, s.ImagePosition));
    out.Debug("Watermark offset (x/y): " + Num(s.ImageXOffset) + "/" + Num(s.ImageYOffset));
    out.Debug("Watermark rotation: " + Num(s.WatermarkImageRotation));
    out.Debug("Watermark size/mode: " + Word(SizeModeList, s.ImageSize));
    if (!CheckWatermarkImage()) return PrintLine("Error: Invalid watermark image"), false;
  }
  out.Debug("Filename Mask: " + s.FilenameMask);
  out.Debug("File Timestamp: " + Word(TimestampList, s.FileTimestamp));
  if (s.FileTimestamp == 2) out.Debug("Custom Timestamp: " + Num(s.CustomTimestamp));
  out.Debug("Keep Subfolders: " + Num(s.KeepSubfolders));
  return true;
}

// Runs one background thread to its end and returns its result count.
template <typename Procedure>
std::int32_t RunThread(Procedure procedure) {
  ResetProgress();
  std::thread worker(procedure);
  worker.join();
  std::lock_guard<std::mutex> lock(ProgressMutex);
  return Progress.ResultCount;
}

// Steps up to the output folder; false after printing the error line.
bool ResolvePaths(const RunOutput& out) {
  const std::string argument = RunState.InputFolder;
  out.Debug("Input: " + argument);
  if (!PathExtension(argument).empty()) {
    RunState.InputFile = argument;
    RunState.InputFolder.clear();
    if (!IsRegularFile(argument) || FileSize(argument) <= 0)
      return PrintLine("Error: Invalid input file"), false;
  } else {
    if (StartsWith(argument, "..")) return PrintLine("Error: Incorrect input folder"), false;
    RunState.InputFolder = ResolveFolder(argument);
    if (!IsDirectory(RunState.InputFolder)) return PrintLine("Error: Invalid input folder"), false;
  }
  if (RunState.OutputFolder.empty())
    RunState.OutputFolder =
        FolderOf(RunState.InputFolder.empty() ? RunState.InputFile : RunState.InputFolder);
  out.Debug("Output: " + RunState.OutputFolder);
  if (StartsWith(RunState.OutputFolder, ".."))
    return PrintLine("Error: Incorrect output folder"), false;
  RunState.OutputFolder = ResolveFolder(RunState.OutputFolder);
  if (!IsDirectory(RunState.OutputFolder)) return PrintLine("Error: Invalid output folder"), false;
  return true;
}

}  // namespace

int RunConversion(bool quiet) {
  RunOutput out;
  out.quiet = quiet;
  out.debug = RunState.RunMode == "DEBUG";

  out.Normal(LanguageText("General", "Preparing"));
  if (!ResolvePaths(out)) return -1;
  if (RunState.InputFormat.empty() && !InputGroups.empty())
    RunState.InputFormat = InputGroups.front();
  if (RunState.ConversionType.empty() && !OutputExtensions.empty())
    RunState.ConversionType = OutputExtensions.front();
  out.Debug("Conversion: " + RunState.ConversionType);
  if (!IsConversionType(RunState.ConversionType))
    return PrintLine("Error: Invalid conversion type"), -1;
  EchoInputFormat(out);
  if (!CheckOutputFormat(out) || !CheckStageSettings(out)) return -1;

  const std::string& ext = RunState.ConversionType;
  RunState.FormatId = FormatTable.at(ext).FormatId;
  RunState.OutputBpp = *DepthSetting(ext);
  RunState.SaveFlags = SaveFlagsFor(ext);
  RunState.AutoBpp = RunState.OutputBpp == 0 ? 1 : 0;

  out.Normal(LanguageText("General", "Importing"));
  std::int32_t total;
  if (!RunState.InputFolder.empty()) {
    total = RunThread(ScanInputFolder);
  } else if (const std::string e = LowerCase(PathExtension(RunState.InputFile));
             e == "txt" || e == "lst") {
    total = RunThread(ReadInputList);
  } else {
    total = AddInputFile(RunState.InputFile);
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = total;
  }
  out.Normal(FillPlaceholders(LanguageText("Msg", "Import complete"), Num(total)));
  if (total == 0) {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
    PrintLine(LanguageText("Msg", "Empty input files"));
    ReleaseWatermarkFont();
    return 0;
  }

  out.Normal(LanguageText("General", "Converting"));
  const std::int32_t converted = RunThread(ConversionWorker);
  if (converted > 0) {
    out.Normal(LanguageText("Msg", "Conversion complete"));
    out.Normal(
        FillPlaceholders(LanguageText("Msg", "Files converted"), Num(converted), Num(total)));
  } else {
    PrintLine(LanguageText("Msg", "Conversion is not complete"));
  }
  ReleaseWatermarkFont();
  return converted;
}
