// The one record through which a background thread reports to its starter.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

struct ProgressRecord {
  std::int32_t Position = 0;
  std::string CurrentFile;
  std::int32_t ResultCount = 0;
  volatile std::uint8_t KeepRunning = 1;
};

extern ProgressRecord Progress;
extern std::mutex ProgressMutex;

// Resets the record before a thread starts: Position 0, no file, ResultCount 0, KeepRunning 1.
void ResetProgress();
