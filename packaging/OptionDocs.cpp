#include "packaging/OptionDocs.h"

#include <map>

namespace {

// Keyword options list their words from the keyword table; these texts only
// say what the choice means.
const std::map<std::string, OptionDoc>& Docs() {
  static const std::map<std::string, OptionDoc> docs = {
      {"--DDS-LOAD-AS",
       {"WORD",
        "How DDS input is read. Accepted for compatibility; Radiance input does not use it."}},
      {"--GIF-FRAME-LOADING",
       {"WORD",
        "Which frame of GIF input is read. Accepted for compatibility; Radiance input does not use "
        "it."}},
      {"--ICO-FRAME-LOADING",
       {"WORD",
        "Which frame of ICO input is read. Accepted for compatibility; Radiance input does not use "
        "it."}},
      {"--TIFF-FRAME-LOADING",
       {"WORD",
        "Which frame of TIFF input is read. Accepted for compatibility; Radiance input does not "
        "use it."}},
      {"--RAW-LOAD-AS",
       {"WORD",
        "Pixel layout of camera RAW input. Accepted for compatibility; Radiance input does not use "
        "it."}},
      {"--RAW-HEADER-SIZE",
       {"NUM",
        "Bytes to skip before raw pixel data. Accepted for compatibility; Radiance input does not "
        "use it."}},
      {"--RAW-WIDTH",
       {"NUM",
        "Width of raw pixel data. Accepted for compatibility; Radiance input does not use it."}},
      {"--RAW-HEIGHT",
       {"NUM",
        "Height of raw pixel data. Accepted for compatibility; Radiance input does not use it."}},
      {"--RAW-TONE-MAPPING",
       {"WORD",
        "Tone mapping of camera RAW input. Accepted for compatibility; Radiance input does not use "
        "it."}},
      {"--BMP-COMPRESSION", {"WORD", "Compression of bmp output: NONE or RLE."}},
      {"--EXR-COMPRESSION", {"WORD", "Compression of exr output: NONE, ZIP, PIZ, PXR24 or B44."}},
      {"--PNG-COMPRESSION",
       {"WORD", "Compression level of png output: NONE, ZLIB1, ZLIB6 or ZLIB9."}},
      {"--TGA-COMPRESSION", {"WORD", "Compression of tga output: NONE or RLE."}},
      {"--TIFF-COMPRESSION",
       {"WORD",
        "Compression of tiff output: NONE, CCITTFAX3, CCITTFAX4, PACKBITS, DEFLATE, ADOBEDEFLATE, "
        "LZW, JPEG or LOGLUV."}},
      {"--BMP-COLOR-TABLE",
       {"WORD",
        "Colour table of palette bmp output: AUTO (reduced by the library) or EXACT (the picture's "
        "own colours when it has few enough)."}},
      {"--TIFF-COLOR-MODEL", {"WORD", "Colour model of tiff output."}},
      {"--JPG-QUALITY", {"NUM", "Quality of jpg output, 1 to 100 (default 95)."}},
      {"--JPG-CHROMA", {"WORD", "Chroma subsampling of jpg output."}},
      {"--JPG-SAVE-AS", {"WORD", "Kind of jpg file written."}},
      {"--PNG-INTERLACED", {"", "Write interlaced png files. Any value after \"=\" is ignored."}},
      {"--ROTATION",
       {"NUM", "Rotate the picture by NUM degrees before tone mapping; switches rotation on."}},
      {"--ROTATION-TYPE",
       {"WORD",
        "SIMPLE turns by multiples of 90 degrees; ADVANCED turns by any angle and fills the "
        "corners."}},
      {"--ROTATION-BACK-COLOR",
       {"RRGGBB", "Colour of the corners that an ADVANCED rotation uncovers (default 000000)."}},
      {"--WIDTH", {"NUM", "Output width; switches resizing on. --height is needed as well."}},
      {"--HEIGHT", {"NUM", "Output height; switches resizing on. --width is needed as well."}},
      {"--WIDTH-UNIT", {"WORD", "Unit of --width."}},
      {"--HEIGHT-UNIT", {"WORD", "Unit of --height."}},
      {"--KEEP-ASPECT-RATIO",
       {"", "Keep the picture's proportions inside the given width and height."}},
      {"--RESIZE-TYPE",
       {"WORD",
        "ALLIMAGES resizes every picture; LARGEIMAGES leaves pictures alone that are smaller than "
        "the target in both directions."}},
      {"--RESIZE-ALGORITHM", {"WORD", "Resampling filter (default BICUBIC)."}},
      {"--FLIP-HORIZONTAL", {"", "Mirror the picture left to right."}},
      {"--FLIP-VERTICAL", {"", "Mirror the picture top to bottom."}},
      {"--BRIGHTNESS", {"NUM", "Brightness change, -100 to 100; switches colour correction on."}},
      {"--CONTRAST", {"NUM", "Contrast change, -100 to 100; switches colour correction on."}},
      {"--GAMMA",
       {"NUM", "Gamma, 0.01 to 9.99, with \".\" as decimal point; switches colour correction on."}},
      {"--INVERT", {"", "Invert the colours; switches colour correction on."}},
      {"--GREYSCALE", {"", "Turn the picture into shades of grey."}},
      {"--THRESHOLD", {"NUM", "Turn the picture into black and white at level NUM (0 to 255)."}},
      {"--FR-SOLID-LEFT",
       {"NUM", "Width of the frame's left side in pixels; switches the frame on."}},
      {"--FR-SOLID-RIGHT",
       {"NUM", "Width of the frame's right side in pixels; switches the frame on."}},
      {"--FR-SOLID-TOP",
       {"NUM", "Height of the frame's top side in pixels; switches the frame on."}},
      {"--FR-SOLID-BOTTOM",
       {"NUM", "Height of the frame's bottom side in pixels; switches the frame on."}},
      {"--FR-SOLID-LEFT-COLOR", {"RRGGBB", "Colour of the frame's left side (default 000000)."}},
      {"--FR-SOLID-RIGHT-COLOR", {"RRGGBB", "Colour of the frame's right side."}},
      {"--FR-SOLID-TOP-COLOR", {"RRGGBB", "Colour of the frame's top side."}},
      {"--FR-SOLID-BOTTOM-COLOR", {"RRGGBB", "Colour of the frame's bottom side."}},
      {"--FR-SOLID-OPACITY",
       {"NUM", "Opacity of the frame, 0 (invisible) to 255 (solid, the default)."}},
      {"--WM-TEXT",
       {"TEXT",
        "Draw TEXT on the picture; switches the text watermark on. The placeholders listed under "
        "FILE NAME MASK are expanded in it."}},
      {"--WM-FONT",
       {"NAME",
        "Font family of the watermark text, as fontconfig knows it (default Arial, or the closest "
        "font installed)."}},
      {"--WM-FONT-SIZE", {"NUM", "Font size in points (default 14)."}},
      {"--WM-FONT-LEADING", {"NUM", "Extra space between lines of the text."}},
      {"--WM-FONT-COLOR", {"RRGGBB", "Colour of the text (default FFFFFF)."}},
      {"--WM-FONT-STYLE", {"WORD", "Style of the font."}},
      {"--WM-FONT-EFFECT", {"WORD", "Line drawn through or under the text."}},
      {"--WM-TEXT-ANTIALIASING", {"", "Smooth the edges of the text."}},
      {"--WM-TEXT-ALIGNMENT", {"WORD", "Alignment of the lines of the text."}},
      {"--WM-TEXT-PADDING", {"NUM", "Space between the text and the edge of its background."}},
      {"--WM-TEXT-OPACITY", {"NUM", "Opacity of the text, 0 to 255 (default 255)."}},
      {"--WM-BACK-COLOR", {"RRGGBB", "Colour of the box behind the text (default 000000)."}},
      {"--WM-BACK-OPACITY", {"NUM", "Opacity of the box behind the text, 0 to 255."}},
      {"--WM-TEXT-BOUNDARY",
       {"WORD",
        "Place the text within the picture (IMAGE) or within the picture with its frame (FRAME)."}},
      {"--WM-TEXT-POSITION",
       {"WORD", "Corner, edge or centre where the text sits (default BOTTOMRIGHT)."}},
      {"--WM-TEXT-X-OFFSET",
       {"NUM", "Horizontal distance of the text from its position (default 10)."}},
      {"--WM-TEXT-Y-OFFSET",
       {"NUM", "Vertical distance of the text from its position (default 10)."}},
      {"--WM-TEXT-ROTATION", {"NUM", "Rotation of the text in degrees."}},
      {"--WM-TEXT-SIZE", {"WORD", "Size mode of the text; FIXED is the only one."}},
      {"--WM-IMAGE",
       {"FILE",
        "Draw the picture FILE (PNG, BMP or JPEG) on the output; switches the picture watermark "
        "on."}},
      {"--WM-IMAGE-GREYSCALE", {"", "Draw the watermark picture in shades of grey."}},
      {"--WM-IMAGE-OPACITY", {"NUM", "Opacity of the watermark picture, 0 to 255 (default 255)."}},
      {"--WM-IMAGE-BOUNDARY",
       {"WORD",
        "Place the picture within the output picture (IMAGE) or within it with its frame "
        "(FRAME)."}},
      {"--WM-IMAGE-POSITION",
       {"WORD", "Corner, edge or centre where the watermark picture sits (default BOTTOMRIGHT)."}},
      {"--WM-IMAGE-X-OFFSET",
       {"NUM", "Horizontal distance of the watermark picture from its position (default 10)."}},
      {"--WM-IMAGE-Y-OFFSET",
       {"NUM", "Vertical distance of the watermark picture from its position (default 10)."}},
      {"--WM-IMAGE-ROTATION", {"NUM", "Rotation of the watermark picture in degrees."}},
      {"--WM-IMAGE-SIZE", {"WORD", "Size mode of the watermark picture; FIXED is the only one."}},
      {"--FILENAME-MASK",
       {"MASK",
        "Output file name made of literal text and the placeholders listed under FILE NAME MASK "
        "(default %filename%.%ext%). Literal text is written in lower case."}},
      {"--FILE-TIMESTAMP",
       {"WORD",
        "Modification time of each output: CURRENT (the time of writing), ORIGINAL (the input's) "
        "or CUSTOM (--file-timestamp-custom)."}},
      {"--FILE-TIMESTAMP-CUSTOM",
       {"NUM",
        "Modification time used with CUSTOM, in seconds since 1970-01-01 00:00:00 local time."}},
      {"--NO-SUBFOLDERS",
       {"",
        "Write every output straight into the output folder instead of recreating the input's "
        "subfolders."}},
      {"--THREADS",
       {"NUM",
        "How many files are converted at once: 0 (the default) takes one per processor core, 1 "
        "converts one file after the other. Output names, bytes and console lines are the same "
        "for any number."}},
      {"--REPORT",
       {"FILE",
        "Writes a JSON Lines report of the run to FILE (created or emptied before anything is "
        "converted; a relative path is taken from the program's folder, like -o): one object per "
        "input in list order as each file is finished, then one summary object; see REPORT. A "
        "FILE that cannot be written is an error line and nothing is converted."}},
      {"--EXIT-STATUS",
       {"", "Ends with an exit status that tells how the run went instead of 0; see EXIT STATUS."}},
      {"--DRY-RUN",
       {"",
        "Converts and writes nothing: prints, for each input in list order, INPUT -> OUTPUT, "
        "the path a run with the same options would write (assuming the files before it "
        "succeed), followed by (replaces an existing file) when that path exists or an earlier "
        "input takes it. Not a profile key."}},
  };
  return docs;
}

const std::map<std::string, const char*>& Sections() {
  static const std::map<std::string, const char*> sections = {
      {"--DDS-LOAD-AS", "Input formats"},  {"--BMP-BPP", "Output formats"},
      {"--ROTATION", "Rotation and size"}, {"--FLIP-HORIZONTAL", "Flipping and colours"},
      {"--FR-SOLID-LEFT", "Frame"},        {"--WM-TEXT", "Text watermark"},
      {"--WM-IMAGE", "Picture watermark"}, {"--FILENAME-MASK", "Output files"},
      {"--THREADS", "Conversion"},         {"--REPORT", "Scripts"},
  };
  return sections;
}

}  // namespace

const OptionDoc* FindOptionDoc(const std::string& upperName) {
  static OptionDoc bpp{"NUM", ""};
  auto it = Docs().find(upperName);
  if (it != Docs().end()) return &it->second;
  // One family: --EXT-BPP for every output format.
  if (upperName.size() > 6 && upperName.compare(upperName.size() - 4, 4, "-BPP") == 0) {
    bpp.text =
        "Colour depth in bits per pixel when writing this format; 0 (the default) chooses it "
        "from the picture. Only the depths the format can hold are accepted.";
    return &bpp;
  }
  return nullptr;
}

const char* SectionStartingAt(const std::string& upperName) {
  auto it = Sections().find(upperName);
  return it == Sections().end() ? nullptr : it->second;
}
