#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "codecs/Loading.h"
#include "codecs/RadianceReader.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Colour of the pixel in picture terms (row 0 at the top).
const float* PixelAt(FIBITMAP* image, int x, int y) {
  const int row = static_cast<int>(FreeImage_GetHeight(image)) - 1 - y;
  return reinterpret_cast<const float*>(FreeImage_GetScanLine(image, row)) + x * 3;
}

bool SamePixels(FIBITMAP* a, FIBITMAP* b) {
  if (!a || !b || FreeImage_GetImageType(a) != FreeImage_GetImageType(b) ||
      FreeImage_GetWidth(a) != FreeImage_GetWidth(b) ||
      FreeImage_GetHeight(a) != FreeImage_GetHeight(b))
    return false;
  const unsigned rowBytes = FreeImage_GetWidth(a) * FreeImage_GetBPP(a) / 8;
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
    if (std::memcmp(FreeImage_GetScanLine(a, static_cast<int>(y)),
                    FreeImage_GetScanLine(b, static_cast<int>(y)), rowBytes) != 0)
      return false;
  return true;
}

FIBITMAP* Decode(const std::string& bytes, std::string& error) {
  return DecodeRadiance(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), error);
}

// A gradient with distinct corners and a uniform band whose 300-pixel runs
// need two repeat pixels in the old encoding.
FloatPicture TestPicture(int w, int h) {
  FloatPicture pic = GradientPicture(w, h);
  for (int y = h / 4; y < h / 4 + 3 && y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k) pic.At(x, y)[k] = 0.5f;
  const float corners[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {4, 4, 4}};
  const int cx[4] = {0, w - 1, 0, w - 1}, cy[4] = {0, 0, h - 1, h - 1};
  for (int c = 0; c < 4; ++c)
    for (int k = 0; k < 3; ++k) pic.At(cx[c], cy[c])[k] = corners[c][k];
  return pic;
}

struct Orientation {
  const char* name;
  bool rows, top, left;
};
const Orientation Orientations[] = {
    {"-Y +X", true, true, true},   {"-Y -X", true, true, false},   {"+Y +X", true, false, true},
    {"+Y -X", true, false, false}, {"+X -Y", false, true, true},   {"+X +Y", false, false, true},
    {"-X -Y", false, true, false}, {"-X +Y", false, false, false},
};

RadianceLayout LayoutOf(const Orientation& o, ScanlineEncoding encoding) {
  RadianceLayout layout;
  layout.scanlinesAreRows = o.rows;
  layout.topFirst = o.top;
  layout.leftFirst = o.left;
  layout.encoding = encoding;
  return layout;
}

}  // namespace

// Where the n-th pixel of the file lands, written out by hand for a 3 x 2
// picture: the first axis named is the one the scanlines step along.
TEST(RadianceReader, OrientationsPlacePixelsWhereTheResolutionLineSays) {
  struct Case {
    const char* resolution;
    int top[3], bottom[3];  // file index of each pixel, left to right
  } cases[] = {
      {"-Y 2 +X 3", {0, 1, 2}, {3, 4, 5}}, {"-Y 2 -X 3", {2, 1, 0}, {5, 4, 3}},
      {"+Y 2 +X 3", {3, 4, 5}, {0, 1, 2}}, {"+Y 2 -X 3", {5, 4, 3}, {2, 1, 0}},
      {"+X 3 -Y 2", {0, 2, 4}, {1, 3, 5}}, {"+X 3 +Y 2", {1, 3, 5}, {0, 2, 4}},
      {"-X 3 -Y 2", {4, 2, 0}, {5, 3, 1}}, {"-X 3 +Y 2", {5, 3, 1}, {4, 2, 0}},
  };
  const std::string path = ScratchFolder("orient") + "pic.hdr";
  for (const Case& c : cases) {
    std::string bytes = std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n") + c.resolution + "\n";
    // Pixel n has red (100 + n) / 128.
    for (int n = 0; n < 6; ++n) bytes += std::string{char(100 + n), 0, 0, char(129)};
    WriteFileBytes(path, bytes);
    Bitmap image(LoadInputImage(path));
    ASSERT_NE(image, nullptr) << c.resolution;
    ASSERT_EQ(FreeImage_GetWidth(image.get()), 3u) << c.resolution;
    ASSERT_EQ(FreeImage_GetHeight(image.get()), 2u) << c.resolution;
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(PixelAt(image.get(), x, 0)[0], (100 + c.top[x]) / 128.0f) << c.resolution << x;
      EXPECT_EQ(PixelAt(image.get(), x, 1)[0], (100 + c.bottom[x]) / 128.0f) << c.resolution << x;
    }
  }
}

