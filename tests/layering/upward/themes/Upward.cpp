// Theme archives reaching up into the window: refused.
#include "ui/Upward.h"
