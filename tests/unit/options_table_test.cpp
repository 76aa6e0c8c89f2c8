// Every long option sets its own Settings field, and only the options that
// name a stage switch turn a stage on.
#include <gtest/gtest.h>

#include <functional>

#include "settings/OptionTable.h"
#include "settings/Settings.h"
#include "support/SettingsReset.h"

namespace {

// The stage switches, so a test can see which ones an option turned on.
struct Switches {
  int rotation = 0, resize = 0, color = 0, greyscale = 0, threshold = 0, frame = 0, watermark = 0,
      flipH = 0, flipV = 0;
  bool operator==(const Switches&) const = default;
};

Switches CurrentSwitches() {
  const SettingsRecord& s = Settings;
  return {s.DoImageRotation,  s.DoImageResize,         s.DoImageColorCorrection,
          s.DoImageGreyscale, s.DoImageThreshold,      s.DoFrame,
          s.DoWatermark,      s.DoImageFlipHorizontal, s.DoImageFlipVertical};
}

void Fresh() {
  ResetSettings(1);  // the output formats' options too
}

struct Case {
  const char* option;
  const char* value;
  std::function<std::string()> field;
  const char* expected;
  Switches switches;
};

template <typename T>
std::function<std::string()> Read(T SettingsRecord::*f) {
  return [f] {
    if constexpr (std::is_same_v<T, std::string>)
      return Settings.*f;
    else if constexpr (std::is_same_v<T, float>)
      return std::to_string(Settings.*f);
    else
      return std::to_string(static_cast<long long>(Settings.*f));
  };
}

using S = SettingsRecord;

Switches Rot() {
  Switches s;
  s.rotation = 1;
  return s;
}
Switches Resize() {
  Switches s;
  s.resize = 1;
  return s;
}
Switches Color() {
  Switches s;
  s.color = 1;
  return s;
}
Switches Threshold() {
  Switches s;
  s.threshold = 1;
  return s;
}
Switches Frame() {
  Switches s;
  s.frame = 1;
  return s;
}
Switches Watermark(int kind) {
  Switches s;
  s.watermark = kind;
  return s;
}

}  // namespace

