#include "stages/MemoryEstimate.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "codecs/Loading.h"
#include "codecs/RadianceReader.h"
#include "platform/MemoryBudget.h"
#include "platform/RegularFile.h"
#include "settings/FileFailure.h"
#include "settings/Settings.h"
#include "stages/FattalToneMapper.h"
#include "stages/Geometry.h"
#include "stages/Saturate.h"

namespace {

// The constants below were fitted to the peak resident size of the program
// converting generated gradient pictures to png, less its resident size
// before the first file (about 14.6 MB); estimate / measured, in MB, with
// our tone mapper (the library's call needed about twice as much to map):
//   1 x 4000                       188.0 / 180.3  1.04
//   300 x 200                        3.9 / 3.1    1.25
//   1000 x 1000                     28.3 / 27.6   1.02
//   4000 x 1000                    232.9 / 226.7  1.03
//   3000 x 2000                    256.9 / 250.8  1.02
//   3000 x 2000 -> 300 x 200        80.2 / 79.7   1.01
//   4000 x 1000 -> 1000 x 1000      60.3 / 59.5   1.01
//   300 x 200 -> 3000 x 2000       256.9 / 250.6  1.03
// (bench/memory_bench prints this table for the current build.)

// The gradient tone mapper solves a Poisson equation by multigrid on a square
// grid of side 2^k + 1 covering the picture: a pyramid of float grids. The
// library's keeps about 22 bytes per cell of the finest one in all. Example: a 1 x 10000 picture
// gets a 16385 x 16385 grid, 5.9 GB.
constexpr double SolverBytesPerCell = 22.0;
// Beside the grid it keeps the input, a converted copy, luminance, gradient
// and attenuation planes and the 24-bit result: 32 bytes per pixel.
constexpr double ToneMappingBytesPerPixel = 32.0;
// Our own mapper (used whenever it matches the loaded library) keeps, while it
// solves, the right-hand side and the solution with their coarse levels:
// about 11 bytes per cell of the finest grid, with only the input (12 bytes
// per pixel) beside them. Before the solver, the blur of the finest pyramid
// level holds 26 bytes per pixel (28 with the heap's slack), and the divergence 20 per pixel and 4
// per cell. Example: 8192 x 4096 gets an 8193 x 8193 grid, 1.14 GB in all.
constexpr double OwnSolverBytesPerCell = 11.0;
constexpr double OwnSolverBytesPerPixel = 12.0;
constexpr double OwnPyramidBytesPerPixel = 28.0;
constexpr double OwnDivergenceBytesPerPixel = 20.0;
constexpr double OwnDivergenceBytesPerCell = 4.0;
// Pictures under this side are extended by their edges before mapping.
constexpr double ToneMappingMinimumSide = 32.0;
// Floating-point RGB as loaded.
constexpr double FloatPixelBytes = 12.0;
// After tone mapping: the picture, the frame's two drawing layers, its
// coverage mask and overlay, and the composite (the largest of the stages
// that follow; the watermark and the encoders take less).
constexpr double PictureStageBytesPerPixel = 20.0;
// A watermark picture: decoded, converted to 32 bits, copied to the canvas,
// drawn on the label canvas and handed back as a bitmap.
constexpr double LabelBytesPerPixel = 16.0;
// Codec state, scanline buffers and the like, whatever the size.
constexpr double FileOverheadBytes = 256.0 * 1024;

std::uint64_t ToBytes(double bytes) {
  constexpr double cap = 9.0e18;
  if (!(bytes > 0.0)) return 0;
  return bytes >= cap ? static_cast<std::uint64_t>(cap) : static_cast<std::uint64_t>(bytes);
}

double Area(std::int64_t width, std::int64_t height) {
  return static_cast<double>(std::max<std::int64_t>(width, 0)) *
         static_cast<double>(std::max<std::int64_t>(height, 0));
}

bool RotationActs(int degrees) { return degrees > 0 && degrees < 360; }

// The canvas of a SIMPLE rotation holds the whole turned picture.
void RotatedBox(std::int64_t width, std::int64_t height, int degrees, std::int64_t& boxWidth,
                std::int64_t& boxHeight) {
  const double radians = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
  const double w = static_cast<double>(width), h = static_cast<double>(height);
  boxWidth = static_cast<std::int64_t>(std::min(std::ceil(w * c + h * s - 1e-9), 9.0e15));
  boxHeight = static_cast<std::int64_t>(std::min(std::ceil(w * s + h * c - 1e-9), 9.0e15));
}

}  // namespace

