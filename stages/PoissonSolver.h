// Full-multigrid solver of the Poisson equation on a square grid.
#pragma once

#include "platform/ParallelFor.h"
#include "stages/FloatPlane.h"

// The grid side a picture of width × height needs: 2^j + 1 with 2^j the
// smallest power of two not below the longer side. 0 when that exceeds the
// solver's 16 levels.
unsigned PoissonGridSide(unsigned width, unsigned height);

// Solves laplacian(u) = rhs on the square rhs (side 2^j + 1, j >= 2) with u = 0
// on the border, by nested iteration with `cycles` V-cycles per level,
// red-black Gauss-Seidel smoothing and half-weighting restriction. rhs is only
// read. Returns the solution, or an empty plane when memory runs out.
//
// Every cell gets the same float operations in the same order as the
// textbook serial solver the library uses, so the bits do not depend on the
// number of threads: both colours of a sweep, the residual, the restriction
// and the prolongation only read cells the same step does not write.
FloatPlane SolvePoisson(const FloatPlane& rhs, int cycles, ParallelFor& parallel);
