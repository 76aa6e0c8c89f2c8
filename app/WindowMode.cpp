#include "app/WindowMode.h"

#include "platform/Console.h"
#include "ui/WindowInterface.h"

namespace {

// Without a display there is no window: say how to convert instead.
bool WindowPossible() {
  if (DisplayAvailable()) return true;
  PrintLine("No display is available for the window; use -i to convert from the command line.");
  return false;
}

}  // namespace

void RunWindowMode() {
  if (WindowPossible()) RunWindowInterface();
}

void RunUninstallWindow() {
  if (WindowPossible()) RunUninstallInterface();
}

void RunScreenshotMode(const std::string& folder) {
  if (WindowPossible()) RunScreenshotInterface(folder);
}