std::uint64_t LoadBytes(std::int64_t width, std::int64_t height) {
  return ToBytes(FloatPixelBytes * Area(width, height));
}

std::uint64_t ToneMappingBytes(std::int64_t width, std::int64_t height) {
  const double w = std::max(static_cast<double>(width), ToneMappingMinimumSide);
  const double h = std::max(static_cast<double>(height), ToneMappingMinimumSide);
  const bool extended = static_cast<double>(width) < w || static_cast<double>(height) < h;
  const double grid = std::exp2(std::ceil(std::log2(std::max(w, h)))) + 1.0;
  const double cells = grid * grid, pixels = w * h;
  const double mapping =
      FattalMatchesLibrary()
          ? std::max({OwnPyramidBytesPerPixel * pixels,
                      OwnDivergenceBytesPerPixel * pixels + OwnDivergenceBytesPerCell * cells,
                      OwnSolverBytesPerPixel * pixels + OwnSolverBytesPerCell * cells})
          : SolverBytesPerCell * cells + ToneMappingBytesPerPixel * pixels;
  return ToBytes(mapping + (extended ? FloatPixelBytes * pixels : 0.0));
}

std::uint64_t ResizeBytes(std::int64_t width, std::int64_t height, std::int64_t targetWidth,
                          std::int64_t targetHeight, std::int64_t bytesPerPixel) {
  // The source, the result and, when both sides change, the pass between the
  // two filters in the order that keeps it smaller.
  double between = 0.0;
  if (width != targetWidth && height != targetHeight)
    between = std::min(Area(targetWidth, height), Area(width, targetHeight));
  return ToBytes(static_cast<double>(bytesPerPixel) *
                 (Area(width, height) + Area(targetWidth, targetHeight) + between));
}

std::uint64_t RotationBytes(std::int64_t width, std::int64_t height, int degrees, int type) {
  if (!RotationActs(degrees)) return 0;
  std::int64_t boxWidth = width, boxHeight = height;
  if (type == 0) RotatedBox(width, height, degrees, boxWidth, boxHeight);
  // The 24-bit picture, and the shears' intermediate and final canvases.
  return ToBytes(3.0 * (Area(width, height) + 2.0 * Area(boxWidth, boxHeight)));
}

std::uint64_t ImageLabelBytes(std::int64_t width, std::int64_t height) {
  return ToBytes(LabelBytesPerPixel * Area(width, height));
}

std::uint64_t EstimateFileWorkingSet(std::int64_t width, std::int64_t height,
                                     const SettingsRecord& settings,
                                     const std::string& conversionType, std::int64_t watermarkWidth,
                                     std::int64_t watermarkHeight) {
  // The stages in ConvertFile's order, each at the size it receives.
  std::uint64_t peak = LoadBytes(width, height);
  std::int64_t w = width, h = height, pixelBytes = 12;
  bool floating = true;
  if (settings.DoImageRotation && RotationActs(settings.ImageRotation)) {
    // A floating-point picture is tone-mapped before it is turned.
    peak = std::max(peak, ToneMappingBytes(w, h));
    floating = false;
    pixelBytes = 3;
    peak = std::max(peak, RotationBytes(w, h, settings.ImageRotation, settings.ImageRotationType));
    if (settings.ImageRotationType == 0) RotatedBox(w, h, settings.ImageRotation, w, h);
  }
  int targetWidth = 0, targetHeight = 0;
  if (ResizeTarget(settings, SaturateToInt(w), SaturateToInt(h), targetWidth, targetHeight) &&
      targetWidth > 0 && targetHeight > 0) {
    peak = std::max(peak, ResizeBytes(w, h, targetWidth, targetHeight, pixelBytes));
    w = targetWidth;
    h = targetHeight;
  }
  if (conversionType == "ico" && (w > 128 || h > 128)) {
    peak = std::max(peak, ResizeBytes(w, h, 128, 128, pixelBytes));
    w = h = 128;
  }
  if (floating) peak = std::max(peak, ToneMappingBytes(w, h));
  const double picture = Area(w, h);
  peak = std::max(peak, ToBytes(PictureStageBytesPerPixel * picture));
  if (settings.DoWatermark == 2)
    peak =
        std::max(peak, ToBytes(3.0 * picture) + ImageLabelBytes(watermarkWidth, watermarkHeight));
  return peak + ToBytes(FileOverheadBytes);
}

