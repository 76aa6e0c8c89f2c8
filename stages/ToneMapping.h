// Reducing floating-point pictures to ordinary 24-bit ones.
#pragma once

#include <FreeImage.h>

// Gradient-domain tone mapping (Fattal, saturation 0.5, attenuation 0.85) to
// 24 bits. Pictures under 32 pixels on a side, which the library refuses, are
// extended by repeating their edge pixels, mapped, and cut back to their own
// size. Returns a new bitmap (or none); the input stays owned by the caller.
// threads: how many the operator may use (0: one per core).
FIBITMAP* ToneMapToStandard(FIBITMAP* image, unsigned threads = 0);
