#include "codecs/JxrReader.h"

#include <cstdio>
#include <cstring>
#include <vector>

// See JxrWriter.cpp: the codec headers must not see FreeImage's _WINDOWS_.
#pragma push_macro("_WINDOWS_")
#undef _WINDOWS_
#include <JXRGlue.h>
#pragma pop_macro("_WINDOWS_")
#undef min
#undef max

namespace {

struct Layout {
  const PKPixelFormatGUID* format;
  FREE_IMAGE_TYPE type;
  unsigned bpp;               // FreeImage bits per pixel
  unsigned fileBytes;         // bytes per pixel in the decoded rows (0: bit-packed)
  unsigned red, green, blue;  // 16-bit masks
};

const Layout Layouts[] = {
    {&GUID_PKPixelFormatBlackWhite, FIT_BITMAP, 1, 0, 0, 0, 0},
    {&GUID_PKPixelFormat8bppGray, FIT_BITMAP, 8, 1, 0, 0, 0},
    {&GUID_PKPixelFormat16bppRGB555, FIT_BITMAP, 16, 2, FI16_555_RED_MASK, FI16_555_GREEN_MASK,
     FI16_555_BLUE_MASK},
    {&GUID_PKPixelFormat16bppRGB565, FIT_BITMAP, 16, 2, FI16_565_RED_MASK, FI16_565_GREEN_MASK,
     FI16_565_BLUE_MASK},
    {&GUID_PKPixelFormat24bppBGR, FIT_BITMAP, 24, 3, 0, 0, 0},
    {&GUID_PKPixelFormat32bppBGRA, FIT_BITMAP, 32, 4, 0, 0, 0},
    {&GUID_PKPixelFormat48bppRGB, FIT_RGB16, 48, 6, 0, 0, 0},
    {&GUID_PKPixelFormat128bppRGBFloat, FIT_RGBF, 96, 16, 0, 0, 0},
};

}  // namespace

FIBITMAP* LoadJxrFile(const std::string& path) {
  // The codec leaks its file stream when the file cannot be opened or is not
  // JPEG XR at all, so those are turned away here.
  unsigned char signature[4] = {0, 0, 0, 0};
  if (FILE* probe = std::fopen(path.c_str(), "rb")) {
    if (std::fread(signature, 1, 4, probe) != 4) signature[0] = 0;
    std::fclose(probe);
  }
  if (std::memcmp(signature, "II\xBC", 3) != 0) return nullptr;
  PKImageDecode* decoder = nullptr;
  if (Failed(PKCodecFactory_CreateDecoderFromFile(path.c_str(), &decoder))) {
    // The factory hands out the decoder even when reading its header failed.
    if (decoder) decoder->Release(&decoder);
    return nullptr;
  }
  PKPixelFormatGUID format;
  I32 w = 0, h = 0;
  const Layout* layout = nullptr;
  if (!Failed(decoder->GetPixelFormat(decoder, &format)) &&
      !Failed(decoder->GetSize(decoder, &w, &h)) && w > 0 && h > 0)
    for (const Layout& candidate : Layouts)
      if (IsEqualGUID(*candidate.format, format)) layout = &candidate;

  FIBITMAP* image = nullptr;
  if (layout) {
    const size_t rowBytes = layout->fileBytes ? size_t(w) * layout->fileBytes : (size_t(w) + 7) / 8;
    const U32 stride = static_cast<U32>((rowBytes + 15) & ~size_t(15));
    std::vector<U8> rows(size_t(stride) * size_t(h));
    // The decoder leaves a separately coded alpha plane out unless asked.
    if (layout->bpp == 32) decoder->WMP.wmiSCP.uAlphaMode = 2;
    PKRect all = {0, 0, w, h};
    if (!Failed(decoder->Copy(decoder, &all, rows.data(), stride)))
      image = FreeImage_AllocateT(layout->type, w, h, static_cast<int>(layout->bpp), layout->red,
                                  layout->green, layout->blue);
    if (image) {
      if (layout->bpp == 1) {
        RGBQUAD* palette = FreeImage_GetPalette(image);
        palette[1].rgbRed = palette[1].rgbGreen = palette[1].rgbBlue = 255;
      } else if (layout->bpp == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(image);
        for (int i = 0; i < 256; ++i)
          palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
      }
      for (I32 y = 0; y < h; ++y) {
        const U8* src = rows.data() + size_t(y) * stride;
        BYTE* dst = FreeImage_GetScanLine(image, h - 1 - y);
        if (layout->type == FIT_RGBF)
          for (I32 x = 0; x < w; ++x) std::memcpy(dst + size_t(x) * 12, src + size_t(x) * 16, 12);
        else
          std::memcpy(dst, src, rowBytes);
      }
    }
  }
  decoder->Release(&decoder);
  return image;
}