bool EnsureMemoryFor(std::uint64_t bytes, const std::string& step) {
  const std::uint64_t available = AvailableMemoryBytes();
  if (bytes <= available) return true;
  constexpr std::uint64_t MiB = 1024 * 1024;
  NoteFailure(FailureKind::TooLarge, step + " needs " + std::to_string((bytes + MiB - 1) / MiB) +
                                         " MiB, " + std::to_string(available / MiB) +
                                         " MiB available");
  return false;
}

namespace {

struct StreamCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

// The stated size from the library's header reader, over an open stream.
bool ReadStatedSize(std::FILE* file, const std::string& path, int format, std::int64_t& width,
                    std::int64_t& height) {
  FREE_IMAGE_FORMAT fif = static_cast<FREE_IMAGE_FORMAT>(format);
  if (fif == FIF_UNKNOWN) {
    fif = StreamFileType(file);
    if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(path.c_str());
  }
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsNoPixels(fif)) return false;
  FIBITMAP* header = LoadFromStream(fif, file, FIF_LOAD_NOPIXELS);
  if (!header) return false;
  width = FreeImage_GetWidth(header);
  height = FreeImage_GetHeight(header);
  FreeImage_Unload(header);
  return true;
}

}  // namespace

bool ReadStatedSize(const std::string& path, int format, std::int64_t& width,
                    std::int64_t& height) {
  std::string error;
  Stream file(OpenRegularInput(path, error));
  return file && ReadStatedSize(file.get(), path, format, width, height);
}

namespace {

// The stated sizes of an input and of the watermark picture; false when the
// input's header cannot be read (a path that is no longer a regular file
// included: it is never waited on, and fails at its load with its reason).
bool ReadInputSizes(const std::string& path, std::int64_t& width, std::int64_t& height,
                    std::int64_t& markWidth, std::int64_t& markHeight) {
  width = height = markWidth = markHeight = 0;
  std::string error;
  Stream file(OpenRegularInput(path, error));
  if (!file) return false;
  // Our header reader knows every orientation; the library's is the fallback.
  RadianceHeader header;
  if (ReadRadianceHeader(file.get(), header, error)) {
    width = header.width;
    height = header.height;
  } else if (!ReadStatedSize(file.get(), path, FIF_HDR, width, height)) {
    return false;
  }
  if (Settings.DoWatermark == 2 &&
      !ReadStatedSize(Settings.Image, FIF_UNKNOWN, markWidth, markHeight))
    markWidth = markHeight = 0;
  return true;
}

}  // namespace

std::uint64_t EstimateInputWorkingSet(const std::string& path) {
  std::int64_t width, height, markWidth, markHeight;
  if (!ReadInputSizes(path, width, height, markWidth, markHeight)) return 0;
  return EstimateFileWorkingSet(width, height, Settings, RunState.ConversionType, markWidth,
                                markHeight);
}

bool InputFitsInMemory(const std::string& path) {
  std::int64_t width, height, markWidth, markHeight;
  if (!ReadInputSizes(path, width, height, markWidth, markHeight)) return true;
  if ((markWidth != 0 || markHeight != 0) &&
      !EnsureMemoryFor(ImageLabelBytes(markWidth, markHeight), "the watermark picture"))
    return false;
  const std::uint64_t bytes = EstimateFileWorkingSet(
      width, height, Settings, RunState.ConversionType, markWidth, markHeight);
  return EnsureMemoryFor(
      bytes, "a " + std::to_string(width) + " x " + std::to_string(height) + " picture");
}
