// The gradient-domain tone mapping operator of Fattal, Lischinski and Werman,
// computed on several threads with the same bits as FreeImage_TmoFattal02.
#pragma once

#include <FreeImage.h>

#include "platform/ParallelFor.h"

// Whether FattalToneMap can stand in for the library's call on this picture:
// 96-bit RGB floats, each side at least 32 pixels (the library's coarsest
// pyramid level) and at most 32768 (its solver's grid limit).
bool FattalToneMapHandles(FIBITMAP* image);

// Whether the loaded FreeImage is the build this implementation reproduces
// (3.18.0 as Debian 12 ships it): its version string, and one small picture
// mapped by both giving the same bytes. Checked once per process.
bool FattalMatchesLibrary();

// The luminance the operator works on: Rec. 709 weights, negatives as zero.
// A picture whose pixels all have one luminance has no gradient, and the
// operator (like the library's) gives no picture for it.
float FattalLuminance(const FIRGBF& pixel);

// The 24-bit picture FreeImage_TmoFattal02(image, saturation, attenuation)
// gives, for a picture FattalToneMapHandles accepts; none where the library
// gives none (a picture of one luminance) or when memory runs out. The input
// is only read. Metadata is copied from it as the library does.
FIBITMAP* FattalToneMap(FIBITMAP* image, double saturation, double attenuation,
                        ParallelFor& parallel);
