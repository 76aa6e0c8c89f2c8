// Reducing floating-point pictures to ordinary 24-bit ones.
#pragma once

#include <FreeImage.h>

// Gradient-domain tone mapping (Fattal, saturation 0.5, attenuation 0.85) to
// 24 bits. Pictures under 32 pixels on a side, which the library refuses, are
// extended by repeating their edge pixels, mapped, and cut back to their own
// size. A picture the gradient mapper gives nothing for (one without any
// gradient: uniform, or a single pixel) is mapped by MapGlobally instead;
// for any other picture it gives nothing only when memory ran out, and then
// there is no picture and the file is noted as too large ("out of memory").
// Returns a new bitmap (or none); the input stays owned by the caller.
// threads: how many the gradient mapper may use (0: one per core).
FIBITMAP* ToneMapToStandard(FIBITMAP* image, unsigned threads = 0);

// The plain global operator: each pixel's colour scaled by 1 / (1 + L), L its
// Rec. 709 luminance, then gamma 2.2, so black stays 0 and a uniform 0.18 grey
// gives 108. Example: (1, 1, 1) has L = 1, becomes 0.5 and shows as 186.
FIBITMAP* MapGlobally(FIBITMAP* image);
