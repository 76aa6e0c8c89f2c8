#include "app/Startup.h"
#include "platform/Console.h"
#include "platform/StandardStreams.h"

int main(int argc, char** argv) {
  // First of all, before any file takes descriptor 0, 1 or 2. Without
  // standard output there is no console: help and version end silently and a
  // conversion gives way to window mode, as when no console can be opened.
  if (ReopenClosedStandardStreams().output) MarkConsoleClosed();
  RunProgram(argc - 1, argv + 1);
}
