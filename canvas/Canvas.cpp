#include "canvas/Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <new>

#include "canvas/CanvasMask.h"

namespace {

// Straight-alpha source-over of colour (alpha already scaled) onto *dst.
void BlendPixel(std::uint32_t& dst, unsigned r, unsigned g, unsigned b, unsigned sa) {
  if (sa == 0) return;
  if (sa >= 255) {
    dst = PackRGBA(r, g, b, 255);
    return;
  }
  const unsigned da = AlphaOf(dst);
  // Weights scaled by 255 * 255 keep everything in integers.
  const unsigned ws = sa * 255u;
  const unsigned wd = da * (255u - sa);
  const unsigned den = ws + wd;
  auto mix = [&](unsigned s, unsigned d) { return (s * ws + d * wd + den / 2) / den; };
  dst = PackRGBA(mix(r, RedOf(dst)), mix(g, GreenOf(dst)), mix(b, BlueOf(dst)), (den + 127) / 255);
}

unsigned ScaleAlpha(unsigned alpha, unsigned factor) { return (alpha * factor + 127) / 255; }

unsigned ClampOpacity(int opacity) { return static_cast<unsigned>(std::clamp(opacity, 0, 255)); }

// Reads the integers of path text, where a run of signs before a number
// multiplies out ("--5" is 5).
class PathReader {
 public:
  explicit PathReader(const std::string& text) : text_(text) {}
  bool Command(char& c) {
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    c = text_[pos_++];
    return true;
  }
  bool Number(double& value) {
    SkipBlanks();
    bool negative = false;
    while (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
      if (text_[pos_] == '-') negative = !negative;
      ++pos_;
      SkipBlanks();
    }
    if (pos_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[pos_])))
      return false;
    double v = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
      v = v * 10 + (text_[pos_++] - '0');
    value = negative ? -v : v;
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (std::isspace(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == ','))
      ++pos_;
  }
  const std::string& text_;
  size_t pos_ = 0;
};

bool TracePath(cairo_t* cr, const std::string& path) {
  PathReader reader(path);
  char c;
  bool open = false;
  while (reader.Command(c)) {
    double a, b;
    switch (c) {
      case 'M':
      case 'm':
        if (!reader.Number(a) || !reader.Number(b)) return false;
        if (c == 'M' || !open)
          cairo_move_to(cr, a, b);
        else
          cairo_rel_move_to(cr, a, b);
        open = true;
        break;
      case 'l':
      case 'L':
        if (!open || !reader.Number(a) || !reader.Number(b)) return false;
        if (c == 'l')
          cairo_rel_line_to(cr, a, b);
        else
          cairo_line_to(cr, a, b);
        break;
      case 'Z':
      case 'z':
        if (open) cairo_close_path(cr);
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

void BlendMask(CanvasImage& image, const CoverageMask& mask, std::uint32_t color) {
  const unsigned ca = AlphaOf(color);
  for (int y = std::max(0, mask.y0); y < std::min(image.height, mask.y1); ++y)
    for (int x = std::max(0, mask.x0); x < std::min(image.width, mask.x1); ++x) {
      const unsigned c = mask.At(x, y);
      if (c)
        BlendPixel(image.At(x, y), RedOf(color), GreenOf(color), BlueOf(color), ScaleAlpha(ca, c));
    }
}

bool CoverageMask::Create(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return false;
  context_ = cairo_create(surface_);
  x0 = y0 = 0;
  x1 = width;
  y1 = height;
  return cairo_status(context_) == CAIRO_STATUS_SUCCESS;
}

CoverageMask::~CoverageMask() {
  if (context_) cairo_destroy(context_);
  if (surface_) cairo_surface_destroy(surface_);
}

unsigned CoverageMask::At(int x, int y) const {
  // cairo_surface_flush is done by Finish(); the data pointer stays valid.
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  return data[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x)];
}

void CoverageMask::Fill() {
  double ex0, ey0, ex1, ey1;
  cairo_fill_extents(context_, &ex0, &ey0, &ex1, &ey1);
  // One pixel of margin keeps every anti-aliased edge pixel inside.
  x0 = std::max(x0, static_cast<int>(std::floor(ex0)) - 1);
  y0 = std::max(y0, static_cast<int>(std::floor(ey0)) - 1);
  x1 = std::min(x1, static_cast<int>(std::ceil(ex1)) + 1);
  y1 = std::min(y1, static_cast<int>(std::ceil(ey1)) + 1);
  if (x1 < x0) x1 = x0;
  if (y1 < y0) y1 = y0;
  cairo_fill(context_);
}

void CoverageMask::Finish() { cairo_surface_flush(surface_); }

bool CreateCanvasImage(CanvasImage& image, int width, int height, std::uint32_t fill) {
  image = CanvasImage();
  if (width <= 0 || height <= 0) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (count / static_cast<size_t>(width) != static_cast<size_t>(height) ||
      count > std::numeric_limits<int>::max() / 4)
    return false;
  try {
    image.pixels.assign(count, fill);
  } catch (const std::bad_alloc&) {
    image.pixels.clear();
    return false;
  }
  image.width = width;
  image.height = height;
  return true;
}

bool ResizeBlankImage(CanvasImage& image, int width, int height) {
  return CreateCanvasImage(image, width, height, 0);
}

bool LoadCanvasImage(const std::string& path, CanvasImage& image, int& bitsPerPixel) {
  image = CanvasImage();
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.c_str(), 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path.c_str());
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) return false;
  FIBITMAP* loaded = FreeImage_Load(fif, path.c_str(), 0);
  if (!loaded) return false;
  bool alpha = FreeImage_IsTransparent(loaded) != FALSE;
  FIBITMAP* rgba = FreeImage_ConvertTo32Bits(loaded);
  FreeImage_Unload(loaded);
  if (!rgba) return false;
  const int w = static_cast<int>(FreeImage_GetWidth(rgba));
  const int h = static_cast<int>(FreeImage_GetHeight(rgba));
  if (!CreateCanvasImage(image, w, h, 0)) {
    FreeImage_Unload(rgba);
    return false;
  }
  bool anyAlpha = false;
  for (int y = 0; y < h; ++y) {
    const BYTE* row = FreeImage_GetScanLine(rgba, h - 1 - y);
    for (int x = 0; x < w; ++x, row += 4) {
      image.At(x, y) = PackRGBA(row[FI_RGBA_RED], row[FI_RGBA_GREEN], row[FI_RGBA_BLUE],
                                alpha ? row[FI_RGBA_ALPHA] : 255u);
      anyAlpha = anyAlpha || row[FI_RGBA_ALPHA] != 0;
    }
  }
  FreeImage_Unload(rgba);
  // A 32-bit Windows bitmap whose fourth byte is all zero stores no
  // transparency (the byte is padding); showing it invisible would lose it.
  if (alpha && !anyAlpha && fif == FIF_BMP) {
    alpha = false;
    for (std::uint32_t& p : image.pixels) p |= 0xFF000000u;
  }
  bitsPerPixel = alpha ? 32 : 24;
  return true;
}