// Every way of writing one picture decodes to exactly the pixels the library
// gives for the standard file.
TEST(RadianceReader, EveryVariantDecodesToTheStandardPixels) {
  const std::string dir = ScratchFolder("variants");
  for (auto [w, h] : {std::pair{300, 20}, std::pair{6, 40}}) {
    const FloatPicture pic = TestPicture(w, h);
    WriteRadianceFile(dir + "standard.hdr", pic);
    Bitmap standard(FreeImage_Load(FIF_HDR, (dir + "standard.hdr").c_str(), 0));
    ASSERT_NE(standard, nullptr);
    // The corners are where the picture has them.
    EXPECT_EQ(PixelAt(standard.get(), 0, 0)[0], 1.0f);
    EXPECT_EQ(PixelAt(standard.get(), w - 1, 0)[1], 1.0f);
    EXPECT_EQ(PixelAt(standard.get(), 0, h - 1)[2], 1.0f);
    EXPECT_EQ(PixelAt(standard.get(), w - 1, h - 1)[0], 4.0f);

    std::vector<std::pair<std::string, RadianceLayout>> variants;
    for (const Orientation& o : Orientations)
      for (auto [name, encoding] : {std::pair{"flat", ScanlineEncoding::Flat},
                                    {"rle", ScanlineEncoding::RunLength},
                                    {"old rle", ScanlineEncoding::OldRunLength},
                                    {"mixed", ScanlineEncoding::Mixed}})
        variants.emplace_back(std::string(o.name) + " " + name, LayoutOf(o, encoding));
    RadianceLayout layout;
    layout.signature = false;
    layout.linesBefore = "pfilt -x /2 -y /2 big.hdr\n";
    variants.emplace_back("no signature", layout);
    layout = {};
    layout.linesBefore = "# converted by an old tool\n";
    variants.emplace_back("lines before signature", layout);
    layout = LayoutOf(Orientations[7], ScanlineEncoding::OldRunLength);
    layout.extraHeader = "EXPOSURE=2.5\nCOLORCORR=0.5 1 2\n";
    variants.emplace_back("exposure and colour correction", layout);
    layout = {};
    layout.extraHeader = "EXPOSURE=2.5\nCOLORCORR=0.5 1 2\n";
    variants.emplace_back("standard with exposure", layout);

    for (const auto& [name, layout] : variants) {
      const std::string path = dir + "variant.hdr";
      WriteFileBytes(path, RadianceBytes(pic, layout));
      std::string failure;
      Bitmap image(LoadInputImage(path, &failure));
      ASSERT_NE(image, nullptr) << name << " " << w << "x" << h << ": " << failure;
      EXPECT_TRUE(SamePixels(image.get(), standard.get())) << name << " " << w << "x" << h;
    }
  }
}

TEST(RadianceReader, XyzeRoundTripsInEveryOrientation) {
  const std::string dir = ScratchFolder("xyze");
  FloatPicture pic = TestPicture(40, 12);
  for (const Orientation& o : Orientations) {
    RadianceLayout layout = LayoutOf(o, ScanlineEncoding::RunLength);
    layout.xyze = true;
    WriteFileBytes(dir + "pic.hdr", RadianceBytes(pic, layout));
    Bitmap image(LoadInputImage(dir + "pic.hdr"));
    ASSERT_NE(image, nullptr) << o.name;
    for (int y = 0; y < pic.height; ++y)
      for (int x = 0; x < pic.width; ++x) {
        const float* want = pic.At(x, y);
        const float* got = PixelAt(image.get(), x, y);
        const float scale = std::max({want[0], want[1], want[2]});
        for (int k = 0; k < 3; ++k)
          ASSERT_NEAR(got[k], want[k], 0.05f * scale) << o.name << " " << x << "," << y;
      }
  }
}

