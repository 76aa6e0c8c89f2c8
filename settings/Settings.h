// The two process-wide records every stage reads: the conversion options
// (Settings) and what one run needs beyond them (RunState).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using byte = std::uint8_t;

struct SettingsRecord {
  std::string ConfigPath;
  int InstanceHandle = -1;  // descriptor of the instance lock file, -1 = none
  std::int32_t WindowLayout[5] = {0, 0, 0, 0, 0};
  std::int32_t CFG = 0;
  std::string Language;
  std::int32_t UpdateRange = 0;
  std::int32_t UpdateDate = 0;
  byte SaveWindowPosition = 0;
  byte IsMaximized = 0;
  std::int32_t X = 0, Y = 0;
  std::int32_t Width = 0, Height = 0;
  std::string UITheme;
  std::int32_t UISize = 0;
  std::string DefaultInputFormat;
  std::int32_t DDSLoadAs = 0;
  std::int32_t GIFFrameLoading = 0;
  std::int32_t ICOFrameLoading = 0;
  std::int32_t TIFFFrameLoading = 0;
  std::int32_t RAWLoadAs = 0;
  std::int32_t RAWHeaderSize = 0;
  std::int32_t RAWImageWidth = 0, RAWImageHeight = 0;
  std::int32_t RAWToneMapping = 0;
  std::string DefaultOutputFormat;
  std::int32_t BMPBPP = 0;
  std::int32_t BMPCompression = 0;
  std::int32_t BMPColorTable = 0;
  std::int32_t DDSBPP = 0, EXRBPP = 0;
  std::int32_t EXRCompression = 0;
  std::int32_t GIFBPP = 0, HDRBPP = 0, ICOBPP = 0, J2KBPP = 0, JNGBPP = 0, JP2BPP = 0, JPGBPP = 0;
  std::int32_t JPGQuality = 0;
  std::int32_t JPGChroma = 0;
  std::int32_t JPGSaveAs = 0;
  std::int32_t JXRBPP = 0, PBMBPP = 0, PCXBPP = 0, PFMBPP = 0, PGMBPP = 0, PNGBPP = 0;
  std::int32_t PNGCompression = 0;
  byte PNGInterlaced = 0;
  std::int32_t PPMBPP = 0, PSDBPP = 0, TGABPP = 0;
  std::int32_t TGACompression = 0;
  std::int32_t TIFFBPP = 0;
  std::int32_t TIFFCompression = 0;
  std::int32_t TIFFColorModel = 0;
  std::int32_t WBMPBPP = 0, WEBPBPP = 0, XPMBPP = 0;
  byte DoImageRotation = 0;
  byte ImageRotationType = 0;
  std::int32_t ImageRotation = 0;
  std::string ImageRotationBackColor;
  byte DoImageResize = 0;
  std::int32_t ImageWidth = 0;
  byte ImageWidthUnit = 0;
  std::int32_t ImageHeight = 0;
  byte ImageHeightUnit = 0;
  byte KeepAspectRatio = 0;
  byte ImageResizeType = 0;
  byte ImageResizeAlgorithm = 0;
  byte DoImageFlipHorizontal = 0, DoImageFlipVertical = 0;
  byte DoImageColorCorrection = 0;
  std::int32_t ImageBrightness = 0, ImageContrast = 0;
  float ImageGamma = 0.0f;
  byte ImageInvert = 0;
  byte DoImageGreyscale = 0;
  byte DoImageThreshold = 0;
  std::int32_t ImageThreshold = 0;
  byte DoFrame = 0;
  std::int32_t SolidLeft = 0, SolidRight = 0, SolidTop = 0, SolidBottom = 0;
  std::string SolidLeftColor, SolidRightColor, SolidTopColor, SolidBottomColor;
  std::int32_t SolidOpacity = 0;
  byte DoWatermark = 0;
  std::string Text;
  std::string Fonts;
  std::string Font;
  std::int32_t FontSize = 0;
  std::int32_t FontLeading = 0;
  std::string FontColors;
  std::string FontColor;
  byte FontStyle = 0;
  byte FontEffect = 0;
  byte TextAntialiasing = 0;
  byte TextAlignment = 0;
  std::int32_t TextPadding = 0;
  std::int32_t TextOpacity = 0;
  std::string BackColors;
  std::string BackColor;
  std::int32_t BackOpacity = 0;
  byte TextBoundary = 0;
  byte TextPosition = 0;
  std::int32_t TextXOffset = 0, TextYOffset = 0;
  std::int32_t TextRotation = 0;
  byte TextSize = 0;
  std::int32_t TextScale = 0;
  std::string Image;
  byte ImageGreyscale = 0;
  std::int32_t ImageOpacity = 0;
  byte ImageBoundary = 0;
  byte ImagePosition = 0;
  std::int32_t ImageXOffset = 0, ImageYOffset = 0;
  std::int32_t WatermarkImageRotation = 0;
  byte ImageSize = 0;
  std::int32_t ImageScale = 0;
  std::string FilenameMask;
  byte FileTimestamp = 0;
  std::int32_t CustomTimestamp = 0;
  byte OutFoldersHistory = 0;
  byte OutFoldersNumber = 0;
  byte KeepSubfolders = 0;
  std::string CsvDelimiter;
  std::string RecentOutFolders;
  std::string RecentFiles;
  byte CleanRecentFiles = 0;
  // Files converted at once; 0 = as many as the machine has cores.
  std::int32_t Threads = 0;
  // For scripts (command line and profiles; the window has no use for them).
  std::string ReportFile;  // JSON Lines report of the run; "" = none
  byte ExitStatus = 0;     // the exit code tells how the run went (else always 0)
  byte DryRun = 0;         // print the output names a run would write; convert nothing
};

// What belongs to a run as a whole; what belongs to one file is its FileJob.
struct RunStateRecord {
  std::string ProgramFolder;  // ends with "/"
  std::string DocumentName;
  std::string InputFile;
  std::string InputFolder;
  std::string OutputFolder;
  std::int32_t RandomNumber = 0;  // %rnd% of the next file
  std::int32_t Counter = 0;       // %n% of the next file
  std::string InputFormat;
  std::int32_t FormatId = 0;
  std::string ConversionType;
  std::int32_t OutputBpp = 0;  // the format's depth setting; 0 = automatic (AutoBpp)
  std::int32_t SaveFlags = 0;
  byte AutoBpp = 0;
  std::int32_t InterfaceRefresh = 0;
  byte CommandLineRun = 0;
  // --watch: after the run, convert what appears in the input folder.
  byte Watch = 0;
  std::string RunMode;
  std::string FindFrom, FindTo;
  byte PreferencesPanel = 0;
};

extern SettingsRecord Settings;
extern RunStateRecord RunState;

// Process-wide lists created at start (CreateProcessLists in codecs/FormatTables.h).
extern std::vector<std::string> InputGroups;
extern std::vector<std::string> OutputExtensions;
extern std::vector<std::string> ReadableExtensions;

// Shown as the default watermark text and in the banner.
extern const char* const MakerCopyright;
extern const char* const MakerHomepage;
// Where feedback mail goes (the window's links; the package's maintainer).
extern const char* const MakerSupportAddress;

// Sets every Settings field that has a default; forCommandLine = 1 from the
// command line (proportions are then kept only on request).
void ApplyDefaults(byte forCommandLine);

// Resets RunState (a run's reset also empties the input list and rebuilds
// ReadableExtensions: ResetRunRecords in batch/).
void InitRunState();

// A uniformly random integer from 1 to 99999.
std::int32_t NewRandomNumber();
