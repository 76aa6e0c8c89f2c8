// Converting the finished picture to the depth chosen for the output format.
#include "codecs/OutputEncoding.h"
#include "codecs/OutputFormats.h"
#include "settings/Settings.h"

int AutoDepth(const std::string& extension, int sourceBpp) {
  const OutputFormat* format = FindOutputFormat(extension);
  if (!format) return 0;
  int last = 0;
  for (int depth : format->AllowedDepths) {
    last = depth;
    if (last >= sourceBpp) return last;
  }
  return last;
}

namespace {

// Replaces image by converted (which may be none) and releases the old one.
FIBITMAP* Replace(FIBITMAP* image, FIBITMAP* converted) {
  if (converted != image) FreeImage_Unload(image);
  return converted;
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> list) {
  for (const char* item : list)
    if (value == item) return true;
  return false;
}

}  // namespace

FIBITMAP* ConvertDepth(FIBITMAP* image, FileJob& job) {
  if (!image) return nullptr;
  if (RunState.AutoBpp) job.OutputBpp = AutoDepth(RunState.ConversionType, job.SourceBpp);
  const int target = job.OutputBpp;
  if (static_cast<int>(FreeImage_GetBPP(image)) == target) return image;
  const std::string& type = RunState.ConversionType;
  switch (target) {
    case 96:
      return Replace(image, FreeImage_ConvertToRGBF(image));
    case 48:
      return Replace(image, FreeImage_ConvertToRGB16(image));
    case 32:
      return Replace(image, FreeImage_ConvertTo32Bits(image));
    case 24:
      return Replace(image, FreeImage_ConvertTo24Bits(image));
    case 16:
      if (FreeImage_GetBPP(image) > 32) {
        image = Replace(image, FreeImage_ConvertTo24Bits(image));
        if (!image) return nullptr;
      }
      return Replace(image, IsOneOf(type, {"ico", "tga"}) ? FreeImage_ConvertTo16Bits555(image)
                                                          : FreeImage_ConvertTo16Bits565(image));
    case 8:
      // Formats without a colour table take 8 bits as greyscale; the others
      // get a 256-colour palette from Wu's quantizer. (A Portable Greymap
      // stores grey levels, so palette indices written there would be noise.)
      if (IsOneOf(type, {"j2k", "jp2", "jpg", "jxr", "pgm"}))
        return Replace(image, FreeImage_ConvertTo8Bits(image));
      if (FreeImage_GetBPP(image) != 24) {
        image = Replace(image, FreeImage_ConvertTo24Bits(image));
        if (!image) return nullptr;
      }
      return Replace(image, FreeImage_ColorQuantizeEx(image, FIQ_WUQUANT, 256, 0, nullptr));
    case 4:
      return Replace(image, FreeImage_ConvertTo4Bits(image));
    case 1:
      return Replace(image, FreeImage_Dither(image, FID_FS));
    default:
      FreeImage_Unload(image);
      return nullptr;
  }
}
