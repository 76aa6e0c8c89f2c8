// Fuzz target: a configuration file (config.ini) from untrusted bytes, read as
// the window start reads it. Beyond not crashing, what is read must survive
// the writer: writing the record and reading that back gives the same file,
// and no value read is outside what the preferences dialog allows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/FormatTables.h"
#include "fuzz/FuzzInput.h"
#include "settings/ConfigFile.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    CreateProcessLists();
    BuildFormatTables();
    return true;
  }();
  (void)ready;
  // The warnings are gathered, not printed: a fuzz run need not fill stderr.
  std::vector<std::string> warnings;
  SettingsRecord read;
  ApplyConfigText(std::string(reinterpret_cast<const char*>(data), size), read, &warnings);

  const std::string written = ConfigFileText(read);
  SettingsRecord again;
  std::vector<std::string> againWarnings;
  ApplyConfigText(written, again, &againWarnings);
  if (ConfigFileText(again) != written) {
    std::fputs("config read back differs from what was written\n", stderr);
    std::abort();
  }
  if (!againWarnings.empty()) {
    std::fprintf(stderr, "written config is out of range: %s\n", againWarnings.front().c_str());
    std::abort();
  }
  return 0;
}
