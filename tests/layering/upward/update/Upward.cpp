// Peers may not include each other: the update check reaching into themes is refused.
#include "themes/Upward.h"
