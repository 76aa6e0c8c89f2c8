#include "stages/PoissonSolver.h"

#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr unsigned MaximumLevels = 15;

bool AllocateSquare(FloatPlane& grid, unsigned side) { return grid.Allocate(side, side); }

// The rows of a grid of this side, on several threads when the grid is
// large enough for that to pay: coarse grids run on the calling thread.
void ForRows(ParallelFor& parallel, size_t rows, unsigned side,
             const std::function<void(size_t begin, size_t end)>& body) {
  constexpr size_t CellsPerSlice = 1 << 17;
  parallel.Run(rows, body, CellsPerSlice / side + 1);
}

void Fill(FloatPlane& grid, float value, ParallelFor& parallel) {
  ForRows(parallel, grid.height, grid.width, [&](size_t begin, size_t end) {
    for (size_t y = begin; y < end; ++y) {
      float* row = grid.Row(static_cast<unsigned>(y));
      for (unsigned x = 0; x < grid.width; ++x) row[x] = value;
    }
  });
}

// Half weighting onto the coarse grid (side nc = (nf + 1) / 2). Its border
// copies the fine border; rows 0 and nc - 1 take the fine grid's last and first
// rows, crosswise, as the library does (the border of a right-hand side is
// never read, but the copy keeps the grids alike).
void Restrict(FloatPlane& coarse, const FloatPlane& fine, ParallelFor& parallel) {
  const unsigned nc = coarse.width, nf = fine.width;
  ForRows(parallel, nc - 2, nc, [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      const unsigned rc = static_cast<unsigned>(i) + 1, rf = 2 * rc;
      float* out = coarse.Row(rc);
      const float* centre = fine.Row(rf);
      const float* above = fine.Row(rf + 1);
      const float* below = fine.Row(rf - 1);
      for (unsigned cc = 1, cf = 2; cc < nc - 1; ++cc, cf += 2)
        out[cc] =
            0.5F * centre[cf] + 0.125F * (above[cf] + below[cf] + centre[cf + 1] + centre[cf - 1]);
    }
  });
  for (unsigned rc = 0; rc < nc; ++rc) {
    coarse.Row(rc)[0] = fine.Row(2 * rc)[0];
    coarse.Row(rc)[nc - 1] = fine.Row(2 * rc)[nf - 1];
  }
  float* top = coarse.Row(0);
  float* bottom = coarse.Row(nc - 1);
  for (unsigned cc = 0; cc < nc; ++cc) {
    top[cc] = fine.Row(nf - 1)[2 * cc];
    bottom[cc] = fine.Row(0)[2 * cc];
  }
}

// The residual rhs - laplacian(u) at one interior cell, spelt as the library
// computes it.
inline float Residual(const FloatPlane& u, const FloatPlane& rhs, unsigned row, unsigned col,
                      float h2i) {
  const float* centre = u.Row(row) + col;
  float r = u.Row(row + 1)[col] + u.Row(row - 1)[col] + centre[1] + centre[-1] - 4 * centre[0];
  r *= -h2i;
  r += rhs.Row(row)[col];
  return r;
}

// The restriction of the residual of u, without storing the residual: the
// residual is zero on the border, so the coarse border is zero, and each
// interior coarse cell takes five residuals computed on the spot.
void RestrictResidual(FloatPlane& coarse, const FloatPlane& u, const FloatPlane& rhs,
                      ParallelFor& parallel) {
  const unsigned nc = coarse.width, nf = u.width;
  const float h = 1.0F / static_cast<float>(static_cast<int>(nf) - 1);
  const float h2i = 1.0F / (h * h);
  ForRows(parallel, nc, nc, [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      const unsigned rc = static_cast<unsigned>(i);
      float* out = coarse.Row(rc);
      if (rc == 0 || rc == nc - 1) {
        for (unsigned cc = 0; cc < nc; ++cc) out[cc] = 0;
        continue;
      }
      const unsigned rf = 2 * rc;
      out[0] = 0;
      out[nc - 1] = 0;
      for (unsigned cc = 1, cf = 2; cc < nc - 1; ++cc, cf += 2) {
        const float centre = Residual(u, rhs, rf, cf, h2i);
        const float above = Residual(u, rhs, rf + 1, cf, h2i);
        const float below = Residual(u, rhs, rf - 1, cf, h2i);
        const float right = Residual(u, rhs, rf, cf + 1, h2i);
        const float left = Residual(u, rhs, rf, cf - 1, h2i);
        out[cc] = 0.5F * centre + 0.125F * (above + below + right + left);
      }
    }
  });
}

// Exact solution on the 3 × 3 grid (h = 1/2).
void SolveCoarsest(FloatPlane& u, const FloatPlane& rhs, ParallelFor& parallel) {
  Fill(u, 0, parallel);
  u.Row(1)[1] = -rhs.Row(1)[1] / 16;
}

enum class Prolongation { Replace, Add };

