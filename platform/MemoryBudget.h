// How much more memory this process can take before an allocation fails or
// the system starts to kill.
#pragma once

#include <cstdint>
#include <string>

// The smallest of: the system's available memory (MemAvailable), the room
// left under the address-space limit (RLIMIT_AS less what is mapped), and
// the room left under the memory limit of the process's control group and
// each of its parents. The environment variable LUMIVERT_MEMORY_LIMIT, a
// number of bytes, replaces the measured value (tests use it to show a
// refusal without large allocations).
std::uint64_t AvailableMemoryBytes();

// The pieces, for tests: the value of a "Key:  N kB" line of /proc/meminfo
// or /proc/self/status text in bytes, or 0 when absent.
std::uint64_t KilobyteField(const std::string& text, const std::string& key);
// The control-group path of a /proc/self/cgroup text: the unified ("0::")
// line, or "" when there is none.
std::string UnifiedCgroupPath(const std::string& text);
