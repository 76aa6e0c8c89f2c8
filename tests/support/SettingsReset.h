// The fresh start of a test that reads the global settings records: the
// process lists and format tables built, the run records set back as the
// test needs, then the defaults of a window or a command-line start.
#pragma once

#include "batch/ConversionRun.h"
#include "codecs/FormatTables.h"
#include "settings/Settings.h"

// What happens to the run records before the defaults are applied.
enum class RunRecords {
  Kept,     // left as they are
  Initial,  // RunState as at program start (InitRunState)
  NewRun,   // as a run resets them: also the input list and the readable extensions
};

inline void ResetSettings(byte forCommandLine, RunRecords runRecords = RunRecords::Kept) {
  CreateProcessLists();
  BuildFormatTables();
  if (runRecords == RunRecords::Initial) InitRunState();
  if (runRecords == RunRecords::NewRun) ResetRunRecords();
  ApplyDefaults(forCommandLine);
}
