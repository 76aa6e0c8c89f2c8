// The warning for a colour option whose value the colour reading cannot use.
// Such a value still reads as black, as before; the warning only tells the
// user why the frame or the text came out black.
#pragma once

#include <string>

// For a colour option (upperName as in the option table, e.g.
// "--FR-SOLID-LEFT-COLOR") whose value is not exactly six hexadecimal digits:
//   Warning: --fr-solid-left-color=red is not a colour; expected six
//   hexadecimal digits RRGGBB, e.g. FF0000
// (one line; where, when not empty, is added after the value, e.g.
// " in profile a.ini"). "" for a good colour and for every other option.
std::string ColorWarning(const std::string& upperName, const std::string& value,
                         const std::string& where = "");