TEST(OptionTable, EachOptionSetsItsFieldAndOnlyItsSwitch) {
  const Switches none;
  Switches grey;
  grey.greyscale = 1;
  Switches flipH;
  flipH.flipH = 1;
  Switches flipV;
  flipV.flipV = 1;
  const Case cases[] = {
      {"--DDS-LOAD-AS", "rgba", Read(&S::DDSLoadAs), "2", none},
      {"--GIF-FRAME-LOADING", "last", Read(&S::GIFFrameLoading), "3", none},
      {"--ICO-FRAME-LOADING", "first", Read(&S::ICOFrameLoading), "1", none},
      {"--TIFF-FRAME-LOADING", "random", Read(&S::TIFFFrameLoading), "4", none},
      {"--RAW-LOAD-AS", "48hs", Read(&S::RAWLoadAs), "4", none},
      {"--RAW-HEADER-SIZE", "512", Read(&S::RAWHeaderSize), "512", none},
      {"--RAW-WIDTH", "640", Read(&S::RAWImageWidth), "640", none},
      {"--RAW-HEIGHT", "480", Read(&S::RAWImageHeight), "480", none},
      {"--RAW-TONE-MAPPING", "none", Read(&S::RAWToneMapping), "0", none},
      {"--BMP-COMPRESSION", "rle", Read(&S::BMPCompression), "1", none},
      {"--EXR-COMPRESSION", "b44", Read(&S::EXRCompression), "4", none},
      {"--PNG-COMPRESSION", "zlib9", Read(&S::PNGCompression), "3", none},
      {"--PNG-COMPRESSION", "pxr24", Read(&S::PNGCompression), "3", none},
      {"--TGA-COMPRESSION", "rle", Read(&S::TGACompression), "1", none},
      {"--TIFF-COMPRESSION", "lzw", Read(&S::TIFFCompression), "6", none},
      {"--BMP-COLOR-TABLE", "exact", Read(&S::BMPColorTable), "1", none},
      {"--TIFF-COLOR-MODEL", "cmyk", Read(&S::TIFFColorModel), "1", none},
      {"--JPG-QUALITY", "$5F", Read(&S::JPGQuality), "95", none},
      {"--JPG-QUALITY", "abc", Read(&S::JPGQuality), "0", none},
      {"--JPG-CHROMA", "medium", Read(&S::JPGChroma), "2", none},
      {"--JPG-SAVE-AS", "optimized", Read(&S::JPGSaveAs), "2", none},
      {"--PNG-INTERLACED", "0", Read(&S::PNGInterlaced), "1", none},
      {"--ROTATION", "400", Read(&S::ImageRotation), "400", Rot()},
      {"--ROTATION-TYPE", "advanced", Read(&S::ImageRotationType), "1", none},
      {"--ROTATION-BACK-COLOR", "FF8000", Read(&S::ImageRotationBackColor), "FF8000", none},
      {"--WIDTH", "50", Read(&S::ImageWidth), "50", Resize()},
      {"--HEIGHT", "60", Read(&S::ImageHeight), "60", Resize()},
      {"--WIDTH-UNIT", "percent", Read(&S::ImageWidthUnit), "1", none},
      {"--HEIGHT-UNIT", "percent", Read(&S::ImageHeightUnit), "1", none},
      {"--KEEP-ASPECT-RATIO", "", Read(&S::KeepAspectRatio), "1", none},
      {"--RESIZE-TYPE", "largeimages", Read(&S::ImageResizeType), "1", none},
      {"--RESIZE-ALGORITHM", " lanczos ", Read(&S::ImageResizeAlgorithm), "5", none},
      {"--RESIZE-ALGORITHM", "Lanczos3", Read(&S::ImageResizeAlgorithm), "0", none},
      {"--FLIP-HORIZONTAL", "", Read(&S::DoImageFlipHorizontal), "1", flipH},
      {"--FLIP-VERTICAL", "", Read(&S::DoImageFlipVertical), "1", flipV},
      {"--BRIGHTNESS", "-50", Read(&S::ImageBrightness), "-50", Color()},
      {"--BRIGHTNESS", "150", Read(&S::ImageBrightness), "150", Color()},
      {"--CONTRAST", "20", Read(&S::ImageContrast), "20", Color()},
      {"--GAMMA", "1,5", Read(&S::ImageGamma), "1.000000", Color()},
      {"--GAMMA", "2.2", Read(&S::ImageGamma), "2.200000", Color()},
      {"--INVERT", "", Read(&S::ImageInvert), "1", Color()},
      {"--GREYSCALE", "", Read(&S::DoImageGreyscale), "1", grey},
      {"--THRESHOLD", "128", Read(&S::ImageThreshold), "128", Threshold()},
      {"--FR-SOLID-LEFT", "5", Read(&S::SolidLeft), "5", Frame()},
      {"--FR-SOLID-RIGHT", "6", Read(&S::SolidRight), "6", Frame()},
      {"--FR-SOLID-TOP", "7", Read(&S::SolidTop), "7", Frame()},
      {"--FR-SOLID-BOTTOM", "8", Read(&S::SolidBottom), "8", Frame()},
      {"--FR-SOLID-LEFT-COLOR", "FF0000", Read(&S::SolidLeftColor), "FF0000", none},
      {"--FR-SOLID-RIGHT-COLOR", "00FF00", Read(&S::SolidRightColor), "00FF00", none},
      {"--FR-SOLID-TOP-COLOR", "0000FF", Read(&S::SolidTopColor), "0000FF", none},
      {"--FR-SOLID-BOTTOM-COLOR", "123456", Read(&S::SolidBottomColor), "123456", none},
      {"--FR-SOLID-OPACITY", "128", Read(&S::SolidOpacity), "128", none},
      {"--WM-TEXT", " Hello  World ", Read(&S::Text), " Hello  World ", Watermark(1)},
      {"--WM-FONT", "DejaVu Sans", Read(&S::Font), "DejaVu Sans", none},
      {"--WM-FONT-SIZE", "24", Read(&S::FontSize), "24", none},
      {"--WM-FONT-LEADING", "-3", Read(&S::FontLeading), "-3", none},
      {"--WM-FONT-COLOR", "00FFFF", Read(&S::FontColor), "00FFFF", none},
      {"--WM-FONT-STYLE", "bold", Read(&S::FontStyle), "1", none},
      {"--WM-FONT-EFFECT", "underline", Read(&S::FontEffect), "1", none},
      {"--WM-TEXT-ANTIALIASING", "", Read(&S::TextAntialiasing), "1", none},
      {"--WM-TEXT-ALIGNMENT", "right", Read(&S::TextAlignment), "2", none},
      {"--WM-TEXT-PADDING", "4", Read(&S::TextPadding), "4", none},
      {"--WM-TEXT-OPACITY", "100", Read(&S::TextOpacity), "100", none},
      {"--WM-BACK-COLOR", "FFFFFF", Read(&S::BackColor), "FFFFFF", none},
      {"--WM-BACK-OPACITY", "200", Read(&S::BackOpacity), "200", none},
      {"--WM-TEXT-BOUNDARY", "frame", Read(&S::TextBoundary), "1", none},
      {"--WM-TEXT-POSITION", "topleft", Read(&S::TextPosition), "0", none},
      {"--WM-TEXT-X-OFFSET", "11", Read(&S::TextXOffset), "11", none},
      {"--WM-TEXT-Y-OFFSET", "12", Read(&S::TextYOffset), "12", none},
      {"--WM-TEXT-ROTATION", "45", Read(&S::TextRotation), "45", none},
      {"--WM-TEXT-SIZE", "fixed", Read(&S::TextSize), "0", none},
      {"--WM-IMAGE", "logo.png", Read(&S::Image), "logo.png", Watermark(2)},
      {"--WM-IMAGE-GREYSCALE", "", Read(&S::ImageGreyscale), "1", none},
      {"--WM-IMAGE-OPACITY", "50", Read(&S::ImageOpacity), "50", none},
      {"--WM-IMAGE-BOUNDARY", "frame", Read(&S::ImageBoundary), "1", none},
      {"--WM-IMAGE-POSITION", "middlecenter", Read(&S::ImagePosition), "4", none},
      {"--WM-IMAGE-X-OFFSET", "21", Read(&S::ImageXOffset), "21", none},
      {"--WM-IMAGE-Y-OFFSET", "22", Read(&S::ImageYOffset), "22", none},
      {"--WM-IMAGE-ROTATION", "90", Read(&S::WatermarkImageRotation), "90", none},
      {"--WM-IMAGE-SIZE", "fixed", Read(&S::ImageSize), "0", none},
      {"--FILENAME-MASK", "%filename%_x.%ext%", Read(&S::FilenameMask), "%filename%_x.%ext%", none},
      {"--FILE-TIMESTAMP", "original", Read(&S::FileTimestamp), "1", none},
      {"--FILE-TIMESTAMP-CUSTOM", "1700000000", Read(&S::CustomTimestamp), "1700000000", none},
      {"--NO-SUBFOLDERS", "", Read(&S::KeepSubfolders), "0", none},
  };
  for (const Case& c : cases) {
    Fresh();
    EXPECT_TRUE(ApplyOption(c.option, c.value)) << c.option;
    EXPECT_EQ(c.field(), c.expected) << c.option << "=" << c.value;
    EXPECT_TRUE(CurrentSwitches() == c.switches) << c.option << " switched the wrong stages";
  }
}

