// Fuzz target: a whole command line from untrusted bytes. The input is split
// at zero bytes into parameters, which are handled as the front end handles
// them (options, quoted values, profiles) up to the point where the run would
// start; nothing here ends the process.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "codecs/FormatTables.h"
#include "settings/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    CreateProcessLists();
    BuildFormatTables();
    return true;
  }();
  (void)ready;
  std::vector<std::string> parameters(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      parameters.emplace_back();
    else
      parameters.back() += static_cast<char>(data[i]);
  }
  SetProgramParameters(parameters);
  InitRunState();
  ApplyDefaults(1);
  ReadParameters();
  return 0;
}