void FloodFill(CanvasImage& image, int x, int y, std::uint32_t color) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  const std::uint32_t old = image.At(x, y);
  if (old == color) return;
  std::vector<std::pair<int, int>> stack{{x, y}};
  while (!stack.empty()) {
    auto [sx, sy] = stack.back();
    stack.pop_back();
    if (image.At(sx, sy) != old) continue;
    int left = sx, right = sx;
    while (left > 0 && image.At(left - 1, sy) == old) --left;
    while (right + 1 < image.width && image.At(right + 1, sy) == old) ++right;
    for (int i = left; i <= right; ++i) {
      image.At(i, sy) = color;
      if (sy > 0 && image.At(i, sy - 1) == old) stack.emplace_back(i, sy - 1);
      if (sy + 1 < image.height && image.At(i, sy + 1) == old) stack.emplace_back(i, sy + 1);
    }
  }
}

bool FillSurface(CanvasImage& image, std::uint32_t color) {
  return FillBox(image, 0, 0, image.width, image.height, color);
}

bool FillBox(CanvasImage& image, int x, int y, int width, int height, std::uint32_t color) {
  CoverageMask mask;
  if (!mask.Create(image.width, image.height)) return false;
  // A box with no positive extent covers nothing (Cairo would flip it).
  if (width <= 0 || height <= 0) return true;
  cairo_rectangle(mask.Context(), x, y, width, height);
  mask.Fill();
  mask.Finish();
  BlendMask(image, mask, color);
  return true;
}

bool FillPath(CanvasImage& image, const std::string& path, std::uint32_t color) {
  CoverageMask mask;
  if (!mask.Create(image.width, image.height)) return false;
  if (!TracePath(mask.Context(), path)) return false;
  cairo_set_fill_rule(mask.Context(), CAIRO_FILL_RULE_WINDING);
  mask.Fill();
  mask.Finish();
  BlendMask(image, mask, color);
  return true;
}

void DrawImage(CanvasImage& target, const CanvasImage& source, int opacity) {
  const unsigned k = ClampOpacity(opacity);
  const int w = std::min(target.width, source.width);
  const int h = std::min(target.height, source.height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t s = source.At(x, y);
      BlendPixel(target.At(x, y), RedOf(s), GreenOf(s), BlueOf(s), ScaleAlpha(AlphaOf(s), k));
    }
}

void CopyImage(CanvasImage& target, const CanvasImage& source, int opacity, PixelFilter filter) {
  const unsigned k = ClampOpacity(opacity);
  const int w = std::min(target.width, source.width);
  const int h = std::min(target.height, source.height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t s = source.At(x, y);
      if (filter) s = filter(x, y, s, target.At(x, y));
      target.At(x, y) = (s & 0x00FFFFFFu) | ScaleAlpha(AlphaOf(s), k) << 24;
    }
}

FIBITMAP* CanvasToBitmap(const CanvasImage& image) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  FIBITMAP* dib = FreeImage_Allocate(image.width, image.height, 32, FI_RGBA_RED_MASK,
                                     FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
  if (!dib) return nullptr;
  for (int y = 0; y < image.height; ++y) {
    BYTE* row = FreeImage_GetScanLine(dib, image.height - 1 - y);
    for (int x = 0; x < image.width; ++x, row += 4) {
      const std::uint32_t p = image.At(x, y);
      row[FI_RGBA_RED] = static_cast<BYTE>(RedOf(p));
      row[FI_RGBA_GREEN] = static_cast<BYTE>(GreenOf(p));
      row[FI_RGBA_BLUE] = static_cast<BYTE>(BlueOf(p));
      row[FI_RGBA_ALPHA] = static_cast<BYTE>(AlphaOf(p));
    }
  }
  return dib;
}
