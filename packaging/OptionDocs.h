// What the manual page says about each conversion option: the value it takes
// and one sentence on its effect. The option names themselves come from the
// option table; an option without an entry here stops the manual's build.
#pragma once

#include <string>

struct OptionDoc {
  const char* value;  // shown after "=", e.g. "NUM"; "" for a flag
  const char* text;   // roff-safe sentence
};

// The entry for upperName ("--JPG-QUALITY"), or nullptr when there is none.
const OptionDoc* FindOptionDoc(const std::string& upperName);

// The heading of the manual's subsection that begins at upperName, or nullptr
// when the option continues the current subsection.
const char* SectionStartingAt(const std::string& upperName);
