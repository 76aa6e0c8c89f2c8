// A subfolder counts as its top folder: the window reaching into a tool is refused.
#include "fuzz/Upward.h"
