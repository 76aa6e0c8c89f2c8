// Fonts and text of the drawing canvas: fontconfig resolves the face, Pango
// lays out and Cairo rasterises into a coverage mask.
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

#include "canvas/Canvas.h"
#include "canvas/CanvasMask.h"
#include "platform/Files.h"

struct CanvasFontData {
  PangoFontMap* map = nullptr;
  PangoFontDescription* description = nullptr;
  PangoAttrList* attributes = nullptr;
  // Pango's font map and its glyph caches are not safe to share between
  // threads; conversions running side by side take turns with the font.
  std::mutex inUse;

  ~CanvasFontData() {
    if (attributes) pango_attr_list_unref(attributes);
    if (description) pango_font_description_free(description);
    if (map) g_object_unref(map);
  }
};

namespace {

// Family names compare as fontconfig compares them: ignoring case and blanks.
bool SameFamily(const FcChar8* a, const FcChar8* b) {
  auto next = [](const FcChar8*& p) {
    while (*p == ' ') ++p;
    return static_cast<unsigned char>(std::tolower(*p));
  };
  for (;;) {
    const unsigned char ca = next(a), cb = next(b);
    if (ca != cb) return false;
    if (ca == 0) return true;
    ++a;
    ++b;
  }
}

// The family fontconfig gives for face, or "" when the face resolves to some
// unrelated fallback. The requested name and every alias that fontconfig binds
// as strongly as the name itself (its metric-compatible substitutes, such as
// Liberation Sans for Arial) count as the face.
std::string ResolveFamily(const std::string& face) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return "";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  std::vector<const FcChar8*> accepted;
  FcValue value;
  FcValueBinding binding;
  for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch;
       ++i) {
    if (value.type == FcTypeString && binding != FcValueBindingWeak) accepted.push_back(value.u.s);
  }
  std::string family;
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* name = nullptr;
    for (int i = 0;
         family.empty() && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
      for (const FcChar8* want : accepted)
        if (SameFamily(name, want)) {
          family = reinterpret_cast<const char*>(name);
          break;
        }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return family;
}

// Registers a font file with fontconfig and returns its family, or "".
std::string AddFontFile(const std::string& path) {
  int count = 0;
  FcPattern* query =
      FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.c_str()), 0, nullptr, &count);
  if (!query) return "";
  std::string family;
  FcChar8* name = nullptr;
  if (FcPatternGetString(query, FC_FAMILY, 0, &name) == FcResultMatch)
    family = reinterpret_cast<const char*>(name);
  FcPatternDestroy(query);
  if (family.empty() ||
      !FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(path.c_str())))
    return "";
  return family;
}

// A one-line layout of text in font; crisp layouts use whole-pixel metrics and
// unsmoothed glyphs, vector layouts fractional metrics and smoothed glyphs.
PangoLayout* MakeLayout(const CanvasFont& font, const std::string& text, bool crisp) {
  PangoContext* context = pango_font_map_create_context(font.data->map);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, crisp ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_metrics(options,
                                      crisp ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, crisp);
  PangoLayout* layout = pango_layout_new(context);
  g_object_unref(context);
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_font_description(layout, font.data->description);
  pango_layout_set_attributes(layout, font.data->attributes);
  pango_layout_set_text(layout, text.c_str(), -1);
  return layout;
}

// Renders the glyphs of text at (x, y) into a mask the size of image.
bool RenderGlyphs(CoverageMask& mask, const CanvasImage& image, const CanvasFont& font, int x,
                  int y, const std::string& text, bool crisp) {
  if (!font.Loaded() || !mask.Create(image.width, image.height)) return false;
  std::lock_guard<std::mutex> lock(font.data->inUse);
  PangoLayout* layout = MakeLayout(font, text, crisp);
  cairo_t* cr = mask.Context();
  cairo_set_antialias(cr, crisp ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  mask.Finish();
  return true;
}

}  // namespace

bool LoadCanvasFont(CanvasFont& font, const std::string& face, int points, bool bold, bool italic,
                    bool underline, bool strikeout) {
  font = CanvasFont();
  if (face.empty() || points <= 0) return false;
  const std::string family = IsRegularFile(face) ? AddFontFile(face) : ResolveFamily(face);
  if (family.empty()) return false;

  auto data = std::make_shared<CanvasFontData>();
  // A map of our own sees fonts added above and can be handed to the worker
  // thread (the default map belongs to the thread that asked for it).
  data->map = pango_cairo_font_map_new();
  if (!data->map) return false;
  data->description = pango_font_description_new();
  pango_font_description_set_family(data->description, family.c_str());
  pango_font_description_set_weight(data->description,
                                    bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(data->description,
                                   italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(data->description, points * 96.0 / 72.0 * PANGO_SCALE);
  data->attributes = pango_attr_list_new();
  if (underline)
    pango_attr_list_insert(data->attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (strikeout) pango_attr_list_insert(data->attributes, pango_attr_strikethrough_new(TRUE));
  font.data = std::move(data);
  font.family = family;
  return true;
}

bool MeasureText(const CanvasFont& font, const std::string& text, int& width, int& height) {
  width = height = 0;
  if (!font.Loaded()) return false;
  std::lock_guard<std::mutex> lock(font.data->inUse);
  PangoLayout* layout = MakeLayout(font, text, true);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  width = std::max(0, logical.width);
  height = std::max(0, logical.height);
  return true;
}

double VectorTextWidth(const CanvasFont& font, const std::string& text) {
  if (!font.Loaded()) return 0;
  std::lock_guard<std::mutex> lock(font.data->inUse);
  PangoLayout* layout = MakeLayout(font, text, false);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return std::max(0.0, static_cast<double>(logical.width) / PANGO_SCALE);
}

bool DrawCrispText(CanvasImage& image, const CanvasFont& font, int x, int y,
                   const std::string& text, std::uint32_t front, std::uint32_t back) {
  int w, h;
  CoverageMask mask;
  if (!MeasureText(font, text, w, h) || !RenderGlyphs(mask, image, font, x, y, text, true))
    return false;
  for (int py = std::max(0, y); py < std::min(image.height, y + h); ++py)
    for (int px = std::max(0, x); px < std::min(image.width, x + w); ++px) image.At(px, py) = back;
  for (int py = 0; py < image.height; ++py)
    for (int px = 0; px < image.width; ++px)
      if (mask.At(px, py) >= 128) image.At(px, py) = front;
  return true;
}

bool DrawVectorText(CanvasImage& image, const CanvasFont& font, int x, int y,
                    const std::string& text, std::uint32_t color) {
  CoverageMask mask;
  if (!RenderGlyphs(mask, image, font, x, y, text, false)) return false;
  BlendMask(image, mask, color);
  return true;
}
