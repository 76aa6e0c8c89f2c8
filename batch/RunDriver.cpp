#include "batch/RunDriver.h"

int RunConversion(bool) { return 0; }
