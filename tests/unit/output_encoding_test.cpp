#include <IL/il.h>
#include <IL/ilu.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "codecs/FormatTables.h"
#include "codecs/JxrReader.h"
#include "codecs/OutputEncoding.h"
#include "codecs/OutputFormats.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"
#include "support/WriterRun.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned PictureWidth = 37, PictureHeight = 23;  // odd sizes catch row padding

// A 24-bit picture as the tone mapper hands it over: every pixel different.
FIBITMAP* MakePicture(unsigned width = PictureWidth, unsigned height = PictureHeight) {
  FIBITMAP* image = FreeImage_Allocate(width, height, 24);
  for (unsigned y = 0; y < height; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned x = 0; x < width; ++x) {
      row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(x * 7);
      row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(y * 11);
      row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(255 - x * 3 - y * 2);
    }
  }
  return image;
}

std::vector<int> AllowedDepths(const std::string& ext) {
  return FindOutputFormat(ext)->AllowedDepths;
}

// The picture converted by a FreeImage conversion, the original released.
FIBITMAP* Converted(FIBITMAP* (*convert)(FIBITMAP*)) {
  FIBITMAP* picture = MakePicture();
  FIBITMAP* result = convert(picture);
  FreeImage_Unload(picture);
  return result;
}

// The file being written.
FileJob Job;

void PrepareRun(const std::string& ext, int bpp, const std::string& outputFile) {
  Job = PrepareWriterRun(ext, bpp, outputFile);
}

struct ReadBack {
  bool ok = false;
  unsigned width = 0, height = 0, bpp = 0;
};

ReadBack ReadOutput(const std::string& path, const std::string& ext) {
  ReadBack r;
  if (ext == "psd" || ext == "dds" || ext == "pcx") {
    ILuint id = ilGenImage();
    ilBindImage(id);
    if (ilLoadImage(path.c_str())) {
      r = {true, static_cast<unsigned>(ilGetInteger(IL_IMAGE_WIDTH)),
           static_cast<unsigned>(ilGetInteger(IL_IMAGE_HEIGHT)),
           static_cast<unsigned>(ilGetInteger(IL_IMAGE_BITS_PER_PIXEL))};
    }
    ilDeleteImages(1, &id);
    return r;
  }
  FIBITMAP* image = nullptr;
  if (ext == "jxr") {
    image = LoadJxrFile(path);
  } else {
    FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.c_str(), 0);
    if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path.c_str());
    image = FreeImage_Load(fif, path.c_str(), 0);
  }
  if (!image) return r;
  r = {true, FreeImage_GetWidth(image), FreeImage_GetHeight(image), FreeImage_GetBPP(image)};
  FreeImage_Unload(image);
  return r;
}

// Palette indices of an 8-bit BMP (BI_RGB or BI_RLE8), bottom row first;
// empty when the data is malformed.
std::vector<int> DecodeBmp8(const std::string& file, unsigned width, unsigned height) {
  auto byte = [&](size_t at) { return static_cast<unsigned char>(file[at]); };
  const size_t offset = byte(10) | byte(11) << 8 | byte(12) << 16;
  std::vector<int> out(size_t(width) * height, -1);
  if (byte(30) == 0) {
    const size_t pitch = (width + 3) & ~3u;
    if (offset + pitch * height > file.size()) return {};
    for (unsigned y = 0; y < height; ++y)
      for (unsigned x = 0; x < width; ++x) out[y * width + x] = byte(offset + y * pitch + x);
    return out;
  }
  unsigned x = 0, y = 0;
  for (size_t at = offset; at + 1 < file.size(); at += 2) {
    const unsigned count = byte(at), value = byte(at + 1);
    if (count > 0) {  // a run of one index
      for (unsigned i = 0; i < count; ++i, ++x) {
        if (x >= width || y >= height) return {};
        out[y * width + x] = static_cast<int>(value);
      }
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      x += byte(at + 2);
      y += byte(at + 3);
      at += 2;
    } else {  // literal indices, padded to an even count
      for (unsigned i = 0; i < value; ++i, ++x) {
        if (x >= width || y >= height || at + 2 + i >= file.size()) return {};
        out[y * width + x] = byte(at + 2 + i);
      }
      at += (value + 1) & ~1u;
    }
  }
  for (int v : out)
    if (v < 0) return {};
  return out;
}

