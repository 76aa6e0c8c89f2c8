#include "stages/TextWatermark.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "canvas/Canvas.h"
#include "canvas/ColorValues.h"
#include "naming/Placeholders.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "stages/Saturate.h"

namespace {

CanvasFont watermarkFont;

const char* const LineBreak = "%eol%";

std::vector<std::string> SplitLines(const std::string& text) {
  // One spelling of the marker, then a plain split (empty lines included).
  const std::string marked = ReplaceAll(text, LineBreak, LineBreak, true);
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t at = marked.find(LineBreak, start);
    if (at == std::string::npos) break;
    lines.push_back(marked.substr(start, at - start));
    start = at + 5;
  }
  lines.push_back(marked.substr(start));
  return lines;
}

}  // namespace

bool LoadWatermarkFont() {
  const SettingsRecord& s = Settings;
  return LoadCanvasFont(watermarkFont, s.Font, s.FontSize, s.FontStyle == 1 || s.FontStyle == 3,
                        s.FontStyle == 2 || s.FontStyle == 3, s.FontEffect == 1, s.FontEffect == 2);
}

const CanvasFont& WatermarkFont() { return watermarkFont; }

void ReleaseWatermarkFont() { watermarkFont = CanvasFont(); }

std::string ExpandWatermarkText(const FileJob& job) {
  std::string text = Settings.Text;
  if (std::count(text.begin(), text.end(), '%') < 2) return text;
  for (const char* placeholder : PlaceholderNames)
    if (LowerCase(text).find(placeholder) != std::string::npos)
      text = ExpandPlaceholder(text, placeholder, job);
  return text;
}

int AlignLineX(int lineWidth, int labelWidth) {
  switch (Settings.TextAlignment) {
    case 0:
      return Settings.TextPadding;
    case 1:
      return static_cast<int>(std::lround((std::int64_t{labelWidth} - lineWidth) / 2.0));
    case 2:
      return SaturateToInt(std::int64_t{labelWidth} - lineWidth - Settings.TextPadding);
    default:
      return 0;
  }
}

Bitmap BuildTextLabel(const std::string& text) {
  const CanvasFont& font = watermarkFont;
  if (!font.Loaded()) return Bitmap();
  const SettingsRecord& s = Settings;

  const std::vector<std::string> lines = SplitLines(text);
  const int n = static_cast<int>(lines.size()) - 1;
  std::vector<int> widths(lines.size(), 0);
  // Label sizes in 64 bits: padding and leading are any 32-bit value.
  int width = 0, height = 0;
  std::int64_t step = 0;
  if (n > 0) {
    int lineHeight = 10;
    width = 10;
    for (size_t k = 0; k < lines.size(); ++k) {
      int h = 0;
      MeasureText(font, lines[k], widths[k], h);
      width = std::max(width, widths[k]);
      lineHeight = std::max(lineHeight, h);
    }
    step = std::int64_t{lineHeight} + s.FontLeading;
    height = SaturateToInt(lineHeight + n * step);
  } else {
    MeasureText(font, text, width, height);
  }

  const int labelWidth = SaturateToInt(width + 2 * std::int64_t{s.TextPadding});
  const int labelHeight = SaturateToInt(height + 2 * std::int64_t{s.TextPadding});
  CanvasImage scratch, label;
  if (!ResizeBlankImage(scratch, labelWidth, labelHeight)) return Bitmap();

  if (s.TextAntialiasing == 0) {
    const std::uint32_t front = ParseColorRGBA(s.FontColor, s.TextOpacity);
    const std::uint32_t back = ParseColorRGBA(s.BackColor, s.BackOpacity);
    FloodFill(scratch, 1, 1, back);
    if (n > 0) {
      for (int k = 0; k <= n; ++k)
        DrawCrispText(scratch, font, AlignLineX(widths[static_cast<size_t>(k)], labelWidth),
                      SaturateToInt(s.TextPadding + k * step), lines[static_cast<size_t>(k)], front,
                      back);
    } else {
      DrawCrispText(scratch, font, s.TextPadding, s.TextPadding, text, front, back);
    }
    if (!CreateCanvasImage(label, labelWidth, labelHeight, 0)) return Bitmap();
    CopyImage(label, scratch, 255);
  } else {
    const std::uint32_t front = ParseColorRGBA(s.FontColor, 255);
    const std::uint32_t back = ParseColorRGBA(s.BackColor, 255);
    CanvasImage box;
    if (!CreateCanvasImage(box, labelWidth, labelHeight, 0)) return Bitmap();
    FillSurface(box, back);
    if (n > 0) {
      for (int k = 0; k <= n; ++k) {
        const std::string& line = lines[static_cast<size_t>(k)];
        const int w = static_cast<int>(std::lround(VectorTextWidth(font, line)));
        DrawVectorText(scratch, font, AlignLineX(w, labelWidth),
                       SaturateToInt(s.TextPadding + k * step), line, front);
      }
    } else {
      DrawVectorText(scratch, font, s.TextPadding, s.TextPadding, text, front);
    }
    if (!CreateCanvasImage(label, labelWidth, labelHeight, 0)) return Bitmap();
    DrawImage(label, box, s.BackOpacity);
    DrawImage(label, scratch, s.TextOpacity);
  }
  return Bitmap(CanvasToBitmap(label));
}
