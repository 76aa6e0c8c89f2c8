// The text label of the watermark stage and the process-wide watermark font.
#pragma once

#include <FreeImage.h>

#include <string>

#include "codecs/Bitmap.h"
#include "settings/FileJob.h"

struct CanvasFont;

// Loads Settings.Font at Settings.FontSize points with the style of FontStyle
// and FontEffect, replacing the previous watermark font. Call once per run
// with a text watermark, before the first file; false when the face cannot be
// loaded (the previous font is dropped then too).
bool LoadWatermarkFont();
const CanvasFont& WatermarkFont();
void ReleaseWatermarkFont();

// Settings.Text with the output-naming placeholders of job filled in.
std::string ExpandWatermarkText(const FileJob& job);
// x of a line of lineWidth pixels in a label labelWidth wide, by TextAlignment.
int AlignLineX(int lineWidth, int labelWidth);
// The rendered label for text ("%eol%" in any case breaks lines) as a 32-bit
// bitmap whose alpha carries the opacities, or none.
Bitmap BuildTextLabel(const std::string& text);
