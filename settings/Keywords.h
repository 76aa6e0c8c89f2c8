// Word lists that turn option values such as LANCZOS or BOTTOMRIGHT into the
// numbers stored in Settings, and back again for the debug echo.
#pragma once

#include <cstdint>
#include <string>

constexpr int KeywordListCount = 22;

// The number of text (compared in upper case) in keyword list `list`; 0 when
// the word is unknown, the list does not exist, or it is list 13 or 14 (names only).
std::int32_t ParseKeyword(int list, const std::string& text);

// The first word of list `list` whose number is `number`, or "" when none.
std::string KeywordName(int list, std::int32_t number);
