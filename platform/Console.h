// Console output: whole lines ending in CR LF, flushed at once. A stream
// whose reader went away (a closed pipe) is dropped quietly for the rest of
// the process.
#pragma once

#include <string>

// Notes that standard output was closed when the program started (it is on
// /dev/null since): there is no console to open.
void MarkConsoleClosed();
// Whether the console can be opened: standard output was open at start and is open now.
bool ConsoleIsOpen();
// Prints text followed by CR LF on standard output and flushes.
void PrintLine(const std::string& text);
// Prints text followed by CR LF on standard error and flushes: per-file
// reasons and warnings, which never change a byte of standard output.
void PrintErrorLine(const std::string& text);
// Writes bytes as they are on standard error and flushes (the progress line).
void WriteErrorBytes(const std::string& bytes);
// Sets the terminal title when standard output is a terminal.
void SetConsoleTitle(const std::string& title);
// Waits for a key that yields a character; returns at once without a terminal.
void WaitForKey();
