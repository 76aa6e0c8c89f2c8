// The program's name and version as every face shows them.
#pragma once

#include <string>

constexpr int ProgramVersion = 210;
extern const char* const ProductTitle;

// 210 -> "2.1", 213 -> "2.1.3", 200 -> "2.0".
std::string VersionText(int number);
// "Corvanta Nembrix 2.1": window title, console title and instance-lock name.
std::string WindowTitle();
