#include "stages/FattalToneMapper.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "stages/FloatPlane.h"
#include "stages/PoissonSolver.h"

// Identity with the library rests on doing every float operation it does, in
// its order and precision: float arithmetic where it uses float (logf, expf,
// powf, sqrtf), double where its resampler uses double, no contraction into
// fused multiply-adds (this file is built with -ffp-contract=off) and no
// reassociation. Only loops whose cells do not depend on each other run on
// several threads; sums that depend on their order run in the library's.
// Rows are handled in memory order (FreeImage's bottom-up scan lines), as the
// library does.

namespace {

constexpr unsigned MinimumLevelSide = 32;
constexpr unsigned MaximumSide = 32768;
constexpr float LogOffset = 1e-4F;        // keeps the logarithm of black finite
constexpr float NormalizedFloor = 1e-6F;  // what normalization gives the darkest value
constexpr int SolverCycles = 3;
constexpr const char* MatchedVersion = "3.18.0";

// ---- Pixels of the input ------------------------------------------------

const FIRGBF* InputRow(FIBITMAP* image, unsigned y) {
  return reinterpret_cast<const FIRGBF*>(FreeImage_GetScanLine(image, static_cast<int>(y)));
}

// Rec. 709 luminance, negatives as zero.
inline float Luminance(const FIRGBF& p) {
  const float l = 0.2126F * p.red + 0.7152F * p.green + 0.0722F * p.blue;
  return (l > 0) ? l : 0;
}

// ---- Smallest and largest value -----------------------------------------

// The library's running extremes start at ±1e20 and compare with `<`, so a
// NaN resets the minimum and -0 against +0 depends on the order. Slices are
// combined in order when neither occurs, and folded serially otherwise.
struct Extremes {
  float low = 1e20F, high = -1e20F;
  bool orderMatters = false;

  void Take(float v) {
    high = (high < v) ? v : high;
    low = (low < v) ? low : v;
  }
  void TakeNoting(float v) {
    Take(v);
    if (v != v || (v == 0 && std::signbit(v))) orderMatters = true;
  }
};

template <typename RowValues>
Extremes FindExtremes(unsigned width, unsigned height, RowValues rowAt, ParallelFor& parallel) {
  std::vector<Extremes> parts(parallel.SlicesFor(height));
  parallel.RunSlices(height, [&](unsigned slice, size_t begin, size_t end) {
    Extremes& part = parts[slice];
    for (size_t y = begin; y < end; ++y) {
      const float* row = rowAt(static_cast<unsigned>(y));
      for (unsigned x = 0; x < width; ++x) part.TakeNoting(row[x]);
    }
  });
  Extremes all;
  bool serial = false;
  for (const Extremes& part : parts) serial = serial || part.orderMatters;
  if (serial) {
    for (unsigned y = 0; y < height; ++y) {
      const float* row = rowAt(y);
      for (unsigned x = 0; x < width; ++x) all.Take(row[x]);
    }
  } else {
    for (const Extremes& part : parts) {
      all.high = (all.high < part.high) ? part.high : all.high;
      all.low = (all.low < part.low) ? all.low : part.low;
    }
  }
  return all;
}

// ---- The library's bilinear resampler -------------------------------------

// Source window and normalized weights of each destination position, computed
// in double exactly as the library's weight table is (trailing zero weights
// dropped, leading ones kept).
struct Contributions {
  std::vector<unsigned> first, last;  // [first, last)
  std::vector<size_t> offset;
  std::vector<double> weights;
};

double Tent(double d) {
  d = std::fabs(d);
  return (d < 1.0 ? 1.0 - d : 0.0);
}

Contributions BilinearContributions(unsigned destination, unsigned source) {
  Contributions c;
  const double scale = double(destination) / double(source);
  double width = 1.0, filterScale = 1.0;
  if (scale < 1.0) {
    width = 1.0 / scale;
    filterScale = scale;
  }
  const double offset = 0.5 / scale;
  for (unsigned u = 0; u < destination; ++u) {
    const double centre = static_cast<double>(u) / scale + offset;
    const int t = static_cast<int>(centre - width + 0.5);
    const int left = 0 > t ? 0 : t;
    const int r = static_cast<int>(centre + width + 0.5);
    int right = r < static_cast<int>(source) ? r : static_cast<int>(source);
    const size_t at = c.weights.size();
    double total = 0;
    for (int i = left; i < right; ++i) {
      const double weight =
          filterScale * Tent(filterScale * (static_cast<double>(i) + 0.5 - centre));
      c.weights.push_back(weight);
      total += weight;
    }
    if (total > 0 && total != 1)
      for (size_t i = at; i < c.weights.size(); ++i) c.weights[i] /= total;
    for (int last = right - left - 1; last >= 0 && c.weights[at + last] == 0; --last) {
      --right;
      if (right == left) break;
    }
    c.first.push_back(static_cast<unsigned>(left));
    c.last.push_back(static_cast<unsigned>(right));
    c.offset.push_back(at);
  }
  return c;
}

// One resampled value of a line read with the given stride.
inline float Resampled(const Contributions& c, unsigned position, const float* line,
                       size_t stride) {
  const double* w = c.weights.data() + c.offset[position];
  double value = 0;
  for (unsigned i = c.first[position]; i < c.last[position]; ++i)
    value += (*w++ * static_cast<double>(line[i * stride]));
  return static_cast<float>(value);
}

void ResampleRows(const FloatPlane& source, FloatPlane& destination, ParallelFor& parallel) {
  const Contributions c = BilinearContributions(destination.width, source.width);
  parallel.Run(source.height, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      const float* in = source.Row(static_cast<unsigned>(y));
      float* out = destination.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < destination.width; ++x) out[x] = Resampled(c, x, in, 1);
    }
  });
}

