#include "ui/WindowConversion.h"

#include "codecs/OutputFormats.h"
#include "settings/Settings.h"

bool WindowConversion::SetOutputValues() {
  const OutputFormat* format = FindOutputFormat(RunState.ConversionType);
  if (!format) return false;
  RunState.FormatId = format->LibraryId;
  RunState.OutputBpp = Settings.*format->Depth;
  RunState.SaveFlags = format->SaveFlags(Settings);
  RunState.AutoBpp = RunState.OutputBpp == 0 ? 1 : 0;
  return true;
}

WindowConversion::~WindowConversion() {
  RequestStop();
  Wait();
}

void WindowConversion::Start() { run_.StartWithCurrentList(); }

WindowConversion::Snapshot WindowConversion::Read() const {
  // Results are not needed while polling: ask for none of them.
  const RunSnapshot now = run_.Snapshot(static_cast<std::size_t>(-1));
  Snapshot snapshot;
  snapshot.position = now.Position;
  snapshot.currentFile = now.CurrentFile;
  snapshot.finished = now.Phase == RunPhase::Finished;
  snapshot.converted = now.Converted;
  return snapshot;
}

void WindowConversion::Pause() { run_.Pause(); }
void WindowConversion::Resume() { run_.Resume(); }
void WindowConversion::RequestStop() { run_.RequestStop(); }
void WindowConversion::Wait() { run_.Wait(); }

std::vector<std::string> WindowConversion::Failures() const {
  std::vector<std::string> lines;
  for (const FileResult& result : run_.Snapshot().Results)
    if (!result.Converted) lines.push_back(result.InputFile + ": " + FailureText(result.Failure));
  return lines;
}
