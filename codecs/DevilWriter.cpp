#include "codecs/DevilWriter.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <mutex>
#include <new>
#include <vector>

namespace {

// DevIL's write procedures over the checked file. "Opening" hands over the
// file being written (ilSaveF would avoid that, but it cannot write pcx);
// the caller finishes the file, so "closing" does nothing.
CheckedFile* FileBeingWritten = nullptr;
ILHANDLE ILAPIENTRY OpenFileBeingWritten(ILconst_string) { return FileBeingWritten; }
void ILAPIENTRY CloseNothing(ILHANDLE) {}
ILint ILAPIENTRY PutByte(ILubyte byte, ILHANDLE handle) {
  return static_cast<CheckedFile*>(handle)->Write(&byte, 1, 1) == 1 ? byte : IL_EOF;
}
ILint ILAPIENTRY SeekTo(ILHANDLE handle, ILint offset, ILint origin) {
  return static_cast<CheckedFile*>(handle)->Seek(offset, origin);
}
ILint ILAPIENTRY TellWhere(ILHANDLE handle) {
  return static_cast<ILint>(static_cast<CheckedFile*>(handle)->Tell());
}
ILint ILAPIENTRY WriteBytes(const void* data, ILuint size, ILuint count, ILHANDLE handle) {
  return static_cast<ILint>(static_cast<CheckedFile*>(handle)->Write(data, size, count));
}

}  // namespace

bool WriteDevilFile(FIBITMAP* image, int ilType, CheckedFile& file, bool buildMipmaps) {
  if (!image || FreeImage_GetImageType(image) != FIT_BITMAP) return false;
  const unsigned bpp = FreeImage_GetBPP(image);
  // The raw copy below writes bpp bits per pixel into a 3- or 4-byte pitch.
  if (bpp != 24 && bpp != 32) return false;
  const int channels = bpp == 32 ? 4 : 3;
  const ILenum format = bpp == 32 ? IL_BGRA : IL_BGR;
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  const size_t pitch = size_t(w) * channels;

  std::vector<BYTE> buffer;
  try {
    buffer.resize(pitch * h);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Bottom-up rows, as DevIL's default lower-left origin expects.
  FreeImage_ConvertToRawBits(buffer.data(), image, static_cast<int>(pitch), bpp, FI_RGBA_RED_MASK,
                             FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);

  // DevIL keeps the bound image, the write procedures and its error stack in
  // process-wide state: one picture at a time.
  static std::mutex devilInUse;
  std::lock_guard<std::mutex> lock(devilInUse);
  ilEnable(IL_FILE_OVERWRITE);
  ILuint id = 0;
  ilGenImages(1, &id);
  ilBindImage(id);
  bool ok = ilTexImage(w, h, static_cast<ILubyte>(ilGetInteger(IL_IMAGE_DEPTH)),
                       static_cast<ILubyte>(channels), format, IL_UNSIGNED_BYTE, buffer.data());
  if (ok && buildMipmaps) ok = iluBuildMipmaps();
  if (ok) {
    FileBeingWritten = &file;
    ilSetWrite(OpenFileBeingWritten, CloseNothing, PutByte, SeekTo, TellWhere, WriteBytes);
    // The name only labels the save; every byte goes through the procedures.
    ok = ilSave(static_cast<ILenum>(ilType), "output");
    ilResetWrite();
    FileBeingWritten = nullptr;
  }
  ilDeleteImages(1, &id);
  while (ilGetError() != IL_NO_ERROR) {
  }
  return ok;
}
