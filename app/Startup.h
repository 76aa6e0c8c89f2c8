// Process entry: tables, libraries, the instance lock and the mode decision.
#pragma once

#include <string>

constexpr int ProgramVersion = 210;
extern const char* const ProductTitle;

// 210 -> "2.1", 213 -> "2.1.3", 200 -> "2.0".
std::string VersionText(int number);
// "Corvanta Nembrix 2.1": window title, console title and instance-lock name.
std::string WindowTitle();

// The common end sequence; never returns; exit code 0.
[[noreturn]] void EndProgram();

// Runs the whole program with the given parameters (argv without argv[0]).
[[noreturn]] void RunProgram(int paramCount, char** params);
