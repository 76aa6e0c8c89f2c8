// A plane of floats, row by row without padding, for the tone mapper's
// intermediate pictures.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

struct FloatPlane {
  unsigned width = 0, height = 0;
  std::unique_ptr<float[]> cells;

  // Uninitialised cells: every user writes all it reads. False when memory
  // runs out.
  bool Allocate(unsigned w, unsigned h) {
    cells.reset(new (std::nothrow) float[static_cast<size_t>(w) * h]);
    width = cells ? w : 0;
    height = cells ? h : 0;
    return cells != nullptr;
  }
  void Release() {
    cells.reset();
    width = height = 0;
  }
  explicit operator bool() const { return cells != nullptr; }
  float* Row(unsigned y) { return cells.get() + static_cast<size_t>(y) * width; }
  const float* Row(unsigned y) const { return cells.get() + static_cast<size_t>(y) * width; }
};
