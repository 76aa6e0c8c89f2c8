#include "pipeline/Stages.h"

FIBITMAP* RotateImage(FIBITMAP* image) { return image; }
