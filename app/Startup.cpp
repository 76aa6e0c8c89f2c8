#include "app/Startup.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdlib>

#include "app/WindowMode.h"
#include "batch/InputList.h"
#include "cli/CommandLine.h"
#include "codecs/FormatTables.h"
#include "platform/InstanceLock.h"
#include "platform/InterruptCleanup.h"
#include "platform/Memory.h"
#include "settings/Settings.h"

const char* const ProductTitle = "Corvanta Nembrix";

std::string VersionText(int number) {
  std::string text = std::to_string(number);
  if (text.size() >= 2) text.insert(1, ".");
  if (text.size() >= 4) text.insert(3, ".");
  if (!text.empty() && text.back() == '0') text = text.substr(0, 3);
  return text;
}

std::string WindowTitle() { return std::string(ProductTitle) + " " + VersionText(ProgramVersion); }

void EndProgram() { std::exit(0); }

void RunProgram(int paramCount, char** params) {
  SetProgramParameters(paramCount, params);
  InstallInterruptCleanup();

  KeepLargeBuffersOutOfTheHeap();
  CreateProcessLists();
  InputList.Clear();
  InputFormatTable.clear();
  FormatTable.clear();

  ilInit();
  iluInit();

  // A second start of the same version, in either mode, ends silently.
  int lock = AcquireInstanceLock(WindowTitle());
  if (lock < 0) EndProgram();
  Settings.InstanceHandle = lock;

  if (RunCommandLine() == 0) {
    SetWindowStartFiles(WindowStartFiles(paramCount, params));
    RunWindowMode();
    ReleaseInstanceLock(Settings.InstanceHandle);
    Settings.InstanceHandle = -1;
  }
  EndProgram();
}