// Bilinear interpolation of the coarse grid onto the fine one (side
// nf = 2 * nc - 1), written into or added to fine. A fine row needs only coarse
// rows, so rows are independent.
//   even row 2i, even column 2j: c(i, j)
//   odd row 2i+1, even column:   0.5 * (c(i+1, j) + c(i, j))
//   any row, odd column 2j+1:    0.5 * (value at 2j+2 + value at 2j)
void Prolongate(FloatPlane& fine, const FloatPlane& coarse, Prolongation mode,
                ParallelFor& parallel) {
  const unsigned nf = fine.width, nc = coarse.width;
  ForRows(parallel, nf, nf, [&](size_t begin, size_t end) {
    std::vector<float> line(nf);
    for (size_t i = begin; i < end; ++i) {
      const unsigned row = static_cast<unsigned>(i);
      const float* c0 = coarse.Row(row / 2);
      if (row % 2 == 0) {
        for (unsigned j = 0; j < nc; ++j) line[2 * j] = c0[j];
      } else {
        const float* c1 = coarse.Row(row / 2 + 1);
        for (unsigned j = 0; j < nc; ++j) line[2 * j] = 0.5F * (c1[j] + c0[j]);
      }
      for (unsigned col = 1; col < nf - 1; col += 2)
        line[col] = 0.5F * (line[col + 1] + line[col - 1]);
      float* out = fine.Row(row);
      if (mode == Prolongation::Replace)
        std::memcpy(out, line.data(), nf * sizeof(float));
      else
        for (unsigned col = 0; col < nf; ++col) out[col] += line[col];
    }
  });
}

// One red-black Gauss-Seidel sweep: first the cells with row + column even,
// then the others. Cells of one colour only read cells of the other.
void Relax(FloatPlane& u, const FloatPlane& rhs, ParallelFor& parallel) {
  const unsigned n = u.width;
  const float h = 1.0F / static_cast<float>(static_cast<int>(n) - 1);
  const float h2 = h * h;
  for (unsigned colour = 0; colour < 2; ++colour) {
    ForRows(parallel, n - 2, n, [&](size_t begin, size_t end) {
      for (size_t i = begin; i < end; ++i) {
        const unsigned row = static_cast<unsigned>(i) + 1;
        float* centre = u.Row(row);
        const float* above = u.Row(row + 1);
        const float* below = u.Row(row - 1);
        const float* source = rhs.Row(row);
        for (unsigned col = (row + colour) % 2 == 1 ? 1 : 2; col < n - 1; col += 2) {
          float v = above[col] + below[col] + centre[col + 1] + centre[col - 1];
          v -= h2 * source[col];
          v *= 0.25F;
          centre[col] = v;
        }
      }
    });
  }
}

}  // namespace

unsigned PoissonGridSide(unsigned width, unsigned height) {
  const unsigned longer = width > height ? width : height;
  unsigned power = 0;
  for (unsigned n = longer; (n >>= 1) > 0;) ++power;
  if ((1u << power) < longer) ++power;
  if (power > MaximumLevels) return 0;
  return 1 + (1u << power);
}

FloatPlane SolvePoisson(const FloatPlane& rhs, int cycles, ParallelFor& parallel) {
  const unsigned n = rhs.width;
  unsigned levels = 0;
  for (unsigned m = n; m >>= 1;) ++levels;
  if (n != 1 + (1u << levels) || levels < 2 || levels > MaximumLevels) return {};

  // Level j has side 2^(j+1) + 1; the finest, levels - 1, is rhs itself.
  std::vector<FloatPlane> u(levels), sources(levels);
  auto source = [&](unsigned level) -> const FloatPlane& {
    return level == levels - 1 ? rhs : sources[level];
  };

  // Right-hand sides of the coarse levels, each restricted from the next finer.
  for (int level = static_cast<int>(levels) - 2; level >= 0; --level) {
    if (!AllocateSquare(sources[level], (source(level + 1).width + 1) / 2)) return {};
    Restrict(sources[level], source(level + 1), parallel);
  }
  if (!AllocateSquare(u[0], 3)) return {};
  SolveCoarsest(u[0], sources[0], parallel);

  for (unsigned j = 1; j < levels; ++j) {
    const unsigned side = 2 * u[j - 1].width - 1;
    if (!AllocateSquare(u[j], side)) return {};
    Prolongate(u[j], u[j - 1], Prolongation::Replace, parallel);
    for (int cycle = 0; cycle < cycles; ++cycle) {
      for (unsigned k = j; k >= 1; --k) {
        Relax(u[k], source(k), parallel);
        // The coarse right-hand side from the first restriction has served
        // its one use at the start of this level; from here on it holds the
        // restricted residual.
        RestrictResidual(sources[k - 1], u[k], source(k), parallel);
        Fill(u[k - 1], 0, parallel);
      }
      SolveCoarsest(u[0], sources[0], parallel);
      for (unsigned k = 1; k <= j; ++k) {
        Prolongate(u[k], u[k - 1], Prolongation::Add, parallel);
        Relax(u[k], source(k), parallel);
      }
    }
  }
  return std::move(u[levels - 1]);
}
