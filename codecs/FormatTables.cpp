#include "codecs/FormatTables.h"

#include <FreeImage.h>
#include <IL/il.h>

#include <sstream>
#include <vector>

#include "lang/LanguageTable.h"
#include "settings/Settings.h"

std::map<std::string, OutputFormatRecord> FormatTable;
std::map<std::string, InputFormatRecord> InputFormatTable;

namespace {

struct InputRow {
  const char* group;
  const char* description;
  std::vector<const char*> extensions;
};

const std::vector<InputRow>& InputRows() {
  static const std::vector<InputRow> rows = {
      {"bmp", "Windows or OS/2 Bitmap", {"bmp", "rle", "dib"}},
      {"dds", "DirectDraw Surface File", {"dds"}},
      {"emf", "Enhanced Metafile Format", {"emf", "emz"}},
      {"gif", "GIF File", {"gif"}},
      {"hdr", "High Dynamic Range File", {"hdr", "hdri"}},
      {"ico", "Windows Icon", {"ico"}},
      {"jpg", "JPEG File", {"jpg", "jpeg", "jpe", "jif"}},
      {"pcd", "Kodak PhotoCD File", {"pcd", "pcd1", "pcds", "ppcd"}},
      {"pcx", "ZSoft Paintbrush File", {"pcx"}},
      {"pic", "Macintosh PICT", {"pic", "pict", "pct"}},
      {"png", "Portable Network Graphics", {"png"}},
      {"psd", "Adobe Photoshop File", {"psd"}},
      {"tga", "Truevision Targa", {"tga", "targa"}},
      {"tiff", "Tagged Image File Format", {"tiff", "tif"}},
      {"wmf", "Windows Metafile Format", {"wmf", "wmz"}},
      {"wmf", "Aldus Placeable Metafile", {"apm"}},
      {"raw", "Camera RAW Image", {"raw", "raw1", "raw2"}},
      {"raw", "Hasselblad Camera RAW Image", {"3fr"}},
      {"raw", "Sony Camera RAW Image", {"arw", "sr2", "srf"}},
      {"raw", "Casio Camera RAW Image", {"bay"}},
      {"raw", "NuCore RAW Image", {"bmq"}},
      {"raw", "Phase One Camera RAW Image", {"cap", "iiq", "eip"}},
      {"raw", "Phantom RAW Image", {"cine"}},
      {"raw", "Canon Camera RAW Image", {"cr2", "crw"}},
      {"raw", "Capture Shop RAW Image", {"cs1"}},
      {"raw", "Kodak Camera RAW Image", {"dc2", "dcr", "drf", "dsc", "k25", "kc2", "kdc", "dcs"}},
      {"raw", "Adobe Digital Negative Image", {"dng"}},
      {"raw", "Epson Camera RAW Image", {"erf"}},
      {"raw", "Imacon Camera RAW Image", {"fff"}},
      {"raw", "Sinar RAW Image", {"ia", "sti"}},
      {"raw", "Minolta Camera RAW Image", {"mdc", "mrw"}},
      {"raw", "Mamiya Camera RAW Image", {"mef", "mos"}},
      {"raw", "Nikon Camera RAW Image", {"nef", "nrw"}},
      {"raw", "Olympus Camera RAW Image", {"orf"}},
      {"raw", "Pentax Camera RAW Image", {"pef", "ptx"}},
      {"raw", "Logitech Camera RAW Image", {"pxn"}},
      {"raw", "Apple Quicktake Camera RAW Image", {"qtk"}},
      {"raw", "Fuji Camera RAW Image", {"raf"}},
      {"raw", "Digital Foto Maker RAW Image", {"rdc"}},
      {"raw", "Panasonic Camera RAW Image", {"rw2"}},
      {"raw", "Rawzor Camera RAW Image", {"rwz"}},
      {"raw", "Sigma Camera RAW Image", {"x3f"}},
      {"raw", "ARRI RAW Image", {"ari"}},
      {"raw", "RED RAW Image", {"r3d"}},
      {"raw", "Leica Camera RAW Image", {"rwl"}},
  };
  return rows;
}

void AddOutput(int id, const char* ext, const char* description, const char* depths) {
  FormatTable[ext] = OutputFormatRecord{id, ext, description, depths};
}

}  // namespace

