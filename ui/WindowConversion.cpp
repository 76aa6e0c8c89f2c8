#include "ui/WindowConversion.h"

#include <mutex>

#include "codecs/FormatTables.h"
#include "codecs/OutputEncoding.h"
#include "pipeline/ConvertFile.h"
#include "pipeline/Progress.h"
#include "settings/Settings.h"

// Drives the engine's conversion worker through the shared progress record.
// The worker has no gate yet: Pause() and Resume() hold nothing back, and the
// worker keeps no per-file reasons, so Failures() stays empty.

bool WindowConversion::SetOutputValues() {
  SettingsRecord& s = Settings;
  const std::pair<const char*, std::int32_t*> depths[] = {
      {"bmp", &s.BMPBPP},   {"dds", &s.DDSBPP},   {"exr", &s.EXRBPP}, {"gif", &s.GIFBPP},
      {"hdr", &s.HDRBPP},   {"ico", &s.ICOBPP},   {"j2k", &s.J2KBPP}, {"jng", &s.JNGBPP},
      {"jp2", &s.JP2BPP},   {"jpg", &s.JPGBPP},   {"jxr", &s.JXRBPP}, {"pbm", &s.PBMBPP},
      {"pcx", &s.PCXBPP},   {"pfm", &s.PFMBPP},   {"pgm", &s.PGMBPP}, {"png", &s.PNGBPP},
      {"ppm", &s.PPMBPP},   {"psd", &s.PSDBPP},   {"tga", &s.TGABPP}, {"tiff", &s.TIFFBPP},
      {"wbmp", &s.WBMPBPP}, {"webp", &s.WEBPBPP}, {"xpm", &s.XPMBPP},
  };
  const std::string& ext = RunState.ConversionType;
  const auto format = FormatTable.find(ext);
  if (format == FormatTable.end()) return false;
  for (const auto& [name, depth] : depths)
    if (ext == name) {
      RunState.FormatId = format->second.FormatId;
      RunState.OutputBpp = *depth;
      RunState.SaveFlags = SaveFlagsFor(ext);
      RunState.AutoBpp = RunState.OutputBpp == 0 ? 1 : 0;
      return true;
    }
  return false;
}

WindowConversion::~WindowConversion() {
  RequestStop();
  Wait();
}

void WindowConversion::Start() {
  ResetProgress();
  finished_ = false;
  worker_ = std::thread([this] {
    ConversionWorker();
    finished_ = true;
  });
}

WindowConversion::Snapshot WindowConversion::Read() const {
  Snapshot snapshot;
  const bool finished = finished_;
  std::lock_guard<std::mutex> lock(ProgressMutex);
  snapshot.position = Progress.Position;
  snapshot.currentFile = Progress.CurrentFile;
  snapshot.finished = finished;
  snapshot.converted = Progress.ResultCount;
  return snapshot;
}

void WindowConversion::Pause() {}
void WindowConversion::Resume() {}

void WindowConversion::RequestStop() {
  std::lock_guard<std::mutex> lock(ProgressMutex);
  Progress.KeepRunning = 0;
}

void WindowConversion::Wait() {
  if (worker_.joinable()) worker_.join();
}

std::vector<std::string> WindowConversion::Failures() const { return {}; }
