// Entry points of the window face. Each creates the application object
// itself, so nothing of the toolkit exists on the command line.
#pragma once

#include <string>

// True when a display the toolkit can use is known: DISPLAY (and an X server
// answering there), WAYLAND_DISPLAY, or an explicit QT_QPA_PLATFORM.
bool DisplayAvailable();

// Window mode: configuration, themes, main window and its event loop; stores
// the geometry and writes the configuration before it returns.
void RunWindowInterface();
// Its part once the application object exists: reads the configuration, shows
// the main window with WindowStartFiles() in its list, runs the event loop,
// and writes the configuration when the window has closed.
void RunMainWindow();

// The uninstall window ("-U").
void RunUninstallInterface();

// Two JPEG pictures of the main window with sample content ("-T").
void RunScreenshotInterface(const std::string& folder);