void ResampleColumns(const FloatPlane& source, FloatPlane& destination, ParallelFor& parallel) {
  const Contributions c = BilinearContributions(destination.height, source.height);
  parallel.Run(destination.height, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      float* out = destination.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < destination.width; ++x)
        out[x] = Resampled(c, static_cast<unsigned>(y), source.cells.get() + x, source.width);
    }
  });
}

// ---- Gaussian pyramid ---------------------------------------------------

// 5 × 5 binomial blur with mirrored borders, then halving by the resampler:
// the next coarser pyramid level.
bool BlurAndHalve(const FloatPlane& level, FloatPlane& coarser, ParallelFor& parallel) {
  const unsigned w = level.width, h = level.height;
  FloatPlane across, both;
  if (!across.Allocate(w, h) || !both.Allocate(w, h)) return false;
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      const float* s = level.Row(static_cast<unsigned>(y));
      float* d = across.Row(static_cast<unsigned>(y));
      for (unsigned x = 2; x < w - 2; ++x) {
        d[x] = s[x - 2] + s[x + 2] + 4 * (s[x - 1] + s[x + 1]) + 6 * s[x];
        d[x] /= 16;
      }
      d[0] = (2 * s[2] + 8 * s[1] + 6 * s[0]) / 16;
      d[1] = (s[3] + 4 * (s[0] + s[2]) + 7 * s[1]) / 16;
      d[w - 2] = (s[w - 4] + 5 * s[w - 1] + 4 * s[w - 3] + 6 * s[w - 2]) / 16;
      d[w - 1] = (s[w - 3] + 5 * s[w - 2] + 10 * s[w - 1]) / 16;
    }
  });
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t yy = begin; yy < end; ++yy) {
      const unsigned y = static_cast<unsigned>(yy);
      float* d = both.Row(y);
      auto s = [&](unsigned row) { return across.Row(row); };
      if (y >= 2 && y < h - 2) {
        const float *a = s(y - 2), *b = s(y + 2), *c = s(y - 1), *e = s(y + 1), *m = s(y);
        for (unsigned x = 0; x < w; ++x) {
          d[x] = a[x] + b[x] + 4 * (c[x] + e[x]) + 6 * m[x];
          d[x] /= 16;
        }
      } else if (y == 0) {
        for (unsigned x = 0; x < w; ++x) d[x] = (2 * s(2)[x] + 8 * s(1)[x] + 6 * s(0)[x]) / 16;
      } else if (y == 1) {
        for (unsigned x = 0; x < w; ++x)
          d[x] = (s(3)[x] + 4 * (s(0)[x] + s(2)[x]) + 7 * s(1)[x]) / 16;
      } else if (y == h - 2) {
        for (unsigned x = 0; x < w; ++x)
          d[x] = (s(h - 4)[x] + 5 * s(h - 1)[x] + 4 * s(h - 3)[x] + 6 * s(h - 2)[x]) / 16;
      } else {
        for (unsigned x = 0; x < w; ++x)
          d[x] = (s(h - 3)[x] + 5 * s(h - 2)[x] + 10 * s(h - 1)[x]) / 16;
      }
    }
  });
  across.Release();
  // Narrower first, then shorter, as the resampler does when shrinking.
  FloatPlane narrow;
  if (!narrow.Allocate(w / 2, h)) return false;
  ResampleRows(both, narrow, parallel);
  both.Release();
  if (!coarser.Allocate(w / 2, h / 2)) return false;
  ResampleColumns(narrow, coarser, parallel);
  return true;
}

