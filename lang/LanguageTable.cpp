#include "lang/LanguageTable.h"

void BuildLanguageTable() {}
std::string LanguageText(const std::string&, const std::string&) { return "%NO_STRING_ERROR%"; }
std::string FillPlaceholders(const std::string& text, const std::string&, const std::string&,
                             const std::string&, const std::string&) {
  return text;
}
