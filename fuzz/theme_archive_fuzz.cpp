// Fuzz target: a theme archive (a ZIP file) from untrusted bytes, read whole
// and for its theme.cfg alone, as the window does.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "themes/ThemeArchive.h"
#include "themes/Themes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteFuzzFile(data, size, "zip");
  ThemeArchive archive;
  if (archive.OpenOne(path, "theme.cfg")) IniValue(archive.Extract("theme.cfg"), "Theme", "Name");
  if (!archive.Open(path)) return 0;
  const std::string cfg = archive.Extract("theme.cfg");
  for (const char* name : MenuIconNames) {
    const std::string file = ThemePictureName(IniValue(cfg, "Icons", name), 32);
    std::uint32_t width = 0, height = 0;
    if (archive.Has(file)) PngDimensions(archive.Extract(file), width, height);
  }
  return 0;
}
