// The long options that set conversion settings (shared by the command line
// and profile files), and the number readings of their values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/Keywords.h"
#include "settings/Settings.h"

enum class OptionKind {
  None,     // not a settings option
  Flag,     // no value; the field gets a fixed value
  Integer,  // ReadInteger
  Real,     // ReadReal
  Text,     // stored as given
  Keyword,  // looked up in a keyword list
};

// What an option sets: the Settings field of its kind, and the stage switch
// set at the same time where it has one.
using IntField = std::int32_t SettingsRecord::*;
using ByteField = byte SettingsRecord::*;
using RealField = float SettingsRecord::*;
using TextField = std::string SettingsRecord::*;

struct OptionEntry {
  OptionKind kind = OptionKind::None;
  KeywordList list = KeywordList::Compression;  // keyword list (Keyword kind only)
  IntField intField = nullptr;                  // integer and keyword targets
  ByteField byteField = nullptr;                // flag and keyword targets
  RealField realField = nullptr;
  TextField textField = nullptr;
  byte flagValue = 1;
  ByteField alsoField = nullptr;  // stage switch set at the same time
  byte alsoValue = 1;
};

inline OptionEntry IntegerOption(IntField f, ByteField also = nullptr, byte alsoValue = 1) {
  OptionEntry e;
  e.kind = OptionKind::Integer;
  e.intField = f;
  e.alsoField = also;
  e.alsoValue = alsoValue;
  return e;
}

inline OptionEntry RealOption(RealField f, ByteField also) {
  OptionEntry e;
  e.kind = OptionKind::Real;
  e.realField = f;
  e.alsoField = also;
  return e;
}

inline OptionEntry TextOption(TextField f, ByteField also = nullptr, byte alsoValue = 1) {
  OptionEntry e;
  e.kind = OptionKind::Text;
  e.textField = f;
  e.alsoField = also;
  e.alsoValue = alsoValue;
  return e;
}

inline OptionEntry FlagOption(ByteField f, byte value = 1, ByteField also = nullptr) {
  OptionEntry e;
  e.kind = OptionKind::Flag;
  e.byteField = f;
  e.flagValue = value;
  e.alsoField = also;
  return e;
}

inline OptionEntry KeywordOption(KeywordList list, IntField f) {
  OptionEntry e;
  e.kind = OptionKind::Keyword;
  e.list = list;
  e.intField = f;
  return e;
}

inline OptionEntry KeywordOption(KeywordList list, ByteField f) {
  OptionEntry e;
  e.kind = OptionKind::Keyword;
  e.list = list;
  e.byteField = f;
  return e;
}

// One option by its upper-case name with its two leading hyphens.
struct OptionRow {
  std::string Name;
  OptionEntry Entry;
};

// Adds (or replaces) options; the output formats add theirs this way.
void AddOptionRows(const std::vector<OptionRow>& rows);

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
