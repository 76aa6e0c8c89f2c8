#include "pipeline/Stages.h"

void FlipImage(FIBITMAP*) {}
