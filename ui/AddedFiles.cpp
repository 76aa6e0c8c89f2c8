#include "ui/AddedFiles.h"

#include <mutex>

#include "batch/InputCollection.h"
#include "platform/Files.h"
#include "settings/Settings.h"

namespace {

std::mutex pendingMutex;
std::vector<AddedFile> pending;

void Report(const std::string& path) {
  // The adding thread owns RunState while it runs.
  AddedFile added{path, RunState.InputFolder.empty() ? FolderOf(path) : RunState.InputFolder};
  std::lock_guard<std::mutex> lock(pendingMutex);
  pending.push_back(std::move(added));
}

}  // namespace

void StartReportingAddedFiles() { InputFileAddedHook = Report; }

std::vector<AddedFile> TakeAddedFiles() {
  std::lock_guard<std::mutex> lock(pendingMutex);
  std::vector<AddedFile> taken;
  taken.swap(pending);
  return taken;
}
