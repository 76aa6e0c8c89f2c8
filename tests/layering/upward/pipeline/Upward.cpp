// A pipeline file reaching up into the batch level: the layer check must refuse it.
#include "batch/Upward.h"
