// Fuzz target: the own Radiance reader on untrusted bytes in memory, header
// first as the loader's size checks read it, then the whole decoder.
#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/RadianceReader.h"
#include "fuzz/FuzzInput.h"

namespace {

// The loader refuses pictures beyond its memory budget before decoding; the
// fuzzer keeps far below it so that an honest large claim is not a finding.
constexpr std::int64_t MaxFuzzPixels = std::int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RadianceHeader header;
  std::string error;
  if (ReadRadianceHeader(data, size, header, error) && header.width * header.height > MaxFuzzPixels)
    return 0;
  if (FIBITMAP* picture = DecodeRadiance(data, size, error)) {
    TouchFarCorners(picture);
    FreeImage_Unload(picture);
  }
  return 0;
}
