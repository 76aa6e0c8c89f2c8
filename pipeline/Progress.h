// The record through which a background scan reports to its starter.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct ProgressRecord {
  std::int32_t Position = 0;
  std::string CurrentFile;
  std::int32_t ResultCount = 0;
  // Cleared by another thread to stop the scan before its next entry.
  std::atomic<std::uint8_t> KeepRunning{1};
};

extern ProgressRecord Progress;
extern std::mutex ProgressMutex;

// Resets the record before a thread starts: Position 0, no file, ResultCount 0, KeepRunning 1.
void ResetProgress();
