#include "batch/OutputNaming.h"

#include "settings/Settings.h"

std::string BuildOutputPath() {
  return RunState.OutputFolder + RunState.RelativeFolder + ExpandFilenameMask();
}
std::string ExpandFilenameMask() { return "out." + RunState.ConversionType; }
std::string ExpandPlaceholder(const std::string& text, const std::string&) { return text; }
std::string StripExtension(const std::string& name) { return name; }
