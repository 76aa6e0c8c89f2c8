#include "ui/icons/IconArt.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

// Drawing in a 64 x 64 design square; the pen carries the style and a fixed
// jitter sequence so that every build draws the same pictures.
class Pen {
 public:
  Pen(cairo_t* cr, const IconStyle& style, unsigned seed) : cr_(cr), style_(style), seed_(seed) {}

  void Colour(const double rgb[3], double alpha = 1.0) {
    if (style_.monochrome && rgb != style_.ink)
      cairo_set_source_rgba(cr_, 1, 1, 1, alpha);
    else
      cairo_set_source_rgba(cr_, rgb[0], rgb[1], rgb[2], alpha);
  }

  // A closed or open polyline through points (x0, y0, x1, y1, ...).
  void Path(std::initializer_list<double> xy, bool closed) {
    std::vector<double> p(xy);
    cairo_new_path(cr_);
    for (std::size_t i = 0; i + 1 < p.size(); i += 2) {
      const double x = p[i] + Jitter(), y = p[i + 1] + Jitter();
      if (i == 0)
        cairo_move_to(cr_, x, y);
      else
        LineTo(x, y);
    }
    if (closed) {
      double x0, y0;
      cairo_get_current_point(cr_, &x0, &y0);
      LineTo(p[0] + Jitter(), p[1] + Jitter());
      cairo_close_path(cr_);
    }
  }

  void Circle(double x, double y, double r) {
    cairo_new_path(cr_);
    if (style_.wobble <= 0) {
      cairo_arc(cr_, x, y, r, 0, 2 * M_PI);
      return;
    }
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
      const double a = 2 * M_PI * i / steps;
      const double rr = r + (i == steps ? 0 : Jitter() * 0.6);
      if (i == 0)
        cairo_move_to(cr_, x + rr * std::cos(a), y + rr * std::sin(a));
      else
        cairo_line_to(cr_, x + rr * std::cos(a), y + rr * std::sin(a));
    }
    cairo_close_path(cr_);
  }

  void Arc(double x, double y, double r, double from, double to) {
    cairo_new_path(cr_);
    cairo_arc(cr_, x, y, r, from, to);
  }

  // Fills the current path with fill, then outlines it in ink.
  void FillAndStroke(const double fill[3], double width = 1.0) {
    Colour(fill);
    cairo_fill_preserve(cr_);
    Stroke(width);
  }

  void Stroke(double width = 1.0) {
    Colour(style_.ink);
    cairo_set_line_width(cr_, style_.lineWidth * width);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr_);
  }

  // A stroke in a colour instead of ink (arrows, signs).
  void StrokeIn(const double rgb[3], double width) {
    if (style_.monochrome) return Stroke(width);
    Colour(rgb);
    cairo_set_line_width(cr_, style_.lineWidth * width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr_);
  }

  void Dot(double x, double y, double r, const double rgb[3]) {
    Circle(x, y, r);
    Colour(style_.monochrome ? style_.ink : rgb);
    cairo_fill(cr_);
  }

  const IconStyle& style() const { return style_; }
  cairo_t* cr() const { return cr_; }

 private:
  double Jitter() {
    if (style_.wobble <= 0) return 0;
    seed_ = seed_ * 1103515245u + 12345u;
    return ((seed_ >> 16) % 1000 / 999.0 - 0.5) * style_.wobble;
  }
  // Long lines get a bend in the middle when drawn by hand.
  void LineTo(double x, double y) {
    if (style_.wobble > 0) {
      double x0, y0;
      cairo_get_current_point(cr_, &x0, &y0);
      const double mx = (x0 + x) / 2 + Jitter(), my = (y0 + y) / 2 + Jitter();
      cairo_curve_to(cr_, mx, my, mx, my, x, y);
    } else {
      cairo_line_to(cr_, x, y);
    }
  }

  cairo_t* cr_;
  const IconStyle& style_;
  unsigned seed_;
};

const double Paper[3] = {1.0, 1.0, 0.98};

