// The built-in table of labels and messages, looked up by group and key.
#pragma once

#include <string>

// Builds the table from the built-in data; building again replaces it.
void BuildLanguageTable();

// The text of key in group (both matched without regard to case), or
// "%NO_STRING_ERROR%" when either does not exist.
std::string LanguageText(const std::string& group, const std::string& key);

// text with "%s1%" .. "%s4%" replaced by the non-empty arguments, in order.
std::string FillPlaceholders(const std::string& text, const std::string& s1 = "",
                             const std::string& s2 = "", const std::string& s3 = "",
                             const std::string& s4 = "");
