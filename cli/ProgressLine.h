// The live progress line the command line keeps on a terminal's standard
// error while files convert.
#pragma once

#include <cstddef>
#include <string>

// "3 of 10 files, 00:12 elapsed, 00:28 left: /in/pic.hdr", cut to fit in
// columns - 1 characters (the path loses its beginning first, marked "...").
// The time left is "--:--" until a file is done; times past an hour read
// "1:02:03".
std::string ProgressLineText(int done, int total, const std::string& currentFile,
                             double elapsedSeconds, std::size_t columns);

// Draws text over the current terminal line, and erases the line again.
void ShowProgressLine(const std::string& text);
void EraseProgressLine();

// True when a progress line may be shown: standard error is a terminal.
bool ProgressLineWanted();
// The terminal's width in columns (80 when it cannot be read).
std::size_t TerminalColumns();
