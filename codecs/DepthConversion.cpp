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

bool IsOneOf(const std::string& value, std::initializer_list<const char*> list) {
  for (const char* item : list)
    if (value == item) return true;
  return false;
}

}  // namespace

Bitmap ConvertDepth(Bitmap image, FileJob& job) {
  if (!image) return image;
  if (RunState.AutoBpp) job.OutputBpp = AutoDepth(RunState.ConversionType, job.SourceBpp);
  const int target = job.OutputBpp;
  if (static_cast<int>(FreeImage_GetBPP(image.get())) == target) return image;
  const std::string& type = RunState.ConversionType;
  switch (target) {
    case 96:
      image.reset(FreeImage_ConvertToRGBF(image.get()));
      break;
    case 48:
      image.reset(FreeImage_ConvertToRGB16(image.get()));
      break;
    case 32:
      image.reset(FreeImage_ConvertTo32Bits(image.get()));
      break;
    case 24:
      image.reset(FreeImage_ConvertTo24Bits(image.get()));
      break;
    case 16:
      if (FreeImage_GetBPP(image.get()) > 32) {
        image.reset(FreeImage_ConvertTo24Bits(image.get()));
        if (!image) break;
      }
      image.reset(IsOneOf(type, {"ico", "tga"}) ? FreeImage_ConvertTo16Bits555(image.get())
                                                : FreeImage_ConvertTo16Bits565(image.get()));
      break;
    case 8:
      // Formats without a colour table take 8 bits as greyscale; the others
      // get a 256-colour palette from Wu's quantizer. (A Portable Greymap
      // stores grey levels, so palette indices written there would be noise.)
      if (IsOneOf(type, {"j2k", "jp2", "jpg", "jxr", "pgm"})) {
        image.reset(FreeImage_ConvertTo8Bits(image.get()));
        break;
      }
      if (FreeImage_GetBPP(image.get()) != 24) {
        image.reset(FreeImage_ConvertTo24Bits(image.get()));
        if (!image) break;
      }
      image.reset(FreeImage_ColorQuantizeEx(image.get(), FIQ_WUQUANT, 256, 0, nullptr));
      break;
    case 4:
      image.reset(FreeImage_ConvertTo4Bits(image.get()));
      break;
    case 1:
      image.reset(FreeImage_Dither(image.get(), FID_FS));
      break;
    default:
      image.reset();
      break;
  }
  return image;
}
