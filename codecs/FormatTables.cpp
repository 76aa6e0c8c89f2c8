#include "codecs/FormatTables.h"

#include <algorithm>
#include <vector>

#include "codecs/OutputFormats.h"
#include "lang/LanguageTable.h"
#include "settings/OptionTable.h"
#include "settings/Settings.h"

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

}  // namespace

void CreateProcessLists() {
  InputGroups = {"hdr"};
  OutputExtensions.clear();
  for (const OutputFormat& format : OutputFormats()) OutputExtensions.push_back(format.Extension);
  ReadableExtensions = {""};
}

void BuildFormatTables() {
  InputFormatTable.clear();
  for (const InputRow& row : InputRows())
    for (const char* ext : row.extensions) InputFormatTable[ext] = {row.group, row.description};

  for (const OutputFormat& format : OutputFormats()) AddOptionRows(format.Options);
}

bool IsConversionType(const std::string& type) {
  for (const std::string& ext : OutputExtensions)
    if (ext == type) return true;
  return false;
}

bool IsAllowedBpp(const std::string& extension, int bpp) {
  if (bpp == 0) return true;
  const OutputFormat* format = FindOutputFormat(extension);
  if (!format) return false;
  const std::vector<int>& depths = format->AllowedDepths;
  return std::find(depths.begin(), depths.end(), bpp) != depths.end();
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

void BuildReadableExtensions() {
  std::string joined;
  for (const std::string& group : InputGroups)
    for (const auto& [ext, record] : InputFormatTable)
      if (record.Group == group) joined += ext + ",";
  if (!joined.empty() && joined.back() == ',') joined.pop_back();
  ReadableExtensions.clear();
  size_t start = 0;
  while (true) {
    size_t comma = joined.find(',', start);
    ReadableExtensions.push_back(joined.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
}
