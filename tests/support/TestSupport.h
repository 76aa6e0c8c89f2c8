// Shared helpers for the tests: scratch folders, generated HDR input, and
// running the built program with its own instance-lock folder.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "scripts/RadianceWriter.h"

// A fresh empty folder below the system temp folder, ending with "/".
std::string ScratchFolder(const std::string& tag);
// The names of the entries of folder (no recursion), sorted.
std::set<std::string> FolderEntries(const std::string& folder);

struct ProgramResult {
  std::string out;  // standard output bytes, CR LF included
  int exitCode = -1;
};

// Runs the built lumivert with args (shell-quoted here), in workDir when given,
// with a private XDG_RUNTIME_DIR and XDG_CONFIG_HOME, no display and no standard input.
ProgramResult RunLumivert(const std::vector<std::string>& args, const std::string& workDir = "");

// s in single quotes for the shell.
std::string ShellQuote(const std::string& s);
// Runs a shell command and collects its standard output and exit code.
ProgramResult RunShellCommand(const std::string& cmd);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Joins lines with CR LF, including after the last one.
std::string CrLfLines(const std::vector<std::string>& lines);
