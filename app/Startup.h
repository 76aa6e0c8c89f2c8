// Process entry: tables, libraries, the instance lock, the mode decision and
// the end of the process (only this room ends it).
#pragma once

#include "settings/Product.h"

// The common end sequence; never returns; exit code 0 unless the command
// line asked for one (--exit-status).
[[noreturn]] void EndProgram(int exitCode = 0);

// Runs the whole program with the given parameters (argv without argv[0]).
[[noreturn]] void RunProgram(int paramCount, char** params);