TEST(OptionTable, EveryFormatHasItsOwnBppOption) {
  struct Bpp {
    const char* option;
    std::int32_t SettingsRecord::*field;
  } formats[] = {
      {"--BMP-BPP", &S::BMPBPP},   {"--DDS-BPP", &S::DDSBPP},   {"--EXR-BPP", &S::EXRBPP},
      {"--GIF-BPP", &S::GIFBPP},   {"--HDR-BPP", &S::HDRBPP},   {"--ICO-BPP", &S::ICOBPP},
      {"--J2K-BPP", &S::J2KBPP},   {"--JNG-BPP", &S::JNGBPP},   {"--JP2-BPP", &S::JP2BPP},
      {"--JPG-BPP", &S::JPGBPP},   {"--JXR-BPP", &S::JXRBPP},   {"--PBM-BPP", &S::PBMBPP},
      {"--PCX-BPP", &S::PCXBPP},   {"--PFM-BPP", &S::PFMBPP},   {"--PGM-BPP", &S::PGMBPP},
      {"--PNG-BPP", &S::PNGBPP},   {"--PPM-BPP", &S::PPMBPP},   {"--PSD-BPP", &S::PSDBPP},
      {"--TGA-BPP", &S::TGABPP},   {"--TIFF-BPP", &S::TIFFBPP}, {"--WBMP-BPP", &S::WBMPBPP},
      {"--WEBP-BPP", &S::WEBPBPP}, {"--XPM-BPP", &S::XPMBPP},
  };
  for (const Bpp& b : formats) {
    Fresh();
    EXPECT_EQ(FindOption(b.option), OptionKind::Integer) << b.option;
    ASSERT_TRUE(ApplyOption(b.option, "24abc"));
    for (const Bpp& other : formats)
      EXPECT_EQ(Settings.*(other.field), other.field == b.field ? 24 : 0)
          << b.option << " changed " << other.option;
  }
}

