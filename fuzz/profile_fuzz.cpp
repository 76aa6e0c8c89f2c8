// Fuzz target: a profile file from untrusted bytes, applied to the settings.
#include <cstddef>
#include <cstdint>

#include "codecs/FormatTables.h"
#include "fuzz/FuzzInput.h"
#include "settings/Profile.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    CreateProcessLists();
    BuildFormatTables();  // the output formats' options
    return true;
  }();
  (void)ready;
  ApplyDefaults(1);
  LoadProfile(WriteFuzzFile(data, size, "ini"));
  return 0;
}
