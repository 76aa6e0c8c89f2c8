// The long options that set conversion settings (shared by the command line
// and profile files), and the number readings of their values.
#pragma once

#include <cstdint>
#include <string>

enum class OptionKind {
  None,     // not a settings option
  Flag,     // no value; the field gets a fixed value
  Integer,  // ReadInteger
  Real,     // ReadReal
  Text,     // stored as given
  Keyword,  // looked up in a keyword list
};

// The kind of the option named upperName (upper case, with its two leading
// hyphens, e.g. "--JPG-QUALITY"); OptionKind::None when there is no such option.
OptionKind FindOption(const std::string& upperName);

// Sets the Settings field of the option (and its stage switch where it has
// one) from value. Returns false, changing nothing, when the name is unknown.
bool ApplyOption(const std::string& upperName, const std::string& value);

// Blanks and tabs skipped, optional sign, then "$" hex, "%" binary or decimal
// digits up to the first other character; no digits give 0. The low 32 bits
// of the value read are returned.
std::int32_t ReadInteger(const std::string& text);

// "+Infinity", "-Infinity", "NaN" in any case, else a decimal number with "."
// as the decimal point read up to the first other character (whatever the
// locale); anything else gives 0.0.
float ReadReal(const std::string& text);
