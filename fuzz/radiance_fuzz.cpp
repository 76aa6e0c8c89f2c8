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
  if (const Bitmap picture = LoadInputImage(path)) TouchFarCorners(picture.get());
  return 0;
}