// ---- Gradients and their attenuation ------------------------------------

// Central-difference gradient magnitude of pyramid level k, and its average,
// summed row by row in the library's order.
bool GradientLevel(const FloatPlane& level, int k, FloatPlane& gradient, float& average,
                   ParallelFor& parallel) {
  const unsigned w = level.width, h = level.height;
  if (!gradient.Allocate(w, h)) return false;
  const float divider = static_cast<float>(1 << (k + 1));
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t yy = begin; yy < end; ++yy) {
      const unsigned y = static_cast<unsigned>(yy);
      const float* above = level.Row(y + 1 == h ? y : y + 1);
      const float* below = level.Row(y == 0 ? 0 : y - 1);
      const float* row = level.Row(y);
      float* out = gradient.Row(y);
      for (unsigned x = 0; x < w; ++x) {
        const unsigned west = (x == 0 ? 0 : x - 1), east = (x + 1 == w ? x : x + 1);
        const float gx = (row[east] - row[west]) / divider;
        const float gy = (above[x] - below[x]) / divider;
        out[x] = std::sqrt(gx * gx + gy * gy);
      }
    }
  });
  float sum = 0;
  const float* cell = gradient.cells.get();
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) sum += cell[i];
  average = sum / static_cast<float>(w * h);
  return true;
}

// Turns gradient level k into its attenuation factors, in place:
// min(1, (|grad| / a)^(beta - 1)) with a = alpha * average * 2^k.
void AttenuateLevel(FloatPlane& gradient, float average, int k, float alpha, float beta,
                    ParallelFor& parallel) {
  float scale = alpha * average * static_cast<float>(1 << k);
  if (scale == 0) scale = LogOffset;
  const float exponent = beta - 1;
  parallel.Run(gradient.height, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      float* row = gradient.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < gradient.width; ++x) {
        const float v = row[x] / scale;
        const float value = std::pow(v, exponent);
        row[x] = (value > 1) ? 1 : value;
      }
    }
  });
}