class OutputEncoding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateProcessLists();
    BuildFormatTables();
    ilInit();
    iluInit();
  }
  void SetUp() override {
    InitRunState();
    ApplyDefaults(1);
    folder_ = ScratchFolder("encode");
  }
  std::string folder_;
};

}  // namespace

TEST_F(OutputEncoding, AutomaticDepthIsTheFirstAllowedDepthReachingTheSource) {
  struct Case {
    const char* ext;
    int source;
    int depth;
  } cases[] = {
      {"bmp", 96, 32}, {"dds", 96, 32},  {"exr", 96, 96}, {"gif", 96, 8},   {"hdr", 96, 96},
      {"ico", 96, 32}, {"j2k", 96, 48},  {"jng", 96, 32}, {"jp2", 96, 48},  {"jpg", 96, 24},
      {"jxr", 96, 96}, {"pbm", 96, 1},   {"pcx", 96, 24}, {"pfm", 96, 96},  {"pgm", 96, 8},
      {"png", 96, 48}, {"ppm", 96, 48},  {"psd", 96, 32}, {"tga", 96, 32},  {"tiff", 96, 96},
      {"wbmp", 96, 1}, {"webp", 96, 32}, {"xpm", 96, 24}, {"bmp", 24, 24},  {"bmp", 1, 1},
      {"bmp", 5, 8},   {"png", 24, 24},  {"png", 25, 32}, {"tiff", 33, 48}, {"jxr", 2, 8},
      {"gif", 1, 8},   {"pbm", 24, 1},   {"tga", 9, 16},  {"TIFF", 96, 0},  {"raw", 24, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AutoDepth(c.ext, c.source), c.depth) << c.ext << " " << c.source;
}

TEST_F(OutputEncoding, SaveFlagsComeFromTheFormatSettings) {
  struct Case {
    const char* ext;
    void (*set)();
    int flags;
  } cases[] = {
      {"bmp", [] {}, 0},
      {"bmp", [] { Settings.BMPCompression = 1; }, BMP_SAVE_RLE},
      {"exr", [] {}, EXR_NONE},
      {"exr", [] { Settings.EXRCompression = 3; }, EXR_PXR24},
      {"exr", [] { Settings.EXRCompression = 9; }, 0},
      {"jpg", [] {}, 95 | JPEG_SUBSAMPLING_444},
      {"jpg",
       [] {
         Settings.JPGQuality = 40;
         Settings.JPGChroma = 2;
         Settings.JPGSaveAs = 3;
       },
       40 | JPEG_SUBSAMPLING_420 | JPEG_PROGRESSIVE},
      {"jpg",
       [] {
         Settings.JPGChroma = 3;
         Settings.JPGSaveAs = 1;
       },
       95 | JPEG_SUBSAMPLING_411 | JPEG_BASELINE},
      {"jpg", [] { Settings.JPGSaveAs = 2; }, 95 | JPEG_SUBSAMPLING_444 | JPEG_OPTIMIZE},
      {"jxr", [] {}, JXR_LOSSLESS},
      {"png", [] {}, PNG_Z_NO_COMPRESSION},
      {"png",
       [] {
         Settings.PNGCompression = 3;
         Settings.PNGInterlaced = 1;
       },
       PNG_Z_BEST_COMPRESSION | PNG_INTERLACED},
      {"png", [] { Settings.PNGCompression = 1; }, PNG_Z_BEST_SPEED},
      {"tga", [] { Settings.TGACompression = 1; }, TARGA_SAVE_RLE},
      {"tiff", [] {}, TIFF_NONE},
      {"tiff",
       [] {
         Settings.TIFFCompression = 6;
         Settings.TIFFColorModel = 1;
       },
       TIFF_LZW | TIFF_CMYK},
      {"tiff",
       [] {
         Settings.TIFFCompression = 8;
         Settings.TIFFColorModel = 2;
       },
       TIFF_LOGLUV},
      {"webp", [] {}, WEBP_LOSSLESS},
      {"gif", [] { Settings.BMPCompression = 1; }, 0},
      {"psd", [] {}, 0},
      {"dds", [] {}, 0},
  };
  for (const Case& c : cases) {
    ApplyDefaults(1);
    c.set();
    EXPECT_EQ(SaveFlagsFor(c.ext), c.flags) << c.ext;
  }
}

// Every format, at its automatic depth and at each allowed depth, from the
// 24-bit picture the tone mapper produces for HDR input.
TEST_F(OutputEncoding, EveryFormatWritesAReadableFileAtEveryDepth) {
  // Depth a reader reports where it differs from the depth written.
  auto readDepth = [](const std::string& ext, int depth) {
    if (ext == "dds") return 32;  // DevIL decodes the compressed surface to RGBA
    // The writers drop an alpha channel that is opaque everywhere.
    if ((ext == "webp" || ext == "png") && depth == 32) return 24;
    return depth;
  };
  for (const std::string& ext : OutputExtensions) {
    std::vector<int> settings = AllowedDepths(ext);
    settings.insert(settings.begin(), 0);
    for (int setting : settings) {
      SCOPED_TRACE(ext + " at setting " + std::to_string(setting));
      const std::string path = folder_ + "picture." + ext;
      PrepareRun(ext, setting, path);
      // The icon writer takes square pictures of 16 to 256 pixels only, and
      // the JPEG 2000 encoder's six resolution levels need 32 pixels a side.
      const unsigned width = PictureWidth, height = ext == "ico" ? PictureWidth : 33;
      const Bitmap image = ConvertDepth(Bitmap(MakePicture(width, height)), Job);
      ASSERT_NE(image.get(), nullptr);
      const int depth = setting == 0 ? AutoDepth(ext, 96) : setting;
      EXPECT_EQ(Job.OutputBpp, depth);
      EXPECT_EQ(static_cast<int>(FreeImage_GetBPP(image.get())), depth);
      EXPECT_TRUE(SaveOutputImage(image.get(), Job));

      ReadBack back = ReadOutput(path, ext);
      ASSERT_TRUE(back.ok);
      EXPECT_EQ(back.width, width);
      EXPECT_EQ(back.height, height);
      EXPECT_EQ(static_cast<int>(back.bpp), readDepth(ext, depth));
      EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"picture." + ext});
      fs::remove(path);
    }
  }
}

