#include "app/WindowMode.h"

// Without the window interface there is nothing to show: each mode ends quietly.
void RunWindowMode() {}
void RunUninstallWindow() {}
void RunScreenshotMode(const std::string&) {}
