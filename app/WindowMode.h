// The desktop window interface as seen from the entry point and the front end.
// Builds without the window interface provide the quiet versions in
// app/WindowMode.cpp; the window interface replaces that file's definitions.
#pragma once

#include <string>

// Window mode: configuration file, main window and its event loop; returns
// once the window is closed and the configuration has been written.
void RunWindowMode();

// The uninstall-feedback window (-U); returns once it is closed.
void RunUninstallWindow();

// Screenshots of the main window with sample content (-T) into folder
// (ProgramFolder when empty).
void RunScreenshotMode(const std::string& folder);
