#include "platform/MemoryBudget.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

constexpr std::uint64_t Unlimited = std::numeric_limits<std::uint64_t>::max();

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A whole non-negative decimal number (trailing blanks allowed), or false.
bool ParseCount(const std::string& text, std::uint64_t& value) {
  size_t end = text.find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return false;
  const std::string digits = text.substr(0, end + 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long parsed = std::strtoull(digits.c_str(), nullptr, 10);
  if (errno != 0) return false;
  value = parsed;
  return true;
}

std::uint64_t Room(std::uint64_t limit, std::uint64_t used) {
  return limit > used ? limit - used : 0;
}

std::uint64_t AddressSpaceRoom() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return Unlimited;
  const std::uint64_t mapped = KilobyteField(ReadSmallFile("/proc/self/status"), "VmSize");
  return Room(limit.rlim_cur, mapped);
}

// memory.max less memory.current for the group and each parent up to the
// root of the unified hierarchy; a parent's limit binds its children too.
std::uint64_t ControlGroupRoom() {
  std::string path = UnifiedCgroupPath(ReadSmallFile("/proc/self/cgroup"));
  if (path.empty()) return Unlimited;
  std::uint64_t room = Unlimited;
  for (;;) {
    const std::string folder = "/sys/fs/cgroup" + (path == "/" ? std::string() : path);
    std::uint64_t limit = 0, current = 0;
    if (ParseCount(ReadSmallFile(folder + "/memory.max"), limit) &&
        ParseCount(ReadSmallFile(folder + "/memory.current"), current))
      room = std::min(room, Room(limit, current));
    if (path == "/" || path.empty()) break;
    const size_t slash = path.find_last_of('/');
    path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
  }
  return room;
}

}  // namespace

std::uint64_t KilobyteField(const std::string& text, const std::string& key) {
  const std::string prefix = key + ":";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (text.compare(at, prefix.size(), prefix) == 0) {
      const unsigned long long kb = std::strtoull(text.c_str() + at + prefix.size(), nullptr, 10);
      return kb > Unlimited / 1024 ? Unlimited : kb * 1024;
    }
    at = end + 1;
  }
  return 0;
}

std::string UnifiedCgroupPath(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind("0::", 0) == 0) return line.substr(3);
  return "";
}

std::uint64_t AvailableMemoryBytes() {
  if (const char* limit = std::getenv("LUMIVERT_MEMORY_LIMIT")) {
    std::uint64_t bytes = 0;
    if (ParseCount(limit, bytes)) return bytes;
  }
  std::uint64_t room = Unlimited;
  const std::uint64_t available = KilobyteField(ReadSmallFile("/proc/meminfo"), "MemAvailable");
  if (available > 0) room = available;
  room = std::min(room, AddressSpaceRoom());
  room = std::min(room, ControlGroupRoom());
  return room;
}
