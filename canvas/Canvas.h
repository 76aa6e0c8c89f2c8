// The drawing canvas behind the frame and watermark layers: 32-bit images with
// straight (not premultiplied) alpha, solid and anti-aliased shape filling
// through Cairo, text through Pango, and the hand-over to FreeImage.
//
// Colours are packed RGBA values: red in the low byte, alpha in the top byte.
// Coordinates are pixels from the top-left corner, y downwards.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CanvasImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // row-major, top row first

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  std::uint32_t& At(int x, int y) {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};

constexpr std::uint32_t PackRGBA(unsigned r, unsigned g, unsigned b, unsigned a) {
  return (r & 255u) | (g & 255u) << 8 | (b & 255u) << 16 | (a & 255u) << 24;
}
constexpr unsigned RedOf(std::uint32_t c) { return c & 255u; }
constexpr unsigned GreenOf(std::uint32_t c) { return c >> 8 & 255u; }
constexpr unsigned BlueOf(std::uint32_t c) { return c >> 16 & 255u; }
constexpr unsigned AlphaOf(std::uint32_t c) { return c >> 24; }

// A width x height image with every pixel equal to fill; false (and the image
// left empty) for a size that is not positive or too large to allocate.
bool CreateCanvasImage(CanvasImage& image, int width, int height, std::uint32_t fill);
// Gives the image a new size, uniformly transparent; false as CreateCanvasImage.
bool ResizeBlankImage(CanvasImage& image, int width, int height);

// Decodes a picture file (PNG, Windows bitmap, JPEG and whatever else FreeImage
// reads as an ordinary picture). bitsPerPixel is 32 when the file carries
// transparency, 24 otherwise.
bool LoadCanvasImage(const std::string& path, CanvasImage& image, int& bitsPerPixel);

// A font chosen by face name (or font file path), size and style.
struct CanvasFontData;
struct CanvasFont {
  std::shared_ptr<CanvasFontData> data;
  std::string family;  // the family fontconfig resolved the face to
  bool Loaded() const { return data != nullptr; }
};

// Loads face at points (1/72 inch at 96 dpi). The face may be a family name,
// which must resolve to that family or to a metric-compatible alias declared by
// fontconfig, or the path of a font file.
bool LoadCanvasFont(CanvasFont& font, const std::string& face, int points, bool bold, bool italic,
                    bool underline, bool strikeout);

// Width and height in pixels of one line as crisp drawing covers it.
bool MeasureText(const CanvasFont& font, const std::string& text, int& width, int& height);
// Width of one line drawn anti-aliased, as a real number of pixels.
double VectorTextWidth(const CanvasFont& font, const std::string& text);

// Crisp drawing: each written pixel takes the given RGBA value exactly, alpha
// included, without blending.
void FloodFill(CanvasImage& image, int x, int y, std::uint32_t color);
// The line's cell (its measured box) in back, its glyphs in front, top-left at (x, y).
bool DrawCrispText(CanvasImage& image, const CanvasFont& font, int x, int y,
                   const std::string& text, std::uint32_t front, std::uint32_t back);

// Vector drawing: anti-aliased coverage of a solid colour, blended source-over.
bool FillSurface(CanvasImage& image, std::uint32_t color);
bool FillBox(CanvasImage& image, int x, int y, int width, int height, std::uint32_t color);
// A closed polygon as path text: "M x y" moves, "l dx dy" draws a relative
// line, "Z" closes; numbers are integers.
bool FillPath(CanvasImage& image, const std::string& path, std::uint32_t color);
// Anti-aliased glyphs with the line's top-left corner at (x, y).
bool DrawVectorText(CanvasImage& image, const CanvasFont& font, int x, int y,
                    const std::string& text, std::uint32_t color);

// Source-over blending of source onto target at (0, 0), with the source's
// alpha multiplied by opacity / 255.
void DrawImage(CanvasImage& target, const CanvasImage& source, int opacity);

// Replaces a source pixel on its way to the target at (x, y).
using PixelFilter = std::uint32_t (*)(int x, int y, std::uint32_t source, std::uint32_t target);
// All-channel drawing of source onto target at (0, 0): each covered target
// pixel becomes the (filtered) source pixel with its alpha multiplied by
// opacity / 255, unblended.
void CopyImage(CanvasImage& target, const CanvasImage& source, int opacity,
               PixelFilter filter = nullptr);

// The image as a 32-bit RGBA FreeImage bitmap with the same pixels, or none.
FIBITMAP* CanvasToBitmap(const CanvasImage& image);