// XYZ to RGB, derived here from the primaries' chromaticities and the
// equal-energy white, not copied from the reader.
TEST(RadianceReader, XyzeUsesTheStandardPrimaries) {
  const double xy[3][2] = {{0.640, 0.330}, {0.290, 0.600}, {0.150, 0.060}};
  double m[3][3];  // columns: XYZ of each primary at unit luminance
  for (int i = 0; i < 3; ++i) {
    m[0][i] = xy[i][0] / xy[i][1];
    m[1][i] = 1.0;
    m[2][i] = (1 - xy[i][0] - xy[i][1]) / xy[i][1];
  }
  auto solve = [](const double a[3][3], const double b[3], double out[3]) {  // Cramer's rule
    auto det = [](const double c[3][3]) {
      return c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
             c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
             c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0]);
    };
    const double d = det(a);
    for (int col = 0; col < 3; ++col) {
      double t[3][3];
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t[r][c] = c == col ? b[r] : a[r][c];
      out[col] = det(t) / d;
    }
  };
  const double white[3] = {1, 1, 1};
  double scale[3];
  solve(m, white, scale);
  double rgbToXyz[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) rgbToXyz[r][c] = m[r][c] * scale[c];

  const unsigned char pixels[][4] = {{128, 128, 128, 129}, {110, 100, 80, 129}, {90, 120, 60, 130}};
  std::string bytes = "#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 1 +X 4\n";
  for (const auto& p : pixels) bytes.append(reinterpret_cast<const char*>(p), 4);
  bytes += std::string{0, char(128), 0, char(129)};  // pure Y: outside the RGB gamut
  std::string error;
  Bitmap image(Decode(bytes, error));
  ASSERT_NE(image, nullptr) << error;
  for (int n = 0; n < 3; ++n) {
    double xyz[3], rgb[3];
    for (int k = 0; k < 3; ++k) xyz[k] = std::ldexp(pixels[n][k], pixels[n][3] - 136);
    solve(rgbToXyz, xyz, rgb);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(PixelAt(image.get(), n, 0)[k], rgb[k], 1e-5) << n;
  }
  // XYZ (1, 1, 1) is the white point.
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(PixelAt(image.get(), 0, 0)[k], 1.0, 1e-6);
  // Negative components are clipped to black.
  EXPECT_EQ(PixelAt(image.get(), 3, 0)[0], 0.0f);
  EXPECT_GT(PixelAt(image.get(), 3, 0)[1], 1.0f);
  EXPECT_EQ(PixelAt(image.get(), 3, 0)[2], 0.0f);
}

TEST(RadianceReader, HeaderAloneGivesLayoutSizeAndFormat) {
  const std::string bytes = "#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n+X 640 -Y 480\nabcd";
  RadianceHeader header;
  std::string error;
  ASSERT_TRUE(ReadRadianceHeader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                 header, error))
      << error;
  EXPECT_EQ(header.width, 640);
  EXPECT_EQ(header.height, 480);
  EXPECT_FALSE(header.scanlinesAreRows);
  EXPECT_TRUE(header.topFirst);
  EXPECT_TRUE(header.leftFirst);
  EXPECT_FALSE(header.IsStandard());
  EXPECT_EQ(header.format, RadiancePixelFormat::Xyze);
  EXPECT_EQ(header.dataOffset, bytes.size() - 4);
  EXPECT_EQ(header.dataBytes, 4u);
  EXPECT_EQ(header.ScanlineLength(), 480);
  // Old-style runs can hold a 480-pixel scanline in 3 pixels, 12 bytes.
  EXPECT_EQ(RadianceMinimumDataBytes(header), 640u * 12);

  // The largest size the line may state: no overflow, 5 pixels a scanline.
  const std::string path = ScratchFolder("header") + "huge.hdr";
  WriteFileBytes(path, "#?RADIANCE\n\n-Y 2147483647 +X 2147483647\n");
  ASSERT_TRUE(ReadRadianceHeader(path, header, error)) << error;
  EXPECT_TRUE(header.IsStandard());
  EXPECT_EQ(RadianceMinimumDataBytes(header), 2147483647ull * 20);
}

