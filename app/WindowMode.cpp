#include "app/WindowMode.h"

#include <dlfcn.h>

#include "platform/Console.h"
#include "platform/Files.h"

namespace {

// The window face lives in a module beside the program, loaded only here, so
// that a command-line run maps no toolkit, display or platform plugin.
void* WindowModule() {
  static void* module = dlopen((ProgramFolder() + "lumivert-window.so").c_str(), RTLD_NOW);
  return module;
}

template <typename Function>
Function Door(const char* name) {
  void* module = WindowModule();
  return module ? reinterpret_cast<Function>(dlsym(module, name)) : nullptr;
}

// Without a display (or without the window module) there is no window: say
// how to convert instead.
bool WindowPossible() {
  auto displayAvailable = Door<bool (*)()>("LumivertDisplayAvailable");
  if (displayAvailable && displayAvailable()) return true;
  PrintLine("No display is available for the window; use -i to convert from the command line.");
  return false;
}

}  // namespace

void RunWindowMode() {
  if (!WindowPossible()) return;
  if (auto run = Door<void (*)()>("LumivertRunWindow")) run();
}

void RunUninstallWindow() {
  if (!WindowPossible()) return;
  if (auto run = Door<void (*)()>("LumivertRunUninstall")) run();
}

void RunScreenshotMode(const std::string& folder) {
  if (!WindowPossible()) return;
  if (auto run = Door<void (*)(const char*)>("LumivertRunScreenshots")) run(folder.c_str());
}
