// Process-wide memory tuning.
#pragma once

// Lets freed picture buffers be reused or returned at once, so the peak stays
// that of one file however many a run converts.
void KeepLargeBuffersOutOfTheHeap();