TEST(RadianceReader, BrokenFilesFailWithAReason) {
  const std::string head = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n";
  const std::string pixel("\x80\x40\x20\x81", 4), repeat2("\x01\x01\x01\x02", 4);
  const std::string rle = RadianceBytes(TestPicture(300, 20));
  RadianceLayout oldRle;
  oldRle.encoding = ScanlineEncoding::OldRunLength;
  const std::string old = RadianceBytes(TestPicture(300, 20), oldRle);
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
    bool loaderFails;  // false where the library reads the file its own way
  } cases[] = {
      {"empty file", "", "not a Radiance picture", true},
      {"png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(64, '\0'),
       "not a Radiance picture", true},
      // Text that looks like a header of command lines up to its data.
      {"text with words after its data", "hello\n\n-Y 1 +X 1\n" + pixel + "world\n",
       "not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data does not decode: "
       "6 bytes after the last scanline)",
       true},
      {"text ending in a resolution line", "ls -l\ntotal 0\n\n-Y 4 +X 6\n",
       "not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data does not decode: "
       "header states 6 x 4 pixels but only 0 bytes follow)",
       true},
      {"text with a bad run", "notes\n\n-Y 1 +X 3\n" + repeat2 + pixel + pixel,
       "not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data does not decode: "
       "bad run in old-style scanline (scanline 1 of 1))",
       true},
      {"text cut short", "notes\n\n-Y 2 +X 3\n" + std::string(23, 'a'),
       "not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data does not decode: "
       "pixel data ends early (scanline 2 of 2))",
       true},
      {"text paragraphs", "Dear reader,\n\nthis is a letter.\n" + std::string(40, 'x'),
       "not a Radiance picture (no #?RADIANCE or FORMAT= line)", true},
      {"text with a zero size", "notes\n\n-Y 0 +X 3\n" + pixel,
       "not a Radiance picture (no #?RADIANCE or FORMAT= line)", true},
      {"empty header before a resolution line", "\n-Y 1 +X 1\n" + pixel,
       "not a Radiance picture (no #?RADIANCE or FORMAT= line)", true},
      {"control character first", "\x1b[0m\n\n-Y 1 +X 1\n" + pixel,
       "not a Radiance picture (no #?RADIANCE or FORMAT= line)", true},
      {"no end of header", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n", "no end of header", true},
      {"same axis twice", head + "-Y 2 +Y 2\n" + pixel, "bad resolution line", true},
      {"missing number", head + "-Y 2 +X\n" + pixel, "bad resolution line", true},
      {"unknown axis", head + "-Z 2 +X 2\n" + pixel, "bad resolution line", true},
      {"words for numbers", head + "-Y two +X 2\n" + pixel, "bad resolution line", true},
      {"overflowing number", head + "-Y 99999999999 +X 1\n" + pixel, "bad resolution line", true},
      {"trailing words", head + "-Y 1 +X 1 big\n" + pixel, "bad resolution line", false},
      {"zero height", head + "-Y 0 +X 5\n" + pixel, "no pixels", true},
      {"zero width", head + "+X 0 +Y 5\n" + pixel, "no pixels", true},
      {"huge size", head + "-Y 2147483647 +X 2147483647\n" + std::string(100, '\x01'),
       "bytes follow", true},
      {"huge transposed", head + "+X 2147483647 -Y 2147483647\n" + pixel, "bytes follow", true},
      {"spectral components", "#?RADIANCE\nNCOMP=8\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n" + pixel,
       "spectral", false},
      {"spectral format", "#?RADIANCE\nFORMAT=Radiance_spectra\n\n-Y 1 +X 1\n" + pixel,
       "unsupported pixel format", true},
      {"other format", "#?RADIANCE\nFORMAT=ascii\n\n-Y 1 +X 1\n" + pixel,
       "unsupported pixel format", true},
      {"truncated flat", head + "-Y 2 +X 3\n" + std::string(20, '\x40'), "ends early", true},
      {"truncated run-length", rle.substr(0, rle.size() * 3 / 5), "ends early", true},
      {"truncated old run-length", old.substr(0, old.size() * 3 / 5), "ends early", true},
      {"repeat without a pixel", head + "-Y 1 +X 3\n" + repeat2 + pixel, "bad run", true},
      {"repeat past the scanline", head + "-Y 1 +X 3\n" + pixel + "\x01\x01\x01\x05", "bad run",
       true},
      {"run past the scanline",
       head + "-Y 1 +X 8\n" + std::string("\x02\x02\x00\x08\x89\x10", 6) + std::string(10, '\x01'),
       "run longer than the scanline", true},
      {"scanline length mismatch",
       head + "-Y 1 +X 8\n" + std::string("\x02\x02\x00\x09\x88\x10", 6) + std::string(10, '\x01'),
       "does not match", true},
  };
  const std::string path = ScratchFolder("broken") + "broken.hdr";
  for (const Case& c : cases) {
    std::string error;
    Bitmap image(Decode(c.bytes, error));
    EXPECT_EQ(image, nullptr) << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    if (!c.loaderFails) continue;
    WriteFileBytes(path, c.bytes);
    std::string failure;
    Bitmap loaded(LoadInputImage(path, &failure));
    EXPECT_EQ(loaded, nullptr) << c.name;
    EXPECT_NE(failure.find(c.reason), std::string::npos) << c.name << ": " << failure;
  }
}

