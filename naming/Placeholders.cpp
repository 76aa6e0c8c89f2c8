#include "naming/Placeholders.h"

#include <cstdio>
#include <ctime>

#include "platform/Text.h"
#include "settings/Settings.h"

const char* const PlaceholderNames[18] = {
    "%filename%", "%filename[u]%", "%filename[l]%", "%filename[t]%", "%ext%", "%ext[u]%",
    "%ext[t]%",   "%yyyy%",        "%mm%",          "%dd%",          "%hh%",  "%ii%",
    "%ss%",       "%bpp%",         "%width%",       "%height%",      "%rnd%", "%n%",
};

namespace {

// At least five digits, zero-padded. Longer numbers are kept whole: cutting
// them to five digits would give different files the same name.
std::string FiveDigits(std::int32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%05d", static_cast<int>(value));
  return buf;
}

std::string TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
}

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string InputName(const FileJob& job) {
  const std::string& path = job.InputFile;
  return StripExtension(path.substr(path.find_last_of('/') + 1));
}

// The value of a placeholder (given in lower case); false when it is none.
bool PlaceholderValue(const std::string& placeholder, const FileJob& job, std::string& value) {
  const std::string& ext = RunState.ConversionType;
  if (placeholder == "%filename%") {
    value = InputName(job);
  } else if (placeholder == "%filename[u]%") {
    value = UpperCase(InputName(job));
  } else if (placeholder == "%filename[l]%") {
    value = LowerCase(InputName(job));
  } else if (placeholder == "%filename[t]%") {
    value = TitleCase(InputName(job));
  } else if (placeholder == "%ext%") {
    value = ext;
  } else if (placeholder == "%ext[u]%") {
    value = UpperCase(ext);
  } else if (placeholder == "%ext[t]%") {
    value = TitleCase(ext);
  } else if (placeholder == "%yyyy%") {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", LocalNow().tm_year + 1900);
    value = buf;
  } else if (placeholder == "%mm%") {
    value = TwoDigits(LocalNow().tm_mon + 1);
  } else if (placeholder == "%dd%") {
    value = TwoDigits(LocalNow().tm_mday);
  } else if (placeholder == "%hh%") {
    value = TwoDigits(LocalNow().tm_hour);
  } else if (placeholder == "%ii%") {
    value = TwoDigits(LocalNow().tm_min);
  } else if (placeholder == "%ss%") {
    value = TwoDigits(LocalNow().tm_sec);
  } else if (placeholder == "%bpp%") {
    value = std::to_string(job.OutputBpp);
  } else if (placeholder == "%width%") {
    value = std::to_string(job.OutputWidth);
  } else if (placeholder == "%height%") {
    value = std::to_string(job.OutputHeight);
  } else if (placeholder == "%rnd%") {
    value = FiveDigits(job.RandomNumber);
  } else if (placeholder == "%n%") {
    value = FiveDigits(job.Counter);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string ExpandPlaceholder(const std::string& text, const std::string& placeholder,
                              const FileJob& job) {
  std::string value;
  if (!PlaceholderValue(LowerCase(placeholder), job, value)) return text;
  return ReplaceAll(text, placeholder, value, true);
}

std::string StripExtension(const std::string& name) {
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return name;
  return name.substr(0, dot);
}
