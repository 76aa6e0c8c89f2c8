// Draws the program's icon for the desktop menu and file managers: one
// drawing, written as a scalable SVG and as PNGs at the hicolor theme sizes.
//   appicon OUTPUT_FOLDER
// writes OUTPUT_FOLDER/scalable/apps/lumivert.svg and
// OUTPUT_FOLDER/NxN/apps/lumivert.png for every size below.
#include <cairo-svg.h>
#include <cairo.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

void RoundedSquare(cairo_t* cr, double x, double y, double side, double radius) {
  const double r = radius, s = side;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + s - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + s - r, y + s - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + s - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// The picture on a unit square: a night-blue tile whose lower half is a
// sunlit valley, split by a diagonal so one corner shows the raw radiance
// (glowing, washed out) and the other the tone-mapped result.
void DrawIcon(cairo_t* cr, double size) {
  cairo_scale(cr, size, size);
  const double inset = 1.0 / 32;
  RoundedSquare(cr, inset, inset, 1 - 2 * inset, 0.18);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 1);
  cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.10, 0.16, 0.38);
  cairo_pattern_add_color_stop_rgb(sky, 0.6, 0.22, 0.45, 0.78);
  cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.95, 0.70, 0.35);
  cairo_set_source(cr, sky);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(sky);
  cairo_save(cr);
  cairo_clip(cr);

  // The sun with its glow.
  cairo_pattern_t* glow = cairo_pattern_create_radial(0.68, 0.34, 0.02, 0.68, 0.34, 0.36);
  cairo_pattern_add_color_stop_rgba(glow, 0.0, 1.0, 0.97, 0.80, 1.0);
  cairo_pattern_add_color_stop_rgba(glow, 0.35, 1.0, 0.80, 0.30, 0.85);
  cairo_pattern_add_color_stop_rgba(glow, 1.0, 1.0, 0.60, 0.20, 0.0);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);
  cairo_set_source_rgb(cr, 1.0, 0.98, 0.88);
  cairo_arc(cr, 0.68, 0.34, 0.11, 0, 2 * M_PI);
  cairo_fill(cr);

  // Two hills.
  cairo_move_to(cr, 0, 0.78);
  cairo_curve_to(cr, 0.22, 0.52, 0.42, 0.56, 0.60, 0.74);
  cairo_curve_to(cr, 0.75, 0.64, 0.88, 0.62, 1.0, 0.70);
  cairo_line_to(cr, 1, 1);
  cairo_line_to(cr, 0, 1);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.13, 0.42, 0.22);
  cairo_fill(cr);
  cairo_move_to(cr, 0, 0.90);
  cairo_curve_to(cr, 0.30, 0.74, 0.65, 0.80, 1.0, 0.86);
  cairo_line_to(cr, 1, 1);
  cairo_line_to(cr, 0, 1);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.07, 0.28, 0.14);
  cairo_fill(cr);

  // The upper-left half dimmed: the tone-mapped side of the picture.
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, 1, 0);
  cairo_line_to(cr, 0, 1);
  cairo_close_path(cr);
  cairo_set_source_rgba(cr, 0.02, 0.04, 0.12, 0.35);
  cairo_fill(cr);
  cairo_restore(cr);

  // Rim.
  RoundedSquare(cr, inset, inset, 1 - 2 * inset, 0.18);
  cairo_set_line_width(cr, 1.0 / 48 + 0.5 / size);
  cairo_set_source_rgba(cr, 0.04, 0.06, 0.16, 0.9);
  cairo_stroke(cr);
}

bool MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0755);
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WritePng(const std::string& folder, int size) {
  const std::string dir = folder + std::to_string(size) + "x" + std::to_string(size) + "/apps";
  if (!MakeFolders(dir)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, size);
  cairo_destroy(cr);
  const bool ok =
      cairo_surface_write_to_png(surface, (dir + "/lumivert.png").c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool WriteSvg(const std::string& folder) {
  const std::string dir = folder + "scalable/apps";
  if (!MakeFolders(dir)) return false;
  cairo_surface_t* surface = cairo_svg_surface_create((dir + "/lumivert.svg").c_str(), 256, 256);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, 256);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: appicon OUTPUT_FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  bool ok = WriteSvg(folder);
  for (int size : IconSizes) ok = WritePng(folder, size) && ok;
  if (!ok) std::fprintf(stderr, "appicon: cannot write the icons into %s\n", folder.c_str());
  return ok ? 0 : 1;
}
