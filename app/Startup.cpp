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

void EndProgram(int exitCode) { std::exit(exitCode); }

void RunProgram(int paramCount, char** params) {
  SetProgramParameters(paramCount, params);
  InstallInterruptCleanup();

  KeepLargeBuffersOutOfTheHeap();
  CreateProcessLists();
  InputList.Clear();
  InputFormatTable.clear();

  ilInit();
  iluInit();

  // A second start of the same version, in either mode, ends silently.
  int lock = AcquireInstanceLock(WindowTitle());
  if (lock < 0) EndProgram();
  Settings.InstanceHandle = lock;

  const CommandLineNext next = RunCommandLine();
  switch (next.Mode) {
    case NextMode::Window:
      SetWindowStartFiles(WindowStartFiles(paramCount, params));
      RunWindowMode();
      ReleaseInstanceLock(Settings.InstanceHandle);
      Settings.InstanceHandle = -1;
      break;
    case NextMode::UninstallWindow:
      RunUninstallWindow();
      break;
    case NextMode::ScreenshotMode:
      RunScreenshotMode(next.Folder);
      break;
    case NextMode::End:
      EndProgram(next.ExitCode);
  }
  EndProgram();
}
