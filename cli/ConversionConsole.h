// The command-line face of a conversion run: status lines, the debug echo,
// per-file debug lines and totals on standard output; reasons, warnings and
// the live progress line on standard error.
#pragma once

// Runs the conversion that Settings and RunState describe. Returns the number
// of files converted, or -1 when the run stopped at a check.
int RunConversion(bool quiet);
