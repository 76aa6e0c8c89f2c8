#include "pipeline/OutputEncoding.h"

#include "settings/Settings.h"

int SaveFlagsFor(const std::string&) { return 0; }
int AutoDepth(const std::string&, int) { return 24; }
FIBITMAP* ConvertDepth(FIBITMAP* image) { return image; }
int CountUsedColors(FIBITMAP*) { return 0; }
bool WriteBmpExactPalette(FIBITMAP*, const std::string&) { return false; }
std::string MakeTempName(const std::string& prefix, const std::string& suffix) {
  return prefix + "tmp" + suffix;
}
bool SaveOutputImage(FIBITMAP* image) {
  return image && FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(RunState.FormatId), image,
                                 RunState.OutputFile.c_str(), RunState.SaveFlags);
}