namespace {

// Bytes of pic as written before the signature and the format line existed:
// the command lines that made it, a blank line, the resolution line, RGBE.
std::string HeaderlessBytes(const FloatPicture& pic, RadianceLayout layout,
                            const std::string& commandLines) {
  layout.signature = false;
  std::string bytes = RadianceBytes(pic, layout);
  const std::string format = "FORMAT=32-bit_rle_rgbe\n";
  const std::size_t at = bytes.find(format);
  EXPECT_EQ(at, layout.extraHeader.size());
  return commandLines + bytes.erase(at, format.size());
}

}  // namespace

// Headers of command lines only decode to exactly the pixels the library
// gives for the standard file, in every encoding and with any header lines.
TEST(RadianceReader, HeaderlessPicturesDecodeLikeTheStandardFile) {
  const std::string dir = ScratchFolder("headerless");
  const std::string pfilt = "pfilt -x 8 -y 8 -e 2 big.pic\n";
  const std::string pipeline =
      "oconv sky.rad room.rad\nrpict -vf view.vf -x 64 -y 64 -ab 1 room.oct\n" + pfilt;
  RadianceLayout exposure;
  exposure.extraHeader = "EXPOSURE=2.5\n";
  RadianceLayout oldRle;
  oldRle.encoding = ScanlineEncoding::OldRunLength;
  RadianceLayout flat;
  flat.encoding = ScanlineEncoding::Flat;
  RadianceLayout mixed;
  mixed.encoding = ScanlineEncoding::Mixed;
  RadianceLayout columns = LayoutOf(Orientations[5], ScanlineEncoding::OldRunLength);
  struct Case {
    const char* name;
    int width, height;
    RadianceLayout layout;
    std::string commandLines;
  } cases[] = {
      {"6x4 flat", 6, 4, flat, pfilt},
      {"6x4 old run-length", 6, 4, oldRle, pfilt},
      {"6x4 with exposure", 6, 4, exposure, pfilt},
      {"6x4 whole pipeline, CR LF", 6, 4, flat, "oconv sky.rad\r\nrpict -x 6 -y 4 sky.oct\r\n"},
      {"40x3 run-length", 40, 3, {}, pipeline},
      {"40x3 mixed", 40, 3, mixed, pipeline},
      {"300x5 old run-length", 300, 5, oldRle, pipeline},
      {"6x4 in columns from the bottom", 6, 4, columns, pfilt},
  };
  for (const Case& c : cases) {
    const FloatPicture pic = TestPicture(c.width, c.height);
    WriteRadianceFile(dir + "standard.hdr", pic);
    Bitmap standard(FreeImage_Load(FIF_HDR, (dir + "standard.hdr").c_str(), 0));
    ASSERT_NE(standard, nullptr);

    const std::string bytes = HeaderlessBytes(pic, c.layout, c.commandLines);
    ASSERT_EQ(bytes.compare(0, c.commandLines.size(), c.commandLines), 0) << c.name;
    ASSERT_EQ(bytes.find("#?"), std::string::npos) << c.name;
    ASSERT_EQ(bytes.find("FORMAT="), std::string::npos) << c.name;
    const std::string path = dir + "old.hdr";
    WriteFileBytes(path, bytes);
    // The library refuses such a file; the loader must not.
    Bitmap direct(FreeImage_Load(FIF_HDR, path.c_str(), 0));
    EXPECT_EQ(direct, nullptr) << c.name;

    RadianceHeader header;
    std::string error;
    ASSERT_TRUE(ReadRadianceHeader(path, header, error)) << c.name << ": " << error;
    EXPECT_TRUE(header.headerless) << c.name;
    EXPECT_EQ(header.format, RadiancePixelFormat::Rgbe) << c.name;
    EXPECT_EQ(header.width, c.width) << c.name;
    EXPECT_EQ(header.height, c.height) << c.name;

    std::string failure;
    Bitmap loaded(LoadInputImage(path, &failure));
    ASSERT_NE(loaded, nullptr) << c.name << ": " << failure;
    EXPECT_EQ(FreeImage_GetImageType(loaded.get()), FIT_RGBF) << c.name;
    EXPECT_TRUE(SamePixels(loaded.get(), standard.get())) << c.name;
    // The corners are where the picture has them (exposure changes nothing).
    EXPECT_EQ(PixelAt(loaded.get(), 0, 0)[0], 1.0f) << c.name;
    EXPECT_EQ(PixelAt(loaded.get(), c.width - 1, c.height - 1)[2], 4.0f) << c.name;
  }

  // A file with a signature or a format line is no headerless file.
  for (const std::string& bytes :
       {RadianceBytes(TestPicture(6, 4)), std::string("FORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\nabcd"),
        std::string("pfilt x\n#?RADIANCE\n\n-Y 1 +X 1\nabcd")}) {
    RadianceHeader header;
    std::string error;
    ASSERT_TRUE(ReadRadianceHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                                   bytes.size(), header, error))
        << error;
    EXPECT_FALSE(header.headerless);
  }
}

