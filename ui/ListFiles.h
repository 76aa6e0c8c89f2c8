// Pure helpers of the window's list files and progress texts (no toolkit).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// text unchanged when it has at most limit characters; otherwise its first and
// last (limit - 3) / 2 characters around "...". Counts Unicode characters, so
// a UTF-8 sequence is never cut ("abcdefghij", 7 -> "ab...ij").
std::string ShortenMiddle(const std::string& text, int limit);

// Number of LF bytes in the file (read in 64 KiB blocks); 0 when unreadable.
std::int64_t CountLineFeeds(const std::string& path);

// Thread procedure of the export: writes path as a UTF-8 list file (byte-order
// mark, one row per line, CR LF after each) while Progress.KeepRunning holds,
// reporting Position; adds the lines written to Progress.ResultCount. A file
// that cannot be created gets nothing and counts 0. Returns 0.
int WriteInputList(const std::vector<std::string>& rows, const std::string& path);

// Which row to select after deleting rows (ascending indices) from a list
// that now has remaining rows: the row at the last position removed, counting
// from the bottom up as the rows are removed, or the row before it when that
// position is past the end; -1 when the list is empty.
// Rows 1 and 2 of 0..4 removed: 1 (the old row 3). Row 2 of 0..2: 1.
int RowToSelectAfterDelete(const std::vector<int>& removedRows, int remaining);
