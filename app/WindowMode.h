// The desktop window interface as seen from the entry point and the front end.
// Builds without the window interface provide the quiet versions in
// app/WindowMode.cpp; the window interface replaces that file's definitions.
#pragma once

#include <string>
#include <vector>

// Window mode: configuration file, main window and its event loop; returns
// once the window is closed and the configuration has been written.
void RunWindowMode();

// The uninstall-feedback window (-U); returns once it is closed.
void RunUninstallWindow();

// Screenshots of the main window with sample content (-T) into folder
// (ProgramFolder when empty).
void RunScreenshotMode(const std::string& folder);

// The files named on the command line of a window-mode start (lumivert FILE...,
// as a file manager opens a picture): the parameters that do not begin with "-"
// and name an existing regular file, made absolute against the working
// directory, in command-line order. The window puts them into its file list.
std::vector<std::string> WindowStartFiles(int paramCount, char** params);
void SetWindowStartFiles(std::vector<std::string> files);
const std::vector<std::string>& WindowStartFiles();
