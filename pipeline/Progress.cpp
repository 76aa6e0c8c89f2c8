#include "pipeline/Progress.h"

ProgressRecord Progress;
std::mutex ProgressMutex;

void ResetProgress() {
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.Position = 0;
  Progress.CurrentFile.clear();
  Progress.ResultCount = 0;
  Progress.KeepRunning = 1;
}
