// The checks before a run: input and output paths, conversion type and every
// value the command line could have set out of range, with the debug echo of
// every effective setting between them.
#pragma once

#include <string>
#include <vector>

// Resolves RunState's input and output, checks the settings in the fixed
// order and sets the per-run output values (FormatId, OutputBpp, SaveFlags,
// AutoBpp); loads the watermark font for a text watermark. Appends the echo
// lines up to the first failing check and returns that check's message
// ("Invalid output folder"), or "" when the run may start.
std::string CheckRun(std::vector<std::string>& echoLines);