// factors *= the coarser level's factors enlarged to its size (taller first,
// then wider, as the resampler does when enlarging), without keeping the
// enlarged copy.
bool MultiplyByEnlarged(FloatPlane& factors, const FloatPlane& coarser, ParallelFor& parallel) {
  FloatPlane tall;
  if (!tall.Allocate(coarser.width, factors.height)) return false;
  ResampleColumns(coarser, tall, parallel);
  const Contributions c = BilinearContributions(factors.width, coarser.width);
  parallel.Run(factors.height, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      const float* in = tall.Row(static_cast<unsigned>(y));
      float* out = factors.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < factors.width; ++x) out[x] *= Resampled(c, x, in, 1);
    }
  });
  return true;
}

// ---- The operator -------------------------------------------------------

// Log of the luminance scaled to 0..100. False for a picture of one
// luminance, which the library refuses.
bool LogLuminance(FIBITMAP* image, FloatPlane& log, ParallelFor& parallel) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  if (!log.Allocate(w, h)) return false;
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      const FIRGBF* in = InputRow(image, static_cast<unsigned>(y));
      float* out = log.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < w; ++x) out[x] = Luminance(in[x]);
    }
  });
  const Extremes range = FindExtremes(
      w, h, [&](unsigned y) -> const float* { return log.Row(y); }, parallel);
  if (range.high == range.low) return false;
  const float scale = 100.F / (range.high - range.low);
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      float* row = log.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < w; ++x) {
        const float value = (row[x] - range.low) * scale;
        row[x] = std::log(value + LogOffset);
      }
    }
  });
  return true;
}

// The attenuation factors of the finest level, from a pyramid of `levels`.
bool AttenuationFactors(const FloatPlane& logLuminance, int levels, float alpha, float beta,
                        FloatPlane& factors, ParallelFor& parallel) {
  std::vector<FloatPlane> gradients(levels);
  std::vector<float> averages(levels);
  {
    FloatPlane previous, current;
    for (int k = 0; k < levels; ++k) {
      const FloatPlane& level = k == 0 ? logLuminance : current;
      if (k > 0 && !BlurAndHalve(k == 1 ? logLuminance : previous, current, parallel)) return false;
      if (!GradientLevel(level, k, gradients[k], averages[k], parallel)) return false;
      previous = std::move(current);
      current = FloatPlane();
    }
  }
  for (int k = levels - 1; k >= 0; --k) {
    AttenuateLevel(gradients[k], averages[k], k, alpha, beta, parallel);
    if (k < levels - 1) {
      if (!MultiplyByEnlarged(gradients[k], gradients[k + 1], parallel)) return false;
      gradients[k + 1].Release();
    }
  }
  factors = std::move(gradients[0]);
  return true;
}

// The divergence of the attenuated forward-difference gradients, written into
// the solver's grid: picture row y at grid row side - 1 - height + y, column x
// at grid column 1 + x, every other cell zero (where the library pastes the
// picture into its square).
bool DivergenceGrid(const FloatPlane& logLuminance, const FloatPlane& factors, FloatPlane& grid,
                    ParallelFor& parallel) {
  const unsigned w = logLuminance.width, h = logLuminance.height;
  const unsigned side = PoissonGridSide(w, h);
  if (side == 0 || !grid.Allocate(side, side)) return false;
  const unsigned top = side - 1 - h;
  // Forward differences times the factor, as the library stores them.
  auto gx = [&](unsigned x, unsigned y) {
    const float* row = logLuminance.Row(y);
    const unsigned east = (x + 1 == w ? x : x + 1);
    return (row[east] - row[x]) * factors.Row(y)[x];
  };
  auto gy = [&](unsigned x, unsigned y) {
    const unsigned next = (y + 1 == h ? y : y + 1);
    return (logLuminance.Row(next)[x] - logLuminance.Row(y)[x]) * factors.Row(y)[x];
  };
  parallel.Run(side, [&](size_t begin, size_t end) {
    for (size_t r = begin; r < end; ++r) {
      float* out = grid.Row(static_cast<unsigned>(r));
      if (r < top || r >= top + h) {
        std::memset(out, 0, side * sizeof(float));
        continue;
      }
      const unsigned y = static_cast<unsigned>(r) - top;
      out[0] = 0;
      for (unsigned x = 0; x < w; ++x) {
        float d = gx(x, y) + gy(x, y);
        if (x > 0) d -= gx(x - 1, y);
        if (y > 0) d -= gy(x, y - 1);
        out[1 + x] = d;
      }
      for (unsigned c = 1 + w; c < side; ++c) out[c] = 0;
    }
  });
  return true;
}

