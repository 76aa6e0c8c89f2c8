#include "pipeline/Stages.h"

FIBITMAP* ApplyWatermark(FIBITMAP* image, int, int) { return image; }
