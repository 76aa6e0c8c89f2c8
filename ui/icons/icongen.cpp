// Build-time tool: renders the icon artwork into the built-in pictures and
// into the theme archives shipped in "gfx".
//   icongen builtin FOLDER      name_SIZE.png and button_name.png in FOLDER
//   icongen theme KEY ZIPFILE   the theme KEY as a ZIP archive
#include <archive.h>
#include <archive_entry.h>
#include <cairo.h>

#include <cstdio>
#include <string>

#include "themes/Themes.h"
#include "ui/icons/IconArt.h"

namespace {

const int IconSizes[] = {16, 24, 32, 48, 64};
const int ButtonSize = 80;

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string RenderPng(const std::string& name, int size, const IconStyle& style) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  std::string png;
  if (DrawIcon(cr, name, size, style))
    cairo_surface_write_to_png_stream(surface, AppendBytes, &png);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return png;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

int Builtin(const std::string& folder) {
  for (const std::string name : MenuIconNames)
    for (int size : IconSizes) {
      const std::string png = RenderPng(name, size, BuiltinStyle());
      if (png.empty() || !WriteFile(folder + "/" + name + "_" + std::to_string(size) + ".png", png))
        return 1;
    }
  for (const std::string name : ButtonIconNames)
    if (!WriteFile(folder + "/button_" + name + ".png",
                   RenderPng(name, ButtonSize, BuiltinStyle())))
      return 1;
  return 0;
}

bool AddEntry(archive* zip, const std::string& name, const std::string& bytes) {
  archive_entry* entry = archive_entry_new();
  archive_entry_set_pathname(entry, name.c_str());
  archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_mtime(entry, 1700000000, 0);  // same archive bytes on every build
  bool ok =
      archive_write_header(zip, entry) == ARCHIVE_OK &&
      archive_write_data(zip, bytes.data(), bytes.size()) == static_cast<la_ssize_t>(bytes.size());
  archive_entry_free(entry);
  return ok;
}

int Theme(const std::string& key, const std::string& zipPath) {
  const IconStyle* style = nullptr;
  for (const IconStyle& s : ThemeStyles())
    if (s.key == key) style = &s;
  if (style == nullptr) return 2;
  // Buttons name their files exactly; icons by base name, completed with the size.
  std::string cfg = "[Theme]\r\nName = " + style->displayName + "\r\n\r\n[Buttons]\r\n";
  for (const std::string name : ButtonIconNames)
    cfg += name + " = btn_" + LowerCase(name) + ".png\r\n";
  cfg += "\r\n[Icons]\r\n";
  for (const std::string name : MenuIconNames) cfg += name + " = " + LowerCase(name) + "\r\n";

  archive* zip = archive_write_new();
  archive_write_set_format_zip(zip);
  if (archive_write_open_filename(zip, zipPath.c_str()) != ARCHIVE_OK) return 1;
  bool ok = AddEntry(zip, "theme.cfg", cfg);
  for (const std::string name : ButtonIconNames)
    ok =
        ok && AddEntry(zip, "btn_" + LowerCase(name) + ".png", RenderPng(name, ButtonSize, *style));
  for (const std::string name : MenuIconNames)
    for (int size : IconSizes)
      ok = ok && AddEntry(zip, LowerCase(name) + "_" + std::to_string(size) + ".png",
                          RenderPng(name, size, *style));
  ok = archive_write_close(zip) == ARCHIVE_OK && ok;
  archive_write_free(zip);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "builtin" && argc == 3) return Builtin(argv[2]);
  if (mode == "theme" && argc == 4) return Theme(argv[2], argv[3]);
  std::fprintf(stderr, "usage: icongen builtin FOLDER | icongen theme KEY ZIPFILE\n");
  return 2;
}
