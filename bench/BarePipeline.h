// The default conversion done with bare library calls and nothing else: load
// as Radiance HDR, tone-map, convert to the format's automatic depth, save
// with the default flags. The benchmark measures the program against it and
// the tests compare the program's default outputs with it byte for byte.
#pragma once

#include <FreeImage.h>

#include <string>

inline bool BareConvert(const std::string& input, const std::string& output,
                        const std::string& ext) {
  FIBITMAP* hdr = FreeImage_Load(FIF_HDR, input.c_str(), 0);
  if (!hdr) return false;
  FIBITMAP* ldr = FreeImage_TmoFattal02(hdr, 0.5, 0.85);
  FreeImage_Unload(hdr);
  if (!ldr) return false;
  bool ok = false;
  if (ext == "png") {  // automatic depth 48, no compression
    FIBITMAP* deep = FreeImage_ConvertToRGB16(ldr);
    ok = deep && FreeImage_Save(FIF_PNG, deep, output.c_str(), PNG_Z_NO_COMPRESSION);
    if (deep) FreeImage_Unload(deep);
  } else if (ext == "jpg") {  // automatic depth 24, quality 95, 4:4:4
    ok = FreeImage_Save(FIF_JPEG, ldr, output.c_str(), 95 | JPEG_SUBSAMPLING_444);
  }
  FreeImage_Unload(ldr);
  return ok;
}
