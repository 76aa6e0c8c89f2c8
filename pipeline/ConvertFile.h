// One file from loading to the written output, and the worker that walks the
// input list.
#pragma once

// Converts RunState.InputFile to RunState.OutputFile; true when it was written.
bool ConvertFile();

// Thread procedure: converts every InputList entry in order, reporting through
// Progress; returns 0.
int ConversionWorker();