// The library's normalization to 0..1 of a float picture, applied to one
// value: nothing when all values are equal; the lowest becomes 1e-6.
struct Normalization {
  bool applies;
  float low, divider;
  explicit Normalization(const Extremes& range)
      : applies(range.high != range.low), low(range.low), divider(range.high - range.low) {}
  float operator()(float v) const {
    if (!applies) return v;
    v = (v - low) / divider;
    if (v <= 0) v = NormalizedFloor;
    if (v > 1) v = 1;
    return v;
  }
};

// What the library's conversion to 24 bits makes of a channel: values above 1
// are white, and the product is truncated as the x86 conversion instruction
// does, which turns a NaN into 0.
inline BYTE DisplayByte(float v) {
  const float clamped = (v > 1) ? 1 : v;
  const float scaled = 255.0F * clamped + 0.5F;
  if (!(scaled > -2147483648.0F && scaled < 2147483648.0F)) return 0;
  return static_cast<BYTE>(static_cast<int>(scaled));
}

// Exponent, the two normalizations, the colour restore and the conversion to
// 8 bits, over the solution's cells that belong to the picture.
FIBITMAP* ComposeResult(FIBITMAP* image, FloatPlane& solution, float saturation,
                        ParallelFor& parallel) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  const unsigned top = solution.width - 1 - h;
  auto cells = [&](unsigned y) -> float* { return solution.Row(top + y) + 1; };

  const Normalization first(FindExtremes(w, h, cells, parallel));
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      float* row = cells(static_cast<unsigned>(y));
      for (unsigned x = 0; x < w; ++x) row[x] = std::exp(first(row[x])) - LogOffset;
    }
  });
  const Normalization second(FindExtremes(w, h, cells, parallel));

  FIBITMAP* result = FreeImage_Allocate(static_cast<int>(w), static_cast<int>(h), 24,
                                        FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
  if (!result) return nullptr;
  parallel.Run(h, [&](size_t begin, size_t end) {
    for (size_t yy = begin; yy < end; ++yy) {
      const unsigned y = static_cast<unsigned>(yy);
      const FIRGBF* in = InputRow(image, y);
      const float* mapped = cells(y);
      BYTE* out = FreeImage_GetScanLine(result, static_cast<int>(y));
      for (unsigned x = 0; x < w; ++x, out += 3) {
        const float before = Luminance(in[x]);
        const float after = second(mapped[x]);
        auto restore = [&](float c) {
          return (before > 0) ? std::pow(c / before, saturation) * after : 0;
        };
        out[FI_RGBA_RED] = DisplayByte(restore(in[x].red));
        out[FI_RGBA_GREEN] = DisplayByte(restore(in[x].green));
        out[FI_RGBA_BLUE] = DisplayByte(restore(in[x].blue));
      }
    }
  });
  FreeImage_CloneMetadata(result, image);
  return result;
}

FIBITMAP* MapPicture(FIBITMAP* image, float saturation, float beta, ParallelFor& parallel) {
  const float alpha = 0.1F;
  FloatPlane solution;
  {
    FloatPlane grid;
    {
      FloatPlane logLuminance, factors;
      if (!LogLuminance(image, logLuminance, parallel)) return nullptr;
      int levels = 0;
      for (unsigned m = std::min(logLuminance.width, logLuminance.height); m >= MinimumLevelSide;
           m /= 2)
        ++levels;
      if (!AttenuationFactors(logLuminance, levels, alpha, beta, factors, parallel)) return nullptr;
      if (!DivergenceGrid(logLuminance, factors, grid, parallel)) return nullptr;
    }
    solution = SolvePoisson(grid, SolverCycles, parallel);
    if (!solution) return nullptr;
  }
  return ComposeResult(image, solution, saturation, parallel);
}