void Page(Pen& p, double x, double y, double w, double h) {
  const double fold = w * 0.3;
  p.Path({x, y, x + w - fold, y, x + w, y + fold, x + w, y + h, x, y + h}, true);
  p.FillAndStroke(Paper);
  p.Path({x + w - fold, y, x + w - fold, y + fold, x + w, y + fold}, false);
  p.Stroke(0.8);
}

void PageLines(Pen& p, double x, double y, double w, int lines) {
  for (int i = 0; i < lines; ++i) {
    p.Path({x, y + i * 7.0, x + w, y + i * 7.0}, false);
    p.Stroke(0.6);
  }
}

void Folder(Pen& p, double x, double y, double w, double h) {
  p.Path({x, y + 6, x + w * 0.35, y + 6, x + w * 0.45, y, x + w, y, x + w, y + h, x, y + h}, true);
  p.FillAndStroke(p.style().primary);
  p.Path({x, y + 14, x + w, y + 14}, false);
  p.Stroke(0.6);
}

// An arrow from (x0, y0) to (x1, y1) with its head at the end.
void Arrow(Pen& p, double x0, double y0, double x1, double y1, const double rgb[3]) {
  const double a = std::atan2(y1 - y0, x1 - x0), head = 9;
  p.Path({x0, y0, x1, y1}, false);
  p.StrokeIn(rgb, 2.2);
  p.Path({x1 - head * std::cos(a - 0.6), y1 - head * std::sin(a - 0.6), x1, y1,
          x1 - head * std::cos(a + 0.6), y1 - head * std::sin(a + 0.6)},
         false);
  p.StrokeIn(rgb, 2.2);
}

void Plus(Pen& p, double x, double y, double r) {
  p.Circle(x, y, r);
  p.FillAndStroke(p.style().accent);
  p.Path({x - r * 0.55, y, x + r * 0.55, y}, false);
  p.StrokeIn(Paper, 2.2);
  p.Path({x, y - r * 0.55, x, y + r * 0.55}, false);
  p.StrokeIn(Paper, 2.2);
}

void Badge(Pen& p, const double rgb[3]) {
  p.Circle(32, 32, 26);
  p.FillAndStroke(rgb);
}

void Star(Pen& p, double x, double y, double r) {
  std::vector<double> pts;
  cairo_new_path(p.cr());
  for (int i = 0; i < 10; ++i) {
    const double a = -M_PI / 2 + i * M_PI / 5, rr = i % 2 ? r * 0.45 : r;
    if (i == 0)
      cairo_move_to(p.cr(), x + rr * std::cos(a), y + rr * std::sin(a));
    else
      cairo_line_to(p.cr(), x + rr * std::cos(a), y + rr * std::sin(a));
  }
  cairo_close_path(p.cr());
  const double gold[3] = {0.98, 0.78, 0.18};
  p.FillAndStroke(gold, 0.7);
}

void Gear(Pen& p, double x, double y, double r) {
  cairo_new_path(p.cr());
  const int teeth = 8;
  for (int i = 0; i < teeth * 4; ++i) {
    const double a = 2 * M_PI * i / (teeth * 4);
    const double rr = (i % 4 < 2) ? r : r * 0.78;
    if (i == 0)
      cairo_move_to(p.cr(), x + rr * std::cos(a), y + rr * std::sin(a));
    else
      cairo_line_to(p.cr(), x + rr * std::cos(a), y + rr * std::sin(a));
  }
  cairo_close_path(p.cr());
  const double steel[3] = {0.62, 0.66, 0.72};
  p.FillAndStroke(steel);
  p.Circle(x, y, r * 0.32);
  p.FillAndStroke(Paper);
}

// Two arrows chasing each other round a circle: the converter's own sign.
void Cycle(Pen& p, double x, double y, double r, const double rgb[3]) {
  for (int half = 0; half < 2; ++half) {
    const double start = half * M_PI + 0.35, end = half * M_PI + M_PI - 0.35;
    p.Arc(x, y, r, start, end);
    p.StrokeIn(rgb, 3.0);
    const double hx = x + r * std::cos(end), hy = y + r * std::sin(end);
    const double t = end + M_PI / 2;  // direction of travel
    const double head = r * 0.45;
    p.Path({hx - head * std::cos(t - 0.7), hy - head * std::sin(t - 0.7), hx, hy,
            hx - head * std::cos(t + 0.7), hy - head * std::sin(t + 0.7)},
           false);
    p.StrokeIn(rgb, 3.0);
  }
}

