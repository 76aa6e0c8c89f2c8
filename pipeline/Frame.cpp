#include "pipeline/Stages.h"

FIBITMAP* ApplyFrame(FIBITMAP* image, int, int) { return image; }
