// Files added to InputList while the window runs, waiting to be shown as rows.
// AddInputFile reports them on whatever thread adds them (scans run on their
// own thread); the window takes them on the main thread.
#pragma once

#include <string>
#include <vector>

struct AddedFile {
  std::string path;
  std::string folder;  // RunState.InputFolder, or the file's folder without one
};

// Installs the report into AddInputFile.
void StartReportingAddedFiles();
std::vector<AddedFile> TakeAddedFiles();