using Drawing = std::function<void(Pen&)>;

const std::map<std::string, Drawing>& Drawings() {
  static const std::map<std::string, Drawing> drawings = {
      {"New",
       [](Pen& p) {
         Page(p, 12, 6, 36, 50);
         PageLines(p, 18, 24, 20, 3);
         Star(p, 46, 46, 12);
       }},
      {"Add", [](Pen& p) { Plus(p, 32, 32, 24); }},
      {"InFiles",
       [](Pen& p) {
         Page(p, 20, 4, 32, 42);
         Page(p, 10, 16, 32, 42);
         PageLines(p, 16, 32, 18, 3);
       }},
      {"InFolder",
       [](Pen& p) {
         Folder(p, 4, 18, 56, 40);
         Arrow(p, 32, 2, 32, 34, p.style().accent);
       }},
      {"OutFolder",
       [](Pen& p) {
         Folder(p, 4, 18, 56, 40);
         Arrow(p, 32, 44, 32, 4, p.style().accent);
       }},
      {"OutFormat",
       [](Pen& p) {
         Page(p, 8, 4, 38, 54);
         PageLines(p, 14, 22, 22, 2);
         Gear(p, 44, 44, 16);
       }},
      {"FavFolder",
       [](Pen& p) {
         Folder(p, 4, 12, 52, 40);
         Star(p, 46, 46, 15);
       }},
      {"ImportFiles",
       [](Pen& p) {
         Page(p, 24, 4, 34, 54);
         PageLines(p, 30, 22, 20, 4);
         Arrow(p, 2, 32, 26, 32, p.style().accent);
       }},
      {"ExportFiles",
       [](Pen& p) {
         Page(p, 6, 4, 34, 54);
         PageLines(p, 12, 22, 20, 4);
         Arrow(p, 30, 32, 60, 32, p.style().accent);
       }},
      {"Exit",
       [](Pen& p) {
         const double wood[3] = {0.72, 0.5, 0.3};
         p.Path({8, 4, 36, 4, 36, 60, 8, 60}, true);
         p.FillAndStroke(wood);
         p.Dot(30, 34, 2.5, p.style().ink);
         Arrow(p, 34, 32, 60, 32, p.style().warn);
       }},
      {"Copy",
       [](Pen& p) {
         Page(p, 22, 4, 34, 42);
         Page(p, 8, 18, 34, 42);
       }},
      {"Delete",
       [](Pen& p) {
         p.Path({14, 16, 50, 16, 46, 60, 18, 60}, true);
         p.FillAndStroke(p.style().warn);
         p.Path({8, 12, 56, 12}, false);
         p.Stroke(2.0);
         p.Path({26, 4, 38, 4, 38, 12, 26, 12}, false);
         p.Stroke(1.2);
         for (double x : {24.0, 32.0, 40.0}) {
           p.Path({x, 24, x, 52}, false);
           p.StrokeIn(Paper, 1.2);
         }
       }},
      {"SelectAll",
       [](Pen& p) {
         static const double dashes[] = {4, 4};
         cairo_set_dash(p.cr(), dashes, 2, 0);
         p.Path({6, 6, 58, 6, 58, 58, 6, 58}, true);
         p.Stroke(1.0);
         cairo_set_dash(p.cr(), nullptr, 0, 0);
         p.Path({16, 32, 28, 44, 48, 18}, false);
         p.StrokeIn(p.style().accent, 3.0);
       }},
      {"Convert", [](Pen& p) { Cycle(p, 32, 32, 22, p.style().accent); }},
      {"Error",
       [](Pen& p) {
         Badge(p, p.style().warn);
         p.Path({32, 16, 32, 38}, false);
         p.StrokeIn(Paper, 3.0);
         p.Dot(32, 48, 3.5, Paper);
       }},
      {"Preferences", [](Pen& p) { Gear(p, 32, 32, 27); }},
      {"CustomConverter",
       [](Pen& p) {
         p.Circle(26, 26, 18);
         p.FillAndStroke(Paper, 2.0);
         p.Path({39, 39, 58, 58}, false);
         p.Stroke(4.0);
         p.Path({18, 22, 26, 16}, false);
         p.StrokeIn(p.style().info, 1.5);
       }},
      {"Help",
       [](Pen& p) {
         Badge(p, p.style().info);
         p.Arc(32, 24, 9, M_PI, 2.3 * M_PI);
         p.StrokeIn(Paper, 2.6);
         p.Path({34.5, 32.5, 32, 36, 32, 40}, false);
         p.StrokeIn(Paper, 2.6);
         p.Dot(32, 48, 3.2, Paper);
       }},
      {"Email",
       [](Pen& p) {
         p.Path({4, 14, 60, 14, 60, 52, 4, 52}, true);
         p.FillAndStroke(Paper);
         p.Path({4, 14, 32, 36, 60, 14}, false);
         p.Stroke(1.0);
         p.Path({4, 52, 24, 30}, false);
         p.Stroke(0.6);
         p.Path({60, 52, 40, 30}, false);
         p.Stroke(0.6);
       }},
      {"Web",
       [](Pen& p) {
         Badge(p, p.style().info);
         cairo_save(p.cr());
         cairo_translate(p.cr(), 32, 32);
         cairo_scale(p.cr(), 0.45, 1.0);
         p.Arc(0, 0, 26, 0, 2 * M_PI);
         cairo_restore(p.cr());
         p.StrokeIn(Paper, 1.2);
         p.Path({6, 32, 58, 32}, false);
         p.StrokeIn(Paper, 1.2);
         p.Path({10, 20, 54, 20}, false);
         p.StrokeIn(Paper, 1.0);
         p.Path({10, 44, 54, 44}, false);
         p.StrokeIn(Paper, 1.0);
       }},
      {"Updates",
       [](Pen& p) {
         p.Path({8, 40, 8, 58, 56, 58, 56, 40}, false);
         p.Stroke(2.0);
         Arrow(p, 32, 4, 32, 46, p.style().accent);
       }},
      {"About",
       [](Pen& p) {
         Badge(p, p.style().info);
         p.Dot(32, 18, 3.8, Paper);
         p.Path({32, 28, 32, 48}, false);
         p.StrokeIn(Paper, 3.2);
       }},
  };
  return drawings;
}

}  // namespace

