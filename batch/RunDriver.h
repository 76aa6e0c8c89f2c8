// A whole command-line run: checks, inputs, conversion, totals.
#pragma once

// Returns the number of files converted, or -1 when the run stopped at a check.
int RunConversion(bool quiet);