TEST(OptionTable, KindsTellTheFrontEndHowToReadValues) {
  Fresh();
  EXPECT_EQ(FindOption("--WM-TEXT"), OptionKind::Text);
  EXPECT_EQ(FindOption("--FILENAME-MASK"), OptionKind::Text);
  EXPECT_EQ(FindOption("--GAMMA"), OptionKind::Real);
  EXPECT_EQ(FindOption("--INVERT"), OptionKind::Flag);
  EXPECT_EQ(FindOption("--NO-SUBFOLDERS"), OptionKind::Flag);
  EXPECT_EQ(FindOption("--FILE-TIMESTAMP"), OptionKind::Keyword);
  EXPECT_EQ(FindOption("--JPG-QUALITY"), OptionKind::Integer);
  // Names are matched as given: callers upper-case them first.
  EXPECT_EQ(FindOption("--jpg-quality"), OptionKind::None);
  // The front end's own options and the profile-only key are not settings options.
  for (const char* name : {"-I", "--INPUT", "--OUTPUT", "--CONVERSION", "--PROFILE", "--DEBUG",
                           "--QUIET", "--PAUSE", "--WM-SOLID-OPACITY", "JPG-QUALITY", ""})
    EXPECT_EQ(FindOption(name), OptionKind::None) << name;
  Fresh();
  EXPECT_FALSE(ApplyOption("--WM-SOLID-OPACITY", "1"));
  EXPECT_EQ(Settings.SolidOpacity, 255);
}

TEST(OptionTable, TheLaterWatermarkOptionDecidesTheKind) {
  Fresh();
  ApplyOption("--WM-TEXT", "a");
  ApplyOption("--WM-IMAGE", "b.png");
  EXPECT_EQ(Settings.DoWatermark, 2);
  ApplyOption("--WM-TEXT", "c");
  EXPECT_EQ(Settings.DoWatermark, 1);
  EXPECT_EQ(Settings.Text, "c");
  EXPECT_EQ(Settings.Image, "b.png");
}