const IconStyle& BuiltinStyle() {
  static const IconStyle style = {"builtin",
                                  "Built-in",
                                  {0.16, 0.2, 0.28},
                                  {0.98, 0.82, 0.4},
                                  {0.18, 0.62, 0.3},
                                  {0.85, 0.22, 0.2},
                                  {0.2, 0.45, 0.8},
                                  2.2,
                                  0.0,
                                  false};
  return style;
}

const std::vector<IconStyle>& ThemeStyles() {
  static const std::vector<IconStyle> styles = {
      {"handdrawn",
       "Hand Drawn",
       {0.22, 0.16, 0.12},
       {0.99, 0.86, 0.55},
       {0.3, 0.66, 0.32},
       {0.88, 0.3, 0.25},
       {0.3, 0.55, 0.85},
       2.6,
       2.2,
       false},
      {"mono",
       "Monochrome",
       {0.1, 0.1, 0.12},
       {1, 1, 1},
       {1, 1, 1},
       {1, 1, 1},
       {1, 1, 1},
       2.4,
       0.0,
       true},
  };
  return styles;
}

bool DrawIcon(cairo_t* cr, const std::string& name, double size, const IconStyle& style) {
  const auto& drawings = Drawings();
  const auto drawing = drawings.find(name);
  if (drawing == drawings.end()) return false;
  cairo_save(cr);
  cairo_scale(cr, size / 64.0, size / 64.0);
  // Small icons need relatively thicker lines to stay readable.
  IconStyle scaled = style;
  if (size < 32) scaled.lineWidth *= 32.0 / std::max(size, 16.0) * 0.8;
  unsigned seed = 17;
  for (char c : name) seed = seed * 31 + static_cast<unsigned char>(c);
  Pen pen(cr, scaled, seed);
  drawing->second(pen);
  cairo_restore(cr);
  return true;
}
