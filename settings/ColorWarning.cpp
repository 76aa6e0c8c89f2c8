#include "settings/ColorWarning.h"

#include <algorithm>
#include <cctype>

#include "platform/Text.h"

namespace {

bool IsColorOption(const std::string& upperName) {
  static const char* const names[] = {
      "--ROTATION-BACK-COLOR", "--FR-SOLID-LEFT-COLOR",   "--FR-SOLID-RIGHT-COLOR",
      "--FR-SOLID-TOP-COLOR",  "--FR-SOLID-BOTTOM-COLOR", "--WM-FONT-COLOR",
      "--WM-BACK-COLOR",
  };
  return std::any_of(std::begin(names), std::end(names),
                     [&](const char* n) { return upperName == n; });
}

bool IsColorText(const std::string& value) {
  return value.size() == 6 && std::all_of(value.begin(), value.end(), [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
         });
}

}  // namespace

std::string ColorWarning(const std::string& upperName, const std::string& value,
                         const std::string& where) {
  if (!IsColorOption(upperName) || IsColorText(value)) return "";
  return "Warning: " + LowerCase(upperName) + "=" + value + where +
         " is not a colour; expected six hexadecimal digits RRGGBB, e.g. FF0000";
}