// The pixel layouts each depth route must produce.
TEST_F(OutputEncoding, DepthRoutesGiveTheLayoutOfTheFormat) {
  struct Case {
    const char* ext;
    int bpp;
    FREE_IMAGE_COLOR_TYPE color;
    unsigned greenMask;  // 16-bit layouts only
  } cases[] = {
      {"jpg", 8, FIC_MINISBLACK, 0},
      {"jp2", 8, FIC_MINISBLACK, 0},
      {"j2k", 8, FIC_MINISBLACK, 0},
      {"jxr", 8, FIC_MINISBLACK, 0},
      {"pgm", 8, FIC_MINISBLACK, 0},
      {"png", 8, FIC_PALETTE, 0},
      {"gif", 8, FIC_PALETTE, 0},
      {"tga", 8, FIC_PALETTE, 0},
      {"bmp", 16, FIC_RGB, FI16_565_GREEN_MASK},
      {"jxr", 16, FIC_RGB, FI16_565_GREEN_MASK},
      {"tga", 16, FIC_RGB, FI16_555_GREEN_MASK},
      {"ico", 16, FIC_RGB, FI16_555_GREEN_MASK},
      {"png", 1, FIC_MINISBLACK, 0},
      {"png", 4, FIC_PALETTE, 0},
      {"tiff", 96, FIC_RGB, 0},
      {"ppm", 48, FIC_RGB, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.bpp));
    PrepareRun(c.ext, c.bpp, folder_ + "x");
    const Bitmap image = ConvertDepth(Bitmap(MakePicture()), Job);
    ASSERT_NE(image.get(), nullptr);
    EXPECT_EQ(static_cast<int>(FreeImage_GetBPP(image.get())), c.bpp);
    EXPECT_EQ(FreeImage_GetColorType(image.get()), c.color);
    if (c.greenMask) {
      EXPECT_EQ(FreeImage_GetGreenMask(image.get()), c.greenMask);
    }
    if (c.bpp == 4) {  // sixteen grey levels
      const RGBQUAD* palette = FreeImage_GetPalette(image.get());
      for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(palette[i].rgbRed, palette[i].rgbGreen);
        EXPECT_EQ(palette[i].rgbGreen, palette[i].rgbBlue);
      }
      EXPECT_EQ(palette[15].rgbRed, 255);
    }
  }
  // A quantised palette keeps the colours: a pure red area stays pure red.
  Bitmap red(FreeImage_Allocate(PictureWidth, PictureHeight, 24));
  RGBQUAD pure = {0, 0, 255, 0};
  FreeImage_FillBackground(red.get(), &pure);
  PrepareRun("png", 8, folder_ + "x");
  red = ConvertDepth(std::move(red), Job);
  ASSERT_NE(red.get(), nullptr);
  BYTE index = 0;
  ASSERT_TRUE(FreeImage_GetPixelIndex(red.get(), 36, 22, &index));
  const RGBQUAD seen = FreeImage_GetPalette(red.get())[index];
  EXPECT_EQ(seen.rgbRed, 255);
  EXPECT_EQ(seen.rgbGreen, 0);
  EXPECT_EQ(seen.rgbBlue, 0);

  // A greymap holds the grey level of red, not a palette index.
  red.reset(FreeImage_Allocate(PictureWidth, PictureHeight, 24));
  FreeImage_FillBackground(red.get(), &pure);
  const std::string pgm = folder_ + "red.pgm";
  PrepareRun("pgm", 0, pgm);
  red = ConvertDepth(std::move(red), Job);
  ASSERT_TRUE(SaveOutputImage(red.get(), Job));
  FIBITMAP* back = FreeImage_Load(FIF_PGM, pgm.c_str(), 0);
  ASSERT_NE(back, nullptr);
  ASSERT_TRUE(FreeImage_GetPixelIndex(back, 36, 22, &index));
  EXPECT_NEAR(index, 0.2126 * 255, 2.0);  // Rec. 709 weight of red
  FreeImage_Unload(back);
}