// Only the header is read, yet a look-alike whose stated size cannot fit in
// what follows is not taken for a picture (nor weighed for memory).
TEST(RadianceReader, HeaderlessHeaderNeedsRoomForItsPixels) {
  struct Case {
    const char* name;
    std::string bytes;
    bool picture;
  } cases[] = {
      // Two 3-pixel scanlines take at least 2 x 8 bytes (a pixel and a repeat).
      {"room for the shortest runs", "pfilt\n\n-Y 2 +X 3\n" + std::string(16, 'a'), true},
      {"one byte less", "pfilt\n\n-Y 2 +X 3\n" + std::string(15, 'a'), false},
      {"huge claim", "notes\n\n-Y 30000 +X 30000\n" + std::string(1000, 'a'), false},
      {"largest claim", "notes\n\n-Y 2147483647 +X 2147483647\n" + std::string(4000, 'a'), false},
  };
  for (const Case& c : cases) {
    RadianceHeader header;
    std::string error;
    EXPECT_EQ(ReadRadianceHeader(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                 c.bytes.size(), header, error),
              c.picture)
        << c.name;
    if (c.picture) continue;
    EXPECT_NE(error.find("not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data "
                         "does not decode: header states"),
              std::string::npos)
        << c.name << ": " << error;
  }
}

// Files the library reads correctly load exactly as before, and the own
// reader agrees with the library on them.
TEST(RadianceReader, LibraryReadableFilesLoadBitIdentically) {
  int compared = 0;
  for (const char* folder : {"/samples", "/tests/data"}) {
    const fs::path dir = std::string(SOURCE_DIR) + folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".hdr" && ext != ".hdri")) continue;
      const std::string path = entry.path().string();
      Bitmap direct(FreeImage_Load(FIF_HDR, path.c_str(), 0));
      RadianceHeader header;
      std::string error;
      if (!direct) continue;
      EXPECT_TRUE(ReadRadianceHeader(path, header, error)) << path << ": " << error;
      // The library misplaces the pixels of every other orientation.
      if (!header.IsStandard()) continue;
      Bitmap loaded(LoadInputImage(path));
      EXPECT_TRUE(SamePixels(loaded.get(), direct.get())) << path;
      Bitmap own(DecodeRadianceFile(path, error));
      EXPECT_TRUE(SamePixels(own.get(), direct.get())) << path << ": " << error;
      ++compared;
    }
  }
  EXPECT_GE(compared, 3);  // the samples at least
}

