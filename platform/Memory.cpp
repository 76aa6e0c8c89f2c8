#include "platform/Memory.h"

#include <malloc.h>

void KeepLargeBuffersOutOfTheHeap() {
  // Only one background thread works at a time, so one heap serves it. With
  // a heap of its own, the worker's picture-sized blocks fragment it and stay
  // resident: about one float picture more after a few files, and more time
  // spent mapping fresh pages.
  mallopt(M_ARENA_MAX, 1);
}
