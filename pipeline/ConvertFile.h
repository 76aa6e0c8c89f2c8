// One file from loading to the written output.
#pragma once

#include <set>

#include "platform/Files.h"
#include "settings/FileJob.h"

// The files of a run's input list, by identity: no output may replace one.
using InputIdentities = std::set<FileIdentity>;

// Converts job.InputFile to the output named by the mask, filling in the
// job's sizes, depths, output and temporary paths on the way. True when the
// output was written; otherwise the reason is noted (NoteFailure). An output
// path that names one of inputs is never written.
bool ConvertFile(FileJob& job, const InputIdentities& inputs);

// Sets the written output's modification time as FileTimestamp asks.
void ApplyFileTimestamp(const FileJob& job);
