// 8-bit BMP files whose colour table holds only the entries the pixels use.
#include <cstdint>
#include <vector>

#include "codecs/OutputEncoding.h"
#include "settings/Settings.h"

namespace {

// Offset of the pixel data in an 8-bit BMP with a full colour table:
// file header, info header and 256 four-byte entries.
constexpr std::size_t FullTableOffset = 14 + 40 + 256 * 4;

void PutLittle32(std::vector<BYTE>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

std::uint32_t GetLittle32(const BYTE* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24;
}

}  // namespace

int CountUsedColors(FIBITMAP* image) {
  if (!image || FreeImage_GetImageType(image) != FIT_BITMAP || FreeImage_GetBPP(image) != 8)
    return 0;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  int highest = 0;
  for (unsigned y = 0; y < h; ++y) {
    const BYTE* row = FreeImage_GetScanLine(image, static_cast<int>(y));
    for (unsigned x = 0; x < w; ++x)
      if (row[x] > highest) highest = row[x];
  }
  return highest + 1;
}

bool WriteBmpExactPalette(FIBITMAP* image, CheckedFile& file) {
  // The rebuilt layout below is only right for an 8-bit palette picture.
  if (!image || FreeImage_GetImageType(image) != FIT_BITMAP || FreeImage_GetBPP(image) != 8)
    return false;

  FIMEMORY* stream = FreeImage_OpenMemory();
  if (!stream) return false;
  std::vector<BYTE> encoded;
  BYTE* data = nullptr;
  DWORD size = 0;
  if (FreeImage_SaveToMemory(static_cast<FREE_IMAGE_FORMAT>(RunState.FormatId), image, stream,
                             RunState.SaveFlags) &&
      FreeImage_AcquireMemory(stream, &data, &size))
    encoded.assign(data, data + size);
  FreeImage_CloseMemory(stream);
  if (encoded.size() <= FullTableOffset || encoded[0] != 'B' || encoded[1] != 'M' ||
      GetLittle32(&encoded[10]) != FullTableOffset)
    return false;

  const std::size_t pixelBytes = encoded.size() - FullTableOffset;
  const std::uint32_t n = static_cast<std::uint32_t>(CountUsedColors(image));
  const std::size_t offset = 54 + std::size_t(n) * 4;
  std::vector<BYTE> bytes(offset + pixelBytes, 0);

  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLittle32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
  PutLittle32(bytes, 10, static_cast<std::uint32_t>(offset));

  // The encoder's info header already names the compression it used (BI_RGB,
  // or BI_RLE8 with BMPCompression 1), so the pixel data always matches it.
  std::copy(encoded.begin() + 14, encoded.begin() + 54, bytes.begin() + 14);
  PutLittle32(bytes, 14 + 20, static_cast<std::uint32_t>(pixelBytes));  // biSizeImage
  PutLittle32(bytes, 14 + 32, n);                                       // biClrUsed
  PutLittle32(bytes, 14 + 36, n);                                       // biClrImportant

  std::copy(encoded.begin() + 54, encoded.begin() + 54 + std::ptrdiff_t(n) * 4, bytes.begin() + 54);
  std::copy(encoded.begin() + FullTableOffset, encoded.end(),
            bytes.begin() + std::ptrdiff_t(offset));

  return file.WriteAll(bytes.data(), bytes.size());
}
