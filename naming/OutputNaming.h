// Output file names from the file-name mask.
#pragma once

#include <string>

#include "naming/Placeholders.h"
#include "settings/FileJob.h"

// OutputFolder + (job's RelativeFolder when KeepSubfolders) + ExpandFilenameMask(job).
std::string BuildOutputPath(const FileJob& job);
// The file name for job from Settings.FilenameMask.
std::string ExpandFilenameMask(const FileJob& job);
