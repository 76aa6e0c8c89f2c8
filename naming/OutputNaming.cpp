#include "naming/OutputNaming.h"

#include "platform/Text.h"
#include "settings/Settings.h"

std::string BuildOutputPath(const FileJob& job) {
  std::string path = RunState.OutputFolder;
  if (Settings.KeepSubfolders) path += job.RelativeFolder;
  return path + ExpandFilenameMask(job);
}

std::string ExpandFilenameMask(const FileJob& job) {
  std::string mask = LowerCase(Settings.FilenameMask);
  if (mask.empty()) mask = "%filename%.%ext%";
  for (const char* placeholder : PlaceholderNames)
    if (mask.find(placeholder) != std::string::npos)
      mask = ExpandPlaceholder(mask, placeholder, job);
  return mask;
}