TEST_F(OutputEncoding, ConvertDepthRefusesUnknownDepthsAndPassesNoImageOn) {
  PrepareRun("bmp", 12, folder_ + "x");
  EXPECT_EQ(ConvertDepth(Bitmap(MakePicture()), Job).get(), nullptr);
  PrepareRun("bmp", 0, folder_ + "x");
  EXPECT_EQ(ConvertDepth(Bitmap(), Job).get(), nullptr);
  // With an automatic depth, the per-file value is resolved even for a
  // picture that already has it.
  PrepareRun("xpm", 0, folder_ + "x");
  Job.OutputBpp = 8;
  FIBITMAP* image = MakePicture();
  EXPECT_EQ(ConvertDepth(Bitmap(image), Job).get(), image);
  EXPECT_EQ(Job.OutputBpp, 24);
}

TEST_F(OutputEncoding, CountUsedColorsIgnoresRowPadding) {
  FIBITMAP* image = FreeImage_Allocate(PictureWidth, PictureHeight, 8);
  EXPECT_EQ(CountUsedColors(image), 1);
  const unsigned pitch = FreeImage_GetPitch(image);
  ASSERT_GT(pitch, PictureWidth);
  for (unsigned y = 0; y < PictureHeight; ++y) {
    BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned x = 0; x < PictureWidth; ++x) row[x] = static_cast<BYTE>((x + y) % 10);
    std::memset(row + PictureWidth, 250, pitch - PictureWidth);
  }
  EXPECT_EQ(CountUsedColors(image), 10);
  FreeImage_GetScanLine(image, 22)[36] = 17;
  EXPECT_EQ(CountUsedColors(image), 18);
  FreeImage_Unload(image);
  EXPECT_EQ(CountUsedColors(nullptr), 0);
}

