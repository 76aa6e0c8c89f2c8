// The built-in texts of the language table and the builder that reads them.
#pragma once

#include <cstddef>

// (key, text) pairs stored one after the other, each text ended by a zero byte.
// The key "_GROUP_" starts a group named by its text; "_END_" ends the data.
extern const char LanguageData[];
extern const std::size_t LanguageDataSize;

// Builds the table from data laid out like LanguageData (size bytes long);
// BuildLanguageTable() is this applied to the built-in data. Reading stops at
// "_END_" or at the end of the bytes, whichever comes first.
void BuildLanguageTableFrom(const char* data, std::size_t size);