// The whole program turns a file written bottom-up and right to left into
// the same picture as the standard file.
TEST(RadianceReader, ReversedFileConvertsLikeTheStandardOne) {
  const std::string dir = ScratchFolder("reversed");
  fs::create_directories(dir + "out");
  const FloatPicture pic = TestPicture(120, 80);
  WriteRadianceFile(dir + "standard.hdr", pic);
  RadianceLayout layout;
  layout.topFirst = false;
  layout.leftFirst = false;
  WriteFileBytes(dir + "reversed.hdr", RadianceBytes(pic, layout));
  ASSERT_EQ(ReadFileBytes(dir + "reversed.hdr").find("+Y 80 -X 120\n"), 35u);
  for (const char* name : {"standard.hdr", "reversed.hdr"}) {
    ProgramResult r = RunLumivert({"-q", "-i", dir + name, "-o", dir + "out", "-c", "png"});
    EXPECT_EQ(r.exitCode, 0);
  }
  Bitmap a(FreeImage_Load(FIF_PNG, (dir + "out/standard.png").c_str(), 0));
  Bitmap b(FreeImage_Load(FIF_PNG, (dir + "out/reversed.png").c_str(), 0));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(a.get()), 120u);
  EXPECT_EQ(FreeImage_GetHeight(a.get()), 80u);
  EXPECT_TRUE(SamePixels(a.get(), b.get()));
}

// The whole program converts a headerless picture like the standard file and
// refuses a look-alike text with its reason.
TEST(RadianceReader, HeaderlessFileConvertsLikeTheStandardOne) {
  const std::string dir = ScratchFolder("headerless-run");
  fs::create_directories(dir + "in");
  fs::create_directories(dir + "out");
  fs::create_directories(dir + "ref");
  const FloatPicture pic = TestPicture(6, 4);
  WriteRadianceFile(dir + "ref/standard.hdr", pic);
  RadianceLayout layout;
  layout.encoding = ScanlineEncoding::Mixed;  // flat and old-style runs at width 6
  layout.extraHeader = "EXPOSURE=2\n";
  WriteFileBytes(dir + "in/old.hdr", HeaderlessBytes(pic, layout, "pfilt -x 6 -y 4 big.pic\n"));
  WriteFileBytes(dir + "in/notes.hdr", "cd /home/me\nls\n\n-Y 4 +X 6\n");

  ProgramResult ref =
      RunLumivert({"-q", "-i", dir + "ref/standard.hdr", "-o", dir + "ref", "-c", "png"});
  EXPECT_EQ(ref.exitCode, 0);
  const std::string runtime = ScratchFolder("headerless-lock");
  const ProgramResult r = RunShellCommand(
      "cd " + ShellQuote(runtime) + " && XDG_RUNTIME_DIR=" + ShellQuote(runtime) +
      " XDG_CONFIG_HOME=" + ShellQuote(runtime + "config") + " " + ShellQuote(LUMIVERT_EXE) +
      " -i " + ShellQuote(dir + "in") + " -o " + ShellQuote(dir + "out") + " -c png </dev/null 2>" +
      ShellQuote(runtime + "err"));
  EXPECT_NE(r.out.find("Files converted: 1 of 2\r\n"), std::string::npos) << r.out;
  EXPECT_EQ(
      ReadFileBytes(runtime + "err"),
      "Not converted: " + dir +
          "in/notes.hdr: unreadable or not Radiance: "
          "not a Radiance picture (no #?RADIANCE or FORMAT= line, and its data does not decode: "
          "header states 6 x 4 pixels but only 0 bytes follow)\r\n");
  EXPECT_EQ(FolderEntries(dir + "out"), std::set<std::string>{"old.png"});

  Bitmap a(FreeImage_Load(FIF_PNG, (dir + "ref/standard.png").c_str(), 0));
  Bitmap b(FreeImage_Load(FIF_PNG, (dir + "out/old.png").c_str(), 0));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(FreeImage_GetWidth(b.get()), 6u);
  EXPECT_EQ(FreeImage_GetHeight(b.get()), 4u);
  // A 96-bit source gives 48-bit png at the automatic depth.
  ASSERT_EQ(FreeImage_GetImageType(b.get()), FIT_RGB16);
  EXPECT_TRUE(SamePixels(a.get(), b.get()));
  // The red corner stays top left and the blue one bottom left.
  const auto* topLeft = reinterpret_cast<const FIRGB16*>(FreeImage_GetScanLine(b.get(), 3));
  const auto* bottomLeft = reinterpret_cast<const FIRGB16*>(FreeImage_GetScanLine(b.get(), 0));
  EXPECT_GT(topLeft->red, topLeft->green);
  EXPECT_GT(topLeft->red, topLeft->blue);
  EXPECT_GT(bottomLeft->blue, bottomLeft->red);
  EXPECT_GT(bottomLeft->blue, bottomLeft->green);
}
