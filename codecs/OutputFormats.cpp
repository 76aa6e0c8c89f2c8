#include "codecs/OutputFormats.h"

#include <FreeImage.h>
#include <IL/il.h>

#include <initializer_list>

#include "platform/Text.h"
#include "settings/Keywords.h"

namespace {

using S = SettingsRecord;

std::string Word(KeywordList list, std::int32_t value) {
  return LowerCase(KeywordName(list, value));
}

// The value at index, or 0 when the setting is out of the table's range.
int Pick(int index, std::initializer_list<int> values) {
  return index >= 0 && index < static_cast<int>(values.size()) ? values.begin()[index] : 0;
}

int NoFlags(const S&) { return 0; }

int BmpFlags(const S& s) { return s.BMPCompression == 1 ? BMP_SAVE_RLE : 0; }
int ExrFlags(const S& s) {
  return Pick(s.EXRCompression, {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44});
}
int JpgFlags(const S& s) {
  return s.JPGQuality |
         Pick(s.JPGChroma, {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420,
                            JPEG_SUBSAMPLING_411}) |
         Pick(s.JPGSaveAs, {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE});
}
int JxrFlags(const S&) { return JXR_LOSSLESS; }
int PngFlags(const S& s) {
  return Pick(s.PNGCompression, {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED, PNG_Z_DEFAULT_COMPRESSION,
                                 PNG_Z_BEST_COMPRESSION}) |
         (s.PNGInterlaced ? PNG_INTERLACED : 0);
}
int TgaFlags(const S& s) { return s.TGACompression == 1 ? TARGA_SAVE_RLE : 0; }
int TiffFlags(const S& s) {
  return Pick(s.TIFFCompression,
              {TIFF_NONE, TIFF_CCITTFAX3, TIFF_CCITTFAX4, TIFF_PACKBITS, TIFF_DEFLATE,
               TIFF_ADOBE_DEFLATE, TIFF_LZW, TIFF_JPEG, TIFF_LOGLUV}) |
         (s.TIFFColorModel == 1 ? TIFF_CMYK : 0);
}
int WebpFlags(const S&) { return WEBP_LOSSLESS; }

std::vector<std::string> NoLines(const S&) { return {}; }

std::vector<std::string> BmpLines(const S& s) {
  return {"BMP Compression: " + Word(KeywordList::Compression, s.BMPCompression),
          "BMP Color Table: " + Word(KeywordList::BmpColorTable, s.BMPColorTable)};
}
std::vector<std::string> ExrLines(const S& s) {
  return {"EXR Compression: " + Word(KeywordList::Compression, s.EXRCompression)};
}
std::vector<std::string> JpgLines(const S& s) {
  return {"JPG Quality: " + std::to_string(s.JPGQuality),
          "JPG Chroma Subsampling: " + Word(KeywordList::JpgChroma, s.JPGChroma),
          "JPG Save As: " + Word(KeywordList::JpgSaveAs, s.JPGSaveAs)};
}
std::vector<std::string> PngLines(const S& s) {
  return {"PNG Compression: " + Word(KeywordList::Compression, s.PNGCompression),
          "PNG Interlaced: " + std::to_string(s.PNGInterlaced)};
}
std::vector<std::string> TgaLines(const S& s) {
  return {"TGA Compression: " + Word(KeywordList::Compression, s.TGACompression)};
}
std::vector<std::string> TiffLines(const S& s) {
  return {"TIFF Compression: " + Word(KeywordList::Compression, s.TIFFCompression),
          "TIFF Color Model: " + Word(KeywordList::TiffColorModel, s.TIFFColorModel)};
}

OutputFormat Row(const char* ext, const char* description, int id, std::vector<int> depths,
                 std::int32_t S::*depth, const char* depthOption, WriterKind writer,
                 int (*flags)(const S&) = NoFlags,
                 std::vector<std::string> (*lines)(const S&) = NoLines,
                 std::vector<OptionRow> options = {}) {
  options.insert(options.begin(), OptionRow{depthOption, IntegerOption(depth)});
  return OutputFormat{ext,   description, id,    std::move(depths), depth,
                      flags, writer,      lines, std::move(options)};
}

std::vector<OutputFormat> BuildRows() {
  using W = WriterKind;
  using K = KeywordList;
  return {
      Row("bmp", "Windows or OS/2 Bitmap", FIF_BMP, {1, 4, 8, 16, 24, 32}, &S::BMPBPP, "--BMP-BPP",
          W::FreeImageOrExact, BmpFlags, BmpLines,
          {{"--BMP-COMPRESSION", KeywordOption(K::Compression, &S::BMPCompression)},
           {"--BMP-COLOR-TABLE", KeywordOption(K::BmpColorTable, &S::BMPColorTable)}}),
      Row("dds", "DirectDraw Surface", IL_DDS, {32}, &S::DDSBPP, "--DDS-BPP", W::DevilMipmapped),
      Row("exr", "ILM OpenEXR", FIF_EXR, {96}, &S::EXRBPP, "--EXR-BPP", W::FreeImage, ExrFlags,
          ExrLines, {{"--EXR-COMPRESSION", KeywordOption(K::Compression, &S::EXRCompression)}}),
      Row("gif", "Graphics Interchange Format", FIF_GIF, {8}, &S::GIFBPP, "--GIF-BPP",
          W::FreeImage),
      Row("hdr", "High Dynamic Range Image", FIF_HDR, {96}, &S::HDRBPP, "--HDR-BPP", W::FreeImage),
      Row("ico", "Windows Icon", FIF_ICO, {1, 4, 8, 16, 24, 32}, &S::ICOBPP, "--ICO-BPP",
          W::FreeImage),
      Row("j2k", "JPEG-2000 Codestream", FIF_J2K, {8, 24, 32, 48}, &S::J2KBPP, "--J2K-BPP",
          W::FreeImage),
      Row("jng", "JPEG Network Graphics", FIF_JNG, {24, 32}, &S::JNGBPP, "--JNG-BPP", W::FreeImage),
      Row("jp2", "JPEG-2000 File Format", FIF_JP2, {8, 24, 32, 48}, &S::JP2BPP, "--JP2-BPP",
          W::FreeImage),
      Row("jpg", "JPEG File Format", FIF_JPEG, {8, 24}, &S::JPGBPP, "--JPG-BPP", W::FreeImage,
          JpgFlags, JpgLines,
          {{"--JPG-QUALITY", IntegerOption(&S::JPGQuality)},
           {"--JPG-CHROMA", KeywordOption(K::JpgChroma, &S::JPGChroma)},
           {"--JPG-SAVE-AS", KeywordOption(K::JpgSaveAs, &S::JPGSaveAs)}}),
      Row("jxr", "JPEG XR Image Format", FIF_JXR, {1, 8, 16, 24, 32, 48, 96}, &S::JXRBPP,
          "--JXR-BPP", W::Jxr, JxrFlags),
      Row("pbm", "Portable Bitmap", FIF_PBM, {1}, &S::PBMBPP, "--PBM-BPP", W::FreeImage),
      Row("pcx", "ZSoft Paintbrush", IL_PCX, {24}, &S::PCXBPP, "--PCX-BPP", W::Devil),
      Row("pfm", "Portable Floatmap", FIF_PFM, {96}, &S::PFMBPP, "--PFM-BPP", W::FreeImage),
      Row("pgm", "Portable Greymap", FIF_PGM, {8}, &S::PGMBPP, "--PGM-BPP", W::FreeImage),
      Row("png", "Portable Network Graphics", FIF_PNG, {1, 4, 8, 24, 32, 48}, &S::PNGBPP,
          "--PNG-BPP", W::FreeImage, PngFlags, PngLines,
          {{"--PNG-COMPRESSION", KeywordOption(K::Compression, &S::PNGCompression)},
           {"--PNG-INTERLACED", FlagOption(&S::PNGInterlaced)}}),
      Row("ppm", "Portable Pixelmap", FIF_PPM, {24, 48}, &S::PPMBPP, "--PPM-BPP", W::FreeImage),
      Row("psd", "Adobe Photoshop", IL_PSD, {32}, &S::PSDBPP, "--PSD-BPP", W::Devil),
      Row("tga", "Truevision Targa", FIF_TARGA, {8, 16, 24, 32}, &S::TGABPP, "--TGA-BPP",
          W::FreeImage, TgaFlags, TgaLines,
          {{"--TGA-COMPRESSION", KeywordOption(K::Compression, &S::TGACompression)}}),
      Row("tiff", "Tagged Image File Format", FIF_TIFF, {1, 4, 8, 24, 32, 48, 96}, &S::TIFFBPP,
          "--TIFF-BPP", W::FreeImage, TiffFlags, TiffLines,
          {{"--TIFF-COMPRESSION", KeywordOption(K::Compression, &S::TIFFCompression)},
           {"--TIFF-COLOR-MODEL", KeywordOption(K::TiffColorModel, &S::TIFFColorModel)}}),
      Row("wbmp", "Wireless Bitmap", FIF_WBMP, {1}, &S::WBMPBPP, "--WBMP-BPP", W::FreeImage),
      Row("webp", "Google WebP Image Format", FIF_WEBP, {24, 32}, &S::WEBPBPP, "--WEBP-BPP",
          W::FreeImage, WebpFlags),
      Row("xpm", "X11 Pixmap Format", FIF_XPM, {24}, &S::XPMBPP, "--XPM-BPP", W::FreeImage),
  };
}

}  // namespace

const std::vector<OutputFormat>& OutputFormats() {
  static const std::vector<OutputFormat> rows = BuildRows();
  return rows;
}

const OutputFormat* FindOutputFormat(const std::string& extension) {
  for (const OutputFormat& format : OutputFormats())
    if (format.Extension == extension) return &format;
  return nullptr;
}

int SaveFlagsFor(const std::string& extension) {
  const OutputFormat* format = FindOutputFormat(extension);
  return format ? format->SaveFlags(Settings) : 0;
}

std::vector<std::string> FormatEchoLines(const OutputFormat& format, const SettingsRecord& s) {
  std::vector<std::string> lines = {UpperCase(format.Extension) +
                                    " BPP: " + std::to_string(s.*format.Depth)};
  for (std::string& line : format.EchoLines(s)) lines.push_back(std::move(line));
  return lines;
}
