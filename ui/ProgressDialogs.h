// The window's progress dialogs: conversion, import (folder or list) and
// export, each polling its worker every 15 ms and offering to stop it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class MainWindow;

enum class ImportSource { Folder, List };

// Imports RunState.InputFolder (folder) or RunState.InputFile (list). The
// caller has set Progress.ResultCount to 0 (once for several dropped folders).
void ImportProgressDialog(MainWindow* window, ImportSource source);

// Writes rows to RunState.InputFile. The caller has set ResultCount to 0.
void ExportProgressDialog(MainWindow* window, const std::vector<std::string>& rows);

// The time line of the convert dialog: "Elapsed 1:05", and ", left 0:30"
// once some but not all of the total files are done (the pace so far).
QString RunTimesText(std::int64_t elapsedSeconds, std::int32_t done, std::int32_t total);
// Captions of the convert dialog's extra buttons.
inline const char* const StopButtonText = "Stop";
inline const char* const OpenOutputFolderText = "Open output folder";

// Converts every entry of InputList with the per-run values already set.
void ConvertProgressDialog(MainWindow* window);

// The Convert command: checks the window's inputs, sets the per-run output
// values, records the output folder and runs the convert dialog.
void ValidateWindowRun(MainWindow* window);
