// Fuzz target: a Radiance picture from untrusted bytes, through the public load
// function (header check, size check and decoder), exactly as a conversion
// loads its input.
#include <FreeImage.h>

#include <cstddef>
#include <cstdint>

#include "codecs/Loading.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = WriteFuzzFile(data, size, "hdr");
  if (FIBITMAP* picture = LoadInputImage(path)) {
    // Touch the corners so that a picture smaller than it claims shows up.
    const unsigned width = FreeImage_GetWidth(picture), height = FreeImage_GetHeight(picture);
    if (width > 0 && height > 0) {
      volatile float sink = 0;
      const auto* first = reinterpret_cast<const float*>(FreeImage_GetScanLine(picture, 0));
      const auto* last = reinterpret_cast<const float*>(
          FreeImage_GetScanLine(picture, static_cast<int>(height) - 1));
      sink = sink + first[0] + last[3 * (width - 1) + 2];
    }
    FreeImage_Unload(picture);
  }
  return 0;
}
