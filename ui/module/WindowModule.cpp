// The doors of the window module: the program looks these names up after
// loading the module, so they keep C linkage.
#include "ui/WindowInterface.h"

extern "C" {

bool LumivertDisplayAvailable() { return DisplayAvailable(); }
void LumivertRunWindow() { RunWindowInterface(); }
void LumivertRunUninstall() { RunUninstallInterface(); }
void LumivertRunScreenshots(const char* folder) { RunScreenshotInterface(folder); }
}
