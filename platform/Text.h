// Text helpers: UTF-8 in std::string, Unicode-aware case mapping.
#pragma once

#include <string>

std::u16string Utf16Units(const std::string& utf8);
// Unicode upper and lower case (invalid UTF-8 falls back to ASCII mapping).
std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);
// Title case: the first character upper, the rest lower ("night SKY" -> "Night sky").
std::string TitleCase(const std::string& text);
// Removes blanks (spaces only; tabs stay) at both ends.
std::string TrimBlanks(const std::string& text);
bool StartsWith(const std::string& text, const std::string& prefix);
bool EndsWith(const std::string& text, const std::string& suffix);
// Replaces every occurrence; when ignoreCase, the pattern matches in any case.
std::string ReplaceAll(const std::string& text, const std::string& pattern, const std::string& with,
                       bool ignoreCase = false);
