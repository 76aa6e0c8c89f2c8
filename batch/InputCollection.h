// Gathering the run's input files into InputList: one named file, a folder
// walked with all its subfolders, or a list file of paths.
#pragma once

#include <cstddef>
#include <string>

#include "platform/RegularFile.h"

// The extension of a path, as typed (not lower-cased): the text after the last
// "." met when scanning backwards before any "/" or space, provided that dot is
// not the first character and does not directly follow a "/". "" when none
// ("/a b/pic.HDR" gives "HDR"; "/v1.5 shots", "/pictures/" and "/pictures/.hdr" none).
std::string PathExtension(const std::string& path);

// Adds path to InputList when it is a non-empty regular file with a readable
// extension and not already present. Returns 1 when added, 0 otherwise.
// The element's RelativeFolder is RelativePart(path, RunState.InputFolder).
int AddInputFile(const std::string& path);

// The folder part of path below base ("a/b/" for base "/in/" and path
// "/in/a/b/x.hdr"); "" when either is empty or the folder does not begin with base.
std::string RelativePart(const std::string& path, const std::string& base);

// Walks folder (ending with "/") and everything below it, depth first,
// following links to folders but entering each folder at most once.
// Returns the number of files added.
int AddFolderFiles(const std::string& folder);

// Thread procedure of a folder run: walks RunState.InputFolder (which must end
// with "/"). Reports each top-level entry in Progress.Position, adds the files
// added to Progress.ResultCount at the end, and stops before the next
// top-level entry once Progress.KeepRunning is 0. Returns 0.
int ScanInputFolder();

// The largest list file read: a quarter of a million long paths, or
// 100,000 paths in UTF-32. Anything bigger, and anything that is not a regular
// file (a device, a pipe), reads as a list that cannot be opened.
constexpr std::size_t MaxListFileBytes = std::size_t{64} << 20;

// Thread procedure of a list run: reads the list file RunState.InputFile, one
// path per line (files or folders), and reports like ScanInputFolder, one
// Position step per existing entry. Returns 0. A list file that is not read
// at all puts the reason in problem when given, e.g. "/in/list.txt: list file
// is 70.0 MiB, over the 64 MiB limit; not read"; it is left alone otherwise.
int ReadInputList(std::string* problem = nullptr);

// That reason for a list file at path that was not read.
std::string ListFileProblemText(const std::string& path, const RegularFileOutcome& outcome);

// Window interface only: called by AddInputFile for every added file when
// RunState.CommandLineRun is 0 (to show the file and fill the output folder).
extern void (*InputFileAddedHook)(const std::string& path);

// Puts folder first in Settings.RecentOutFolders (tab-separated), keeping at
// most Settings.OutFoldersNumber entries and dropping entries equal to it in
// any letter case. An empty folder changes nothing.
void RecordRecentOutFolder(const std::string& folder);
