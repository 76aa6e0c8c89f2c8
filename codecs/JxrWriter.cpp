#include "codecs/JxrWriter.h"

#include <cstdio>
#include <cstring>
#include <vector>

// FreeImage.h defines _WINDOWS_, which makes the codec headers declare a
// 24-byte GUID instead of the 16-byte one the library was built with; hide it.
// The codec headers also define min and max as macros, so they come last.
#pragma push_macro("_WINDOWS_")
#undef _WINDOWS_
#include <JXRGlue.h>
#pragma pop_macro("_WINDOWS_")
#undef min
#undef max
static_assert(sizeof(GUID) == 16, "the codec's GUID layout");

namespace {

struct PixelLayout {
  const PKPixelFormatGUID* format = nullptr;
  bool grey = false;
  bool alpha = false;
  bool invertBits = false;  // 1-bit pictures whose index 0 is the light colour
};

bool ChooseLayout(FIBITMAP* image, PixelLayout& layout) {
  const unsigned bpp = FreeImage_GetBPP(image);
  switch (FreeImage_GetImageType(image)) {
    case FIT_BITMAP:
      break;
    case FIT_RGB16:
      layout.format = &GUID_PKPixelFormat48bppRGB;
      return true;
    case FIT_RGBF:
      layout.format = &GUID_PKPixelFormat128bppRGBFloat;
      return true;
    default:
      return false;
  }
  switch (bpp) {
    case 1: {
      layout.format = &GUID_PKPixelFormatBlackWhite;
      layout.grey = true;
      const RGBQUAD* palette = FreeImage_GetPalette(image);
      layout.invertBits = palette && palette[0].rgbGreen > palette[1].rgbGreen;
      return true;
    }
    case 8:
      layout.format = &GUID_PKPixelFormat8bppGray;
      layout.grey = true;
      return true;
    case 16:
      layout.format = FreeImage_GetGreenMask(image) == FI16_565_GREEN_MASK
                          ? &GUID_PKPixelFormat16bppRGB565
                          : &GUID_PKPixelFormat16bppRGB555;
      return true;
    case 24:
      layout.format = &GUID_PKPixelFormat24bppBGR;
      return true;
    case 32:
      layout.format = &GUID_PKPixelFormat32bppBGRA;
      layout.alpha = true;
      return true;
    default:
      return false;
  }
}

// The encoder wants rows top-down; FreeImage keeps them bottom-up. Float RGB
// is widened to the padded 128-bit layout, the float format the encoder takes.
std::vector<U8> TopDownRows(FIBITMAP* image, const PixelLayout& layout, U32& stride) {
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  const bool widenFloat = layout.format == &GUID_PKPixelFormat128bppRGBFloat;
  const size_t rowBytes =
      widenFloat ? size_t(w) * 16 : (size_t(w) * FreeImage_GetBPP(image) + 7) / 8;
  stride = static_cast<U32>((rowBytes + 3) & ~size_t(3));
  std::vector<U8> rows(size_t(stride) * h, 0);
  for (unsigned y = 0; y < h; ++y) {
    const BYTE* src = FreeImage_GetScanLine(image, static_cast<int>(h - 1 - y));
    U8* dst = rows.data() + size_t(y) * stride;
    if (widenFloat) {
      for (unsigned x = 0; x < w; ++x) std::memcpy(dst + size_t(x) * 16, src + size_t(x) * 12, 12);
    } else {
      std::memcpy(dst, src, rowBytes);
      if (layout.invertBits)
        for (size_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<U8>(~dst[i]);
    }
  }
  return rows;
}

void SetQuality(CWMIStrCodecParam& params, const PixelLayout& layout, int saveFlags) {
  int quality = saveFlags & 0xFF;
  if (quality == 0) quality = 80;
  std::memset(&params, 0, sizeof params);
  params.bVerbose = FALSE;
  params.cfColorFormat = layout.grey ? Y_ONLY : YUV_444;
  params.bdBitDepth = BD_LONG;
  params.bfBitstreamFormat = SPATIAL;
  params.bProgressiveMode = FALSE;
  params.sbSubband = SB_ALL;
  params.uAlphaMode = layout.alpha ? 2 : 0;
  if (quality >= 100) {
    // Quantiser 1 without overlap filtering is the codec's lossless mode.
    params.olOverlap = OL_NONE;
    params.uiDefaultQPIndex = 1;
  } else {
    params.olOverlap = OL_ONE;
    params.uiDefaultQPIndex = static_cast<U8>(1 + (100 - quality) * 2);
  }
  params.uiDefaultQPIndexAlpha = params.uiDefaultQPIndex;
}

// The codec's stream interface over the checked file. The file stream of the
// library ignores the result of its close, so it cannot be used here.
CheckedFile& FileOf(struct WMPStream* stream) {
  return *static_cast<CheckedFile*>(stream->state.pvObj);
}
ERR CloseStream(struct WMPStream** stream) {
  delete *stream;  // the file itself is the caller's to finish
  *stream = nullptr;
  return WMP_errSuccess;
}
Bool AtEnd(struct WMPStream*) { return FALSE; }
ERR ReadStream(struct WMPStream* stream, void* data, size_t size) {
  return FileOf(stream).Read(data, 1, size) == size ? WMP_errSuccess : WMP_errFileIO;
}
ERR WriteStream(struct WMPStream* stream, const void* data, size_t size) {
  return FileOf(stream).Write(data, 1, size) == size ? WMP_errSuccess : WMP_errFileIO;
}
ERR SetPosition(struct WMPStream* stream, size_t position) {
  return FileOf(stream).Seek(static_cast<long>(position), SEEK_SET) == 0 ? WMP_errSuccess
                                                                         : WMP_errFileIO;
}
ERR GetPosition(struct WMPStream* stream, size_t* position) {
  const long at = FileOf(stream).Tell();
  if (at < 0) return WMP_errFileIO;
  *position = static_cast<size_t>(at);
  return WMP_errSuccess;
}

struct WMPStream* CheckedStream(CheckedFile& file) {
  auto* stream = new ::WMPStream{};
  stream->state.pvObj = &file;
  stream->fMem = FALSE;
  stream->Close = CloseStream;
  stream->EOS = AtEnd;
  stream->Read = ReadStream;
  stream->Write = WriteStream;
  stream->SetPos = SetPosition;
  stream->GetPos = GetPosition;
  return stream;
}

}  // namespace

bool WriteJxrFile(FIBITMAP* image, const std::string& path, int saveFlags) {
  CheckedFile file = CheckedFile::Create(path);
  if (!file.IsOpen()) return false;
  const bool ok = WriteJxrFile(image, file, saveFlags);
  return file.Finish() && ok;
}

bool WriteJxrFile(FIBITMAP* image, CheckedFile& file, int saveFlags) {
  if (!image || !FreeImage_HasPixels(image)) return false;
  PixelLayout layout;
  if (!ChooseLayout(image, layout)) return false;
  U32 stride = 0;
  std::vector<U8> rows = TopDownRows(image, layout, stride);
  CWMIStrCodecParam params;
  SetQuality(params, layout, saveFlags);

  struct WMPStream* stream = CheckedStream(file);
  PKImageEncode* encoder = nullptr;
  if (Failed(PKImageEncode_Create_WMP(&encoder))) {
    stream->Close(&stream);
    return false;
  }
  bool ok = !Failed(encoder->Initialize(encoder, stream, &params, sizeof params));
  // Release closes the encoder's stream, so it must hold ours whatever happened.
  if (!encoder->pStream) encoder->pStream = stream;
  ok = ok && !Failed(encoder->SetPixelFormat(encoder, *layout.format));
  ok = ok && !Failed(encoder->SetSize(encoder, static_cast<I32>(FreeImage_GetWidth(image)),
                                      static_cast<I32>(FreeImage_GetHeight(image))));
  ok = ok && !Failed(encoder->SetResolution(encoder, 96.0f, 96.0f));
  ok =
      ok && !Failed(encoder->WritePixels(encoder, FreeImage_GetHeight(image), rows.data(), stride));
  encoder->Release(&encoder);  // also releases the stream
  return ok;
}