TEST_F(OutputEncoding, ExactPaletteBmpKeepsOnlyTheUsedEntries) {
  for (int compression : {0, 1}) {
    SCOPED_TRACE("compression " + std::to_string(compression));
    FIBITMAP* image = FreeImage_Allocate(PictureWidth, PictureHeight, 8);
    RGBQUAD* palette = FreeImage_GetPalette(image);
    for (int i = 0; i < 256; ++i)
      palette[i] = {static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i), 0};
    for (unsigned y = 0; y < PictureHeight; ++y) {
      BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
      for (unsigned x = 0; x < PictureWidth; ++x) row[x] = static_cast<BYTE>((x / 4 + y) % 10);
    }
    Settings.BMPCompression = compression;
    Settings.BMPColorTable = 1;
    const std::string path = folder_ + "exact.bmp";
    PrepareRun("bmp", 8, path);
    ASSERT_TRUE(SaveOutputImage(image, Job));

    const std::string bytes = ReadFileBytes(path);
    auto u32 = [&](size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
             static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
             static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
             static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    ASSERT_GT(bytes.size(), 94u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), bytes.size());
    EXPECT_EQ(u32(10), 94u);                                      // 54 + 10 entries
    EXPECT_EQ(u32(14 + 16), static_cast<unsigned>(compression));  // BI_RGB or BI_RLE8
    EXPECT_EQ(u32(14 + 20), bytes.size() - 94);
    EXPECT_EQ(u32(14 + 32), 10u);
    EXPECT_EQ(u32(14 + 36), 10u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 4 * 9]), 27);  // blue of entry 9

    // Colour table entry 7 as written: blue, green, red, reserved.
    EXPECT_EQ(bytes.substr(54 + 4 * 7, 4), std::string("\x15\xf8\x07\x00", 4));

    // The pixel indices, decoded straight from the file (FreeImage's own RLE8
    // reader rejects valid files, so it cannot judge them).
    const std::vector<int> indices = DecodeBmp8(bytes, PictureWidth, PictureHeight);
    ASSERT_EQ(indices.size(), size_t(PictureWidth) * PictureHeight);
    for (unsigned y = 0; y < PictureHeight; ++y)
      for (unsigned x = 0; x < PictureWidth; ++x)
        ASSERT_EQ(indices[y * PictureWidth + x], static_cast<int>((x / 4 + y) % 10))
            << x << "," << y;
    FreeImage_Unload(image);
  }
}

TEST_F(OutputEncoding, TempNamesSpellTheDateAndEndInRandomLetters) {
  const std::string before = std::to_string(LocalDateNow());
  const std::string name = MakeTempName("lumivert", ".x");
  const std::string after = std::to_string(LocalDateNow());
  auto letters = [](const std::string& digits) {
    std::string out;
    for (char d : digits) out += static_cast<char>('a' + (d - '0'));
    return out;
  };
  ASSERT_EQ(name.size(), 8 + before.size() + 5 + 2);
  EXPECT_EQ(name.substr(0, 8), "lumivert");
  const std::string date = name.substr(8, before.size());
  EXPECT_TRUE(date == letters(before) || date == letters(after)) << name;
  for (char c : name.substr(8 + before.size(), 5)) EXPECT_TRUE(c >= 'a' && c <= 'z') << name;
  EXPECT_EQ(name.substr(name.size() - 2), ".x");
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) names.insert(MakeTempName("p", ""));
  EXPECT_GT(names.size(), 45u);
}