// A small picture with sharp and smooth parts for the start-up comparison.
FIBITMAP* ProbePicture() {
  const unsigned w = 45, h = 38;
  FIBITMAP* probe = FreeImage_AllocateT(FIT_RGBF, w, h);
  if (!probe) return nullptr;
  for (unsigned y = 0; y < h; ++y) {
    FIRGBF* row = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(probe, static_cast<int>(y)));
    for (unsigned x = 0; x < w; ++x) {
      const float d = static_cast<float>((x - 30.0) * (x - 30.0) + (y - 12.0) * (y - 12.0));
      const float base = 0.01F + 0.02F * static_cast<float>(x) + 0.005F * static_cast<float>(y);
      row[x].red = d < 20 ? 900.0F : base;
      row[x].green =
          d < 20 ? 800.0F : base * 0.7F + static_cast<float>((x * 7 + y * 3) % 5) * 0.01F;
      row[x].blue = d < 20 ? 500.0F : base * 0.4F;
    }
  }
  return probe;
}

bool SameBytes(FIBITMAP* a, FIBITMAP* b) {
  if (!a || !b) return a == b;
  const unsigned w = FreeImage_GetWidth(a), h = FreeImage_GetHeight(a);
  if (w != FreeImage_GetWidth(b) || h != FreeImage_GetHeight(b) || FreeImage_GetBPP(a) != 24 ||
      FreeImage_GetBPP(b) != 24)
    return false;
  for (unsigned y = 0; y < h; ++y)
    if (std::memcmp(FreeImage_GetScanLine(a, static_cast<int>(y)),
                    FreeImage_GetScanLine(b, static_cast<int>(y)), w * 3) != 0)
      return false;
  return true;
}

}  // namespace

float FattalLuminance(const FIRGBF& pixel) { return Luminance(pixel); }

bool FattalToneMapHandles(FIBITMAP* image) {
  if (!image || !FreeImage_HasPixels(image) || FreeImage_GetImageType(image) != FIT_RGBF)
    return false;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  return w >= MinimumLevelSide && h >= MinimumLevelSide && w <= MaximumSide && h <= MaximumSide;
}

bool FattalMatchesLibrary() {
  static std::once_flag checked;
  static bool matches = false;
  std::call_once(checked, [] {
    const char* version = FreeImage_GetVersion();
    if (!version || std::strcmp(version, MatchedVersion) != 0) return;
    FIBITMAP* probe = ProbePicture();
    if (!probe) return;
    FIBITMAP* theirs = FreeImage_TmoFattal02(probe, 0.5, 0.85);
    ParallelFor serial(1);
    FIBITMAP* ours = FattalToneMap(probe, 0.5, 0.85, serial);
    matches = theirs && SameBytes(theirs, ours);
    if (theirs) FreeImage_Unload(theirs);
    if (ours) FreeImage_Unload(ours);
    FreeImage_Unload(probe);
  });
  return matches;
}

FIBITMAP* FattalToneMap(FIBITMAP* image, double saturation, double attenuation,
                        ParallelFor& parallel) {
  if (!FattalToneMapHandles(image)) return nullptr;
  // Clamped as the library clamps (a NaN passes through its comparisons).
  const double b = 0.9 < attenuation ? 0.9 : attenuation;
  const float beta = static_cast<float>(0.8 > b ? 0.8 : b);
  const double s = 0.6 < saturation ? 0.6 : saturation;
  const float sat = static_cast<float>(0.4 > s ? 0.4 : s);
  return MapPicture(image, sat, beta, parallel);
}
