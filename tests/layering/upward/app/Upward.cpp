// The entry point reaching into the window module it only loads: refused.
#include "ui/Upward.h"
