// Reduction of floating-point pictures to ordinary 24-bit ones.
#pragma once

#include <FreeImage.h>

// Gradient-domain tone mapping (colour saturation 0.5, attenuation 0.85) to a
// new 24-bit bitmap; the input is left to the caller. Pictures too small for
// the library's operator are padded by edge repetition and cropped back.
// Returns none when the library refuses the picture.
FIBITMAP* ToneMapToStandard(FIBITMAP* image);
