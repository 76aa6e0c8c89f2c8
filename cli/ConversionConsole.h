// The command-line face of a conversion run: status lines, the debug echo,
// per-file debug lines and totals on standard output; reasons, warnings and
// the live progress line on standard error.
#pragma once

#include <cstdint>

// How a run ended, for the exit status scripts may ask for.
struct ConversionTotals {
  bool Error = false;  // it ended with an "Error: " line
  std::int32_t Imported = 0;
  std::int32_t Converted = 0;
  std::int32_t Failed = 0;
};

// Runs the conversion that Settings and RunState describe (with
// Settings.DryRun, only prints the names it would write).
ConversionTotals RunConversion(bool quiet);
