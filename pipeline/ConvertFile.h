// One file from loading to the written output.
#pragma once

#include <set>

#include "platform/Files.h"
#include "settings/FileJob.h"

// The files of a run's input list, by identity: no output may replace one.
using InputIdentities = std::set<FileIdentity>;

// A file's conversion comes in two steps, so that several files can be
// rendered at once while names and counters follow the list order.
//
// RenderFile (any thread): loads job.InputFile and runs every stage with the
// job's counter and random number as predicted by the run, then writes the
// output into a temporary file beside the name those numbers give. False
// when it failed, with the reason noted (NoteFailure).
bool RenderFile(FileJob& job);
// CommitFile (one file at a time, in list order, with the final numbers in
// job): names the output, renders the file again when its watermark text
// shows numbers that changed, and moves the temporary file to the name. An
// output path that names one of inputs is never written. rendered is what
// RenderFile returned; a file that failed there only gets its final name.
bool CommitFile(FileJob& job, const InputIdentities& inputs, bool rendered);
// Both steps at once.
bool ConvertFile(FileJob& job, const InputIdentities& inputs);

// A rehearsal of the two steps that writes nothing. PlanFile (any thread)
// works out what the name needs: the picture is loaded and sized only when
// the mask shows its size or depth; an unreadable picture gets a warning and
// still counts as converted, so that later names assume it succeeds.
// CommitPlannedFile names the file with the final numbers; false (with the
// reason) when that name is one of inputs, as the real commit would refuse it.
bool PlanFile(FileJob& job);
bool CommitPlannedFile(FileJob& job, const InputIdentities& inputs);

// Sets the written output's modification time as FileTimestamp asks.
void ApplyFileTimestamp(const FileJob& job);