void BuildFormatTables() {
  InputFormatTable.clear();
  for (const InputRow& row : InputRows())
    for (const char* ext : row.extensions) InputFormatTable[ext] = {row.group, row.description};

  FormatTable.clear();
  AddOutput(FIF_BMP, "bmp", "Windows or OS/2 Bitmap", "1,4,8,16,24,32");
  AddOutput(FIF_EXR, "exr", "ILM OpenEXR", "96");
  AddOutput(FIF_GIF, "gif", "Graphics Interchange Format", "8");
  AddOutput(FIF_HDR, "hdr", "High Dynamic Range Image", "96");
  AddOutput(FIF_ICO, "ico", "Windows Icon", "1,4,8,16,24,32");
  AddOutput(FIF_J2K, "j2k", "JPEG-2000 Codestream", "8,24,32,48");
  AddOutput(FIF_JNG, "jng", "JPEG Network Graphics", "24,32");
  AddOutput(FIF_JP2, "jp2", "JPEG-2000 File Format", "8,24,32,48");
  AddOutput(FIF_JPEG, "jpg", "JPEG File Format", "8,24");
  AddOutput(FIF_JXR, "jxr", "JPEG XR Image Format", "1,8,16,24,32,48,96");
  AddOutput(FIF_PBM, "pbm", "Portable Bitmap", "1");
  AddOutput(FIF_PFM, "pfm", "Portable Floatmap", "96");
  AddOutput(FIF_PGM, "pgm", "Portable Greymap", "8");
  AddOutput(FIF_PNG, "png", "Portable Network Graphics", "1,4,8,24,32,48");
  AddOutput(FIF_PPM, "ppm", "Portable Pixelmap", "24,48");
  AddOutput(FIF_TARGA, "tga", "Truevision Targa", "8,16,24,32");
  AddOutput(FIF_TIFF, "tiff", "Tagged Image File Format", "1,4,8,24,32,48,96");
  AddOutput(FIF_WBMP, "wbmp", "Wireless Bitmap", "1");
  AddOutput(FIF_WEBP, "webp", "Google WebP Image Format", "24,32");
  AddOutput(FIF_XPM, "xpm", "X11 Pixmap Format", "24");
  AddOutput(IL_PSD, "psd", "Adobe Photoshop", "32");
  AddOutput(IL_DDS, "dds", "DirectDraw Surface", "32");
  AddOutput(IL_PCX, "pcx", "ZSoft Paintbrush", "24");
}

bool IsConversionType(const std::string& type) {
  for (const std::string& ext : OutputExtensions)
    if (ext == type) return true;
  return false;
}

bool IsAllowedBpp(const std::string& extension, int bpp) {
  if (bpp == 0) return true;
  auto it = FormatTable.find(extension);
  if (it == FormatTable.end()) return false;
  std::stringstream depths(it->second.AllowedDepths);
  std::string item;
  while (std::getline(depths, item, ','))
    if (std::to_string(bpp) == item) return true;
  return false;
}

std::string InputDialogFilter() {
  std::string all;
  std::map<std::string, std::string> byDescription;
  for (const std::string& ext : ReadableExtensions) {
    auto it = InputFormatTable.find(ext);
    if (it == InputFormatTable.end()) continue;
    std::string pattern = "*." + ext;
    all += pattern + ";";
    std::string& value = byDescription[it->second.Description];
    value = value.empty() ? pattern : pattern + ";" + value;
  }
  if (!all.empty()) all.pop_back();
  std::string filter = LanguageText("Dialog", "All Supported Files") + "|" + all + "|";
  for (const auto& [description, patterns] : byDescription)
    filter += description + "|" + patterns + "|";
  return filter + LanguageText("Dialog", "All Files") + " (*.*)|*.*";
}
