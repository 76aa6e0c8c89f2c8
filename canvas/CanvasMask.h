// Coverage of a shape or of glyphs, rendered by Cairo into an 8-bit mask the
// size of the target image, so that colours can be laid down in straight alpha
// without passing through Cairo's premultiplied pixels.
#pragma once

#include <cairo.h>

#include <cstdint>

struct CanvasImage;

class CoverageMask {
 public:
  CoverageMask() = default;
  ~CoverageMask();
  CoverageMask(const CoverageMask&) = delete;
  CoverageMask& operator=(const CoverageMask&) = delete;

  bool Create(int width, int height);
  cairo_t* Context() const { return context_; }
  // Fills the current path, narrowing the covered region to its extents.
  void Fill();
  // Call after drawing, before reading.
  void Finish();
  // The region that may hold coverage: columns x0..x1-1, rows y0..y1-1.
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  // 0 (uncovered) to 255 (fully covered).
  unsigned At(int x, int y) const;

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* context_ = nullptr;
};

// Blends a solid colour source-over into image as far as the mask covers it.
void BlendMask(CanvasImage& image, const CoverageMask& mask, std::uint32_t color);