// A failed write must leave the file the user had, and no temporary file.
TEST_F(OutputEncoding, FailedWritesKeepThePreviousFile) {
  struct Case {
    const char* ext;
    int bpp;
    FIBITMAP* (*picture)();
  } cases[] = {
      // FreeImage refuses: a Radiance file needs float pixels.
      {"hdr", 96, [] { return MakePicture(); }},
      // DevIL path handed a depth it cannot take.
      {"psd", 32, [] { return Converted(FreeImage_ConvertTo8Bits); }},
      {"pcx", 24, [] { return Converted(FreeImage_ConvertTo4Bits); }},
      // JPEG XR has no 4-bit layout.
      {"jxr", 8, [] { return Converted(FreeImage_ConvertTo4Bits); }},
      // The exact-palette writer needs 8 bits.
      {"bmp", 8, [] { return MakePicture(); }},
      // No image from an earlier stage.
      {"png", 24, []() -> FIBITMAP* { return nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ext);
    Settings.BMPColorTable = 1;
    const std::string path = folder_ + "kept." + c.ext;
    WriteFileBytes(path, "previous contents");
    PrepareRun(c.ext, c.bpp, path);
    FIBITMAP* image = c.picture();
    EXPECT_FALSE(SaveOutputImage(image, Job));
    if (image) FreeImage_Unload(image);
    EXPECT_EQ(ReadFileBytes(path), "previous contents");
    EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{"kept." + std::string(c.ext)});
    fs::remove(path);
  }
}

TEST_F(OutputEncoding, MissingOutputFolderFailsWithoutCreatingAnything) {
  for (const char* ext : {"png", "psd", "jxr"}) {
    PrepareRun(ext, 0, folder_ + "missing/out." + ext);
    const Bitmap image = ConvertDepth(Bitmap(MakePicture()), Job);
    EXPECT_FALSE(SaveOutputImage(image.get(), Job)) << ext;
    EXPECT_TRUE(FolderEntries(folder_).empty()) << ext;
  }
}

TEST_F(OutputEncoding, SuccessfulWriteReplacesTheOldFile) {
  for (const char* ext : {"png", "dds", "jxr", "tiff"}) {
    SCOPED_TRACE(ext);
    const std::string path = folder_ + "again." + ext;
    WriteFileBytes(path, "old");
    PrepareRun(ext, 0, path);
    const Bitmap image = ConvertDepth(Bitmap(MakePicture()), Job);
    ASSERT_TRUE(SaveOutputImage(image.get(), Job));
    EXPECT_TRUE(ReadOutput(path, ext).ok);
    EXPECT_EQ(FolderEntries(folder_), std::set<std::string>{std::string("again.") + ext});
    EXPECT_EQ(FolderOf(Job.TempPath), folder_);
    fs::remove(path);
  }
}

TEST_F(OutputEncoding, ReadOnlyTargetIsReplacedOnlyOnTheDevilPath) {
  struct Case {
    const char* ext;
    bool replaced;
  } cases[] = {{"psd", true}, {"pcx", true}, {"png", false}, {"jxr", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ext);
    const std::string path = folder_ + "locked." + c.ext;
    WriteFileBytes(path, "locked");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    PrepareRun(c.ext, 0, path);
    const Bitmap image = ConvertDepth(Bitmap(MakePicture()), Job);
    EXPECT_EQ(SaveOutputImage(image.get(), Job), c.replaced);
    EXPECT_EQ(ReadFileBytes(path) != "locked", c.replaced);
    EXPECT_EQ(FolderEntries(folder_).size(), 1u);
    fs::remove(path);
  }
}

TEST_F(OutputEncoding, DdsFilesCarryTheirMipmaps) {
  const std::string path = folder_ + "levels.dds";
  PrepareRun("dds", 0, path);
  const Bitmap image = ConvertDepth(Bitmap(MakePicture()), Job);
  ASSERT_TRUE(SaveOutputImage(image.get(), Job));
  const std::string bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 128u);
  EXPECT_EQ(bytes.substr(0, 4), "DDS ");
  auto u32 = [&](size_t at) {
    unsigned v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  EXPECT_EQ(u32(12), PictureHeight);
  EXPECT_EQ(u32(16), PictureWidth);
  // 37x23 down to 1x1: 37, 18, 9, 4, 2, 1.
  EXPECT_EQ(u32(28), 6u);
}
