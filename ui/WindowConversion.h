// The window's handle on one conversion run: start, progress snapshot, gate,
// stop and wait. The window talks to the engine's run only through this class.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class WindowConversion {
 public:
  struct Snapshot {
    std::int32_t position = 0;  // files started so far
    std::string currentFile;
    bool finished = false;
    std::int32_t converted = 0;  // valid once finished
  };

  WindowConversion() = default;
  WindowConversion(const WindowConversion&) = delete;
  WindowConversion& operator=(const WindowConversion&) = delete;
  ~WindowConversion();

  // The per-run output values of RunState.ConversionType: FormatId,
  // OutputBpp, SaveFlags and AutoBpp; false for an unknown type.
  static bool SetOutputValues();

  // Converts every entry of InputList on a worker thread.
  void Start();
  Snapshot Read() const;
  // While paused no new file starts; the file in progress finishes.
  void Pause();
  void Resume();
  // Finish the file in progress and start no new one.
  void RequestStop();
  void Wait();
  // "path: reason" for each file that failed, once finished.
  std::vector<std::string> Failures() const;

 private:
  std::thread worker_;
  std::atomic<bool> finished_{false};
};
