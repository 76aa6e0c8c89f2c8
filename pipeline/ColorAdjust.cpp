#include "pipeline/Stages.h"

FIBITMAP* AdjustImageColors(FIBITMAP* image) { return image; }
FIBITMAP* GreyscaleImage(FIBITMAP* image) { return image; }
FIBITMAP* ThresholdImage(FIBITMAP* image) { return image; }
