#include "settings/Settings.h"

#include <cstdlib>
#include <mutex>
#include <random>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Files.h"

SettingsRecord Settings;
RunStateRecord RunState;

std::vector<std::string> InputGroups;
std::vector<std::string> OutputExtensions;
std::vector<std::string> ReadableExtensions{""};

const char* const MakerCopyright =
    "Copyright \xC2\xA9 2019-2026 Corvanta Software Ltd. All rights reserved.";
const char* const MakerHomepage = "https://www.corvanta.com/nembrix/";
const char* const MakerSupportAddress = "support@corvanta.com";

namespace {
const char* const ColorChoices = "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";
}

namespace {

// LUMIVERT_RANDOM_SEED (a number) fixes the sequence, so that tests can
// compare runs that use %rnd%.
std::uint32_t RandomSeed() {
  if (const char* text = std::getenv("LUMIVERT_RANDOM_SEED"); text && *text) {
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(text, &end, 10);
    if (*end == '\0') return static_cast<std::uint32_t>(seed);
  }
  return std::random_device{}();
}

}  // namespace

std::int32_t NewRandomNumber() {
  static std::mutex drawing;
  static std::mt19937 engine{RandomSeed()};
  std::lock_guard<std::mutex> lock(drawing);
  return std::uniform_int_distribution<std::int32_t>(1, 99999)(engine);
}

void ApplyDefaults(byte forCommandLine) {
  SettingsRecord& s = Settings;
  const std::int32_t now = LocalDateNow();
  s.CFG = 17;
  s.Language = "en";
  s.UpdateRange = 2;
  s.UpdateDate = now;
  s.SaveWindowPosition = 1;
  s.IsMaximized = 0;
  const DesktopSize desktop = PrimaryDesktopSize();
  s.X = 510 < desktop.width ? (desktop.width - 510) / 2 : 100;
  s.Y = 330 < desktop.height ? (desktop.height - 330) / 2 : 100;
  s.Width = 510;
  s.Height = 330;
  s.UITheme = "handdrawn";
  s.UISize = 2;
  s.DefaultInputFormat = InputGroups.empty() ? "" : InputGroups.front();
  s.DDSLoadAs = 0;
  s.GIFFrameLoading = s.ICOFrameLoading = s.TIFFFrameLoading = 0;
  s.RAWLoadAs = 0;
  s.RAWHeaderSize = 0;
  s.RAWImageWidth = s.RAWImageHeight = 0;
  s.RAWToneMapping = 2;
  s.DefaultOutputFormat = OutputExtensions.empty() ? "" : OutputExtensions.front();
  s.BMPBPP = 0;
  s.BMPCompression = 0;
  s.BMPColorTable = 0;
  s.DDSBPP = s.EXRBPP = 0;
  s.EXRCompression = 0;
  s.GIFBPP = s.HDRBPP = s.ICOBPP = s.J2KBPP = s.JNGBPP = s.JP2BPP = s.JPGBPP = 0;
  s.JPGQuality = 95;
  s.JPGChroma = 0;
  s.JPGSaveAs = 0;
  s.JXRBPP = s.PBMBPP = s.PCXBPP = s.PFMBPP = s.PGMBPP = s.PNGBPP = 0;
  s.PNGCompression = 0;
  s.PNGInterlaced = 0;
  s.PPMBPP = s.PSDBPP = s.TGABPP = 0;
  s.TGACompression = 0;
  s.TIFFBPP = 0;
  s.TIFFCompression = 0;
  s.TIFFColorModel = 0;
  s.WBMPBPP = s.WEBPBPP = s.XPMBPP = 0;
  s.DoImageRotation = 0;
  s.ImageRotationType = 0;
  s.ImageRotation = 0;
  s.ImageRotationBackColor = "000000";
  s.DoImageResize = 0;
  s.ImageWidth = 0;
  s.ImageWidthUnit = 0;
  s.ImageHeight = 0;
  s.ImageHeightUnit = 0;
  s.KeepAspectRatio = forCommandLine == 1 ? 0 : 1;
  s.ImageResizeType = 0;
  s.ImageResizeAlgorithm = 3;
  s.DoImageFlipHorizontal = s.DoImageFlipVertical = 0;
  s.DoImageColorCorrection = 0;
  s.ImageBrightness = s.ImageContrast = 0;
  s.ImageGamma = 1.0f;
  s.ImageInvert = 0;
  s.DoImageGreyscale = 0;
  s.DoImageThreshold = 0;
  s.ImageThreshold = 0;
  s.DoFrame = 0;
  s.SolidLeft = s.SolidRight = s.SolidTop = s.SolidBottom = 0;
  s.SolidLeftColor = s.SolidRightColor = s.SolidTopColor = s.SolidBottomColor = "000000";
  s.SolidOpacity = 255;
  s.DoWatermark = 0;
  s.Text = MakerCopyright;
  s.Fonts = "Arial,Tahoma,Verdana";
  s.Font = "Arial";
  s.FontSize = 14;
  s.FontLeading = 0;
  s.FontColors = ColorChoices;
  s.FontColor = "FFFFFF";
  s.FontStyle = 0;
  s.FontEffect = 0;
  s.TextAntialiasing = 0;
  s.TextAlignment = 0;
  s.TextPadding = 0;
  s.TextOpacity = 255;
  s.BackColors = ColorChoices;
  s.BackColor = "000000";
  s.BackOpacity = 1;
  s.TextBoundary = 0;
  s.TextPosition = 8;
  s.TextXOffset = s.TextYOffset = 10;
  s.TextRotation = 0;
  s.TextSize = 0;
  s.TextScale = 10;
  s.Image = "";
  s.ImageGreyscale = 0;
  s.ImageOpacity = 255;
  s.ImageBoundary = 0;
  s.ImagePosition = 8;
  s.ImageXOffset = s.ImageYOffset = 10;
  s.WatermarkImageRotation = 0;
  s.ImageSize = 0;
  s.ImageScale = 10;
  s.FilenameMask = "%filename%.%ext%";
  s.FileTimestamp = 0;
  s.CustomTimestamp = now;
  s.OutFoldersHistory = 1;
  s.OutFoldersNumber = 5;
  s.KeepSubfolders = 1;
  s.CsvDelimiter = ",";
  s.RecentOutFolders = "";
  s.RecentFiles = "";
  s.CleanRecentFiles = 0;
  s.Threads = 0;
  s.ReportFile.clear();
  s.ExitStatus = 0;
  s.DryRun = 0;
}

void InitRunState() {
  RunStateRecord& r = RunState;
  r.ProgramFolder = ProgramFolder();
  r.DocumentName = "untitled.cvx";
  r.InputFile.clear();
  r.InputFolder.clear();
  r.OutputFolder.clear();
  r.RandomNumber = NewRandomNumber();
  r.Counter = 1;
  r.InputFormat.clear();
  r.FormatId = 0;
  r.ConversionType.clear();
  r.OutputBpp = 0;
  r.SaveFlags = 0;
  r.AutoBpp = 0;
  r.InterfaceRefresh = 0;
  r.CommandLineRun = 0;
  r.Watch = 0;
  r.PreferencesPanel = 0;
}
