#include "settings/SettingRanges.h"

namespace {

constexpr double IntMax = 2147483647.0;

}  // namespace

const std::vector<SettingRange>& SettingRanges() {
  static const std::vector<SettingRange> ranges = {
      {"General", "Update Range", 0, 5},
      {"Interface", "UI Size", 0, 4},
      {"Input", "DDS Load As", 0, 2},
      {"Input", "GIF Frame Loading", 0, 4},
      {"Input", "ICO Frame Loading", 0, 4},
      {"Input", "RAW Load As", 0, 5},
      {"Input", "RAW Header Size", 0, IntMax},
      {"Input", "RAW Image Width", 0, IntMax},
      {"Input", "RAW Image Height", 0, IntMax},
      {"Input", "RAW Tone Mapping", 0, 4},
      {"Input", "TIFF Frame Loading", 0, 4},
      {"Output", "BMP Compression", 0, 1},
      {"Output", "BMP Color Table", 0, 1},
      {"Output", "EXR Compression", 0, 4},
      {"Output", "JPG Quality", 1, 100},
      {"Output", "JPG Chroma", 0, 3},
      {"Output", "JPG Save As", 0, 3},
      {"Output", "PNG Compression", 0, 3},
      {"Output", "TGA Compression", 0, 1},
      {"Output", "TIFF Compression", 0, 8},
      {"Output", "TIFF Color Model", 0, 2},
      {"Transform", "Image Rotation Type", 0, 1},
      {"Transform", "Image Width", 0, IntMax},
      {"Transform", "Image Width Unit", 0, 1},
      {"Transform", "Image Height", 0, IntMax},
      {"Transform", "Image Height Unit", 0, 1},
      {"Transform", "Image Resize Type", 0, 1},
      {"Transform", "Image Resize Algorithm", 0, 5},
      {"Adjustment", "Image Brightness", -100, 100},
      {"Adjustment", "Image Contrast", -100, 100},
      {"Adjustment", "Image Gamma", 0.01, 9.99},
      {"Adjustment", "Image Threshold", 0, 255},
      {"Frame", "Do Frame", 0, 1},
      {"Frame", "Solid Left", 0, IntMax},
      {"Frame", "Solid Right", 0, IntMax},
      {"Frame", "Solid Top", 0, IntMax},
      {"Frame", "Solid Bottom", 0, IntMax},
      {"Frame", "Solid Opacity", 0, 255},
      {"Watermark", "Do Watermark", 0, 2},
      {"Watermark", "Font Size", 0, IntMax},
      {"Watermark", "Font Style", 0, 3},
      {"Watermark", "Font Effect", 0, 2},
      {"Watermark", "Text Alignment", 0, 2},
      {"Watermark", "Text Padding", 0, IntMax},
      {"Watermark", "Text Opacity", 0, 255},
      {"Watermark", "Back Opacity", 0, 255},
      {"Watermark", "Text Boundary", 0, 1},
      {"Watermark", "Text Position", 0, 8},
      {"Watermark", "Text Size", 0, 3},
      {"Watermark", "Image Opacity", 0, 255},
      {"Watermark", "Image Boundary", 0, 1},
      {"Watermark", "Image Position", 0, 8},
      {"Watermark", "Image Size", 0, 3},
      {"Advanced", "File Timestamp", 0, 2},
      {"Advanced", "Out Folders Number", 0, 255},
      {"Conversion", "Threads", 0, 256},
  };
  return ranges;
}

const SettingRange* FindSettingRange(const std::string& group, const std::string& key) {
  for (const SettingRange& range : SettingRanges())
    if (group == range.group && key == range.key) return &range;
  return nullptr;
}
