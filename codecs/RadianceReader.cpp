#include "codecs/RadianceReader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/Bitmap.h"
#include "platform/RegularFile.h"

namespace {

// A header longer than this is not a picture header; it bounds the search for
// the blank line in files that are not Radiance pictures at all.
constexpr std::size_t MaxHeaderBytes = 1 << 20;

// New-style run-length scanlines exist only for these lengths.
constexpr std::int64_t MinRunLengthScanline = 8;
constexpr std::int64_t MaxRunLengthScanline = 0x7fff;

// CIE XYZ to RGB for Radiance's standard primaries R (0.640, 0.330),
// G (0.290, 0.600), B (0.150, 0.060) and the equal-energy white (1/3, 1/3):
// the inverse of the matrix whose columns are the primaries' XYZ, scaled so
// that RGB (1, 1, 1) is XYZ (1, 1, 1).
constexpr double XyzToRgb[3][3] = {
    {2.5653128430, -1.1668496158, -0.3984632272},
    {-1.0221081721, 1.9782866167, 0.0438215555},
    {0.0747243773, -0.2519395672, 1.1772151899},
};

// Bytes from a buffer, or from a file read in blocks so that a large picture
// never needs its whole file in memory.
class ByteInput {
 public:
  ByteInput(const unsigned char* data, std::size_t size)
      : next_(data), end_(data + size), total_(size) {}
  ByteInput(std::FILE* file, std::uint64_t size) : file_(file), total_(size) {
    block_.resize(64 * 1024);
  }

  // The next byte, or -1 at the end.
  int Get() {
    if (next_ == end_ && !Refill()) return -1;
    ++consumed_;
    return *next_++;
  }

  bool Read(unsigned char* out, std::size_t count) {
    while (count > 0) {
      if (next_ == end_ && !Refill()) return false;
      const std::size_t part = std::min<std::size_t>(count, end_ - next_);
      std::memcpy(out, next_, part);
      next_ += part;
      out += part;
      count -= part;
      consumed_ += part;
    }
    return true;
  }

  std::uint64_t Consumed() const { return consumed_; }
  std::uint64_t Remaining() const { return total_ > consumed_ ? total_ - consumed_ : 0; }

 private:
  bool Refill() {
    if (!file_) return false;
    const std::size_t got = std::fread(block_.data(), 1, block_.size(), file_);
    next_ = block_.data();
    end_ = next_ + got;
    return got > 0;
  }

  std::FILE* file_ = nullptr;
  std::vector<unsigned char> block_;
  const unsigned char* next_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t total_ = 0;
  std::uint64_t consumed_ = 0;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens path for reading (a regular file only, without waiting on a pipe);
// no file, with the reason, otherwise.
File OpenInput(const std::string& path, std::string& error) {
  return File(OpenRegularInput(path, error));
}

// The bytes of file from its start; the stream is rewound.
std::uint64_t MeasureInput(std::FILE* file) {
  long end = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
  std::rewind(file);
  return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

// One header line without its "\n" (and without a "\r" before it). False at
// the end of the input before a "\n", or past the header size limit.
bool ReadLine(ByteInput& in, std::string& line) {
  line.clear();
  for (int c; (c = in.Get()) != -1;) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (in.Consumed() > MaxHeaderBytes) return false;
    line += static_cast<char>(c);
  }
  return false;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

// One "-Y 480" part of the resolution line at pos; false when malformed.
bool ParseAxis(const std::string& line, std::size_t& pos, char& axis, bool& increasing,
               std::int64_t& size) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  if (pos + 2 > line.size() || (line[pos] != '+' && line[pos] != '-') ||
      (line[pos + 1] != 'X' && line[pos + 1] != 'Y'))
    return false;
  increasing = line[pos] == '+';
  axis = line[pos + 1];
  pos += 2;
  const std::size_t spaces = pos;
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  if (pos == spaces || pos == line.size() || line[pos] < '0' || line[pos] > '9') return false;
  size = 0;
  for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
    size = size * 10 + (line[pos] - '0');
    if (size > INT32_MAX) return false;  // also keeps the arithmetic below in range
  }
  return true;
}

bool ParseResolution(const std::string& line, RadianceHeader& header) {
  std::size_t pos = 0;
  char first, second;
  bool firstIncreasing, secondIncreasing;
  std::int64_t firstSize, secondSize;
  if (!ParseAxis(line, pos, first, firstIncreasing, firstSize) ||
      !ParseAxis(line, pos, second, secondIncreasing, secondSize) || first == second)
    return false;
  if (!TrimRight(line.substr(pos)).empty()) return false;
  header.scanlinesAreRows = first == 'Y';
  const bool yIncreasing = header.scanlinesAreRows ? firstIncreasing : secondIncreasing;
  const bool xIncreasing = header.scanlinesAreRows ? secondIncreasing : firstIncreasing;
  header.topFirst = !yIncreasing;  // Radiance's Y axis points up
  header.leftFirst = xIncreasing;
  header.height = header.scanlinesAreRows ? firstSize : secondSize;
  header.width = header.scanlinesAreRows ? secondSize : firstSize;
  return true;
}

// A reason for a file without "#?RADIANCE" or "FORMAT=": it is either one of
// the oldest pictures or not a picture at all, and the reason says both.
std::string NoSignatureReason(const std::string& why = "") {
  return "not a Radiance picture (no #?RADIANCE or FORMAT= line" +
         (why.empty() ? "" : ", and its data does not decode: " + why) + ")";
}

std::string SizeClaimReason(const RadianceHeader& header) {
  return "header states " + std::to_string(header.width) + " x " + std::to_string(header.height) +
         " pixels but only " + std::to_string(header.dataBytes) + " bytes follow";
}

bool ParseHeader(ByteInput& in, RadianceHeader& header, std::string& error) {
  header = RadianceHeader{};
  bool signature = false, format = false;
  bool printableStart = false;  // what Radiance's own header reader demands of the first byte
  std::string line;
  for (bool first = true;; first = false) {
    if (!ReadLine(in, line)) {
      error = "not a Radiance picture (no end of header)";
      return false;
    }
    if (line.find('\0') != std::string::npos) {
      error = "not a Radiance picture (binary data in the header)";
      return false;
    }
    if (first) printableStart = !line.empty() && line[0] >= ' ' && line[0] <= '~';
    if (line.empty()) break;
    if (StartsWith(line, "#?")) {
      signature = true;
    } else if (StartsWith(line, "FORMAT=")) {
      const std::string value = TrimRight(line.substr(7));
      if (value == "32-bit_rle_rgbe") {
        header.format = RadiancePixelFormat::Rgbe;
      } else if (value == "32-bit_rle_xyze") {
        header.format = RadiancePixelFormat::Xyze;
      } else {
        error = "unsupported pixel format \"" + value + "\"";
        return false;
      }
      format = true;
    } else if (StartsWith(line, "NCOMP=") && TrimRight(line.substr(6)) != "3") {
      error = "spectral picture (" + TrimRight(line) + ") is not supported";
      return false;
    }
  }
  // Programs that leave out the signature still write the format line. Files
  // from before both existed start straight with the command lines that made
  // them ("pfilt -x 8 -y 8 ..."); Radiance reads those as RGBE, and so do we,
  // but only with a valid resolution line and data that decodes, since any
  // text with a blank line looks the same up to here.
  header.headerless = !signature && !format;
  if (header.headerless && !printableStart) {
    error = NoSignatureReason();
    return false;
  }
  if (!ReadLine(in, line) || !ParseResolution(line, header)) {
    error = header.headerless ? NoSignatureReason()
                              : "bad resolution line \"" + TrimRight(line.substr(0, 80)) + "\"";
    return false;
  }
  if (header.width == 0 || header.height == 0) {
    error = header.headerless ? NoSignatureReason() : "picture has no pixels (" + line + ")";
    return false;
  }
  header.dataOffset = in.Consumed();
  header.dataBytes = in.Remaining();
  // Checked here too, so that a look-alike text is not taken for a picture
  // (and weighed for memory) on the strength of its header alone.
  if (header.headerless && RadianceMinimumDataBytes(header) > header.dataBytes) {
    error = NoSignatureReason(SizeClaimReason(header));
    return false;
  }
  return true;
}

// Same arithmetic as the library, so that both give the same floats.
void RgbeToFloat(const unsigned char* rgbe, float* out) {
  if (rgbe[3] == 0) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  const float f = static_cast<float>(std::ldexp(1.0, rgbe[3] - (128 + 8)));
  out[0] = rgbe[0] * f;
  out[1] = rgbe[1] * f;
  out[2] = rgbe[2] * f;
}

// Out-of-gamut colours get negative components; they are clipped to black.
void XyzToRgbInPlace(float* c) {
  double rgb[3];
  for (int i = 0; i < 3; ++i)
    rgb[i] = XyzToRgb[i][0] * c[0] + XyzToRgb[i][1] * c[1] + XyzToRgb[i][2] * c[2];
  for (int i = 0; i < 3; ++i) c[i] = static_cast<float>(std::max(0.0, rgb[i]));
}

bool IsRepeatPixel(const unsigned char* p) { return p[0] == 1 && p[1] == 1 && p[2] == 1; }

// Flat and old-style run-length pixels (they are one encoding): a pixel
// 1,1,1,n repeats the pixel before it n times, and each further repeat pixel
// in a row counts 256 times more. Example: ... P, (1,1,1,44), (1,1,1,1)
// gives P followed by 44 + 256 = 300 more copies of P.
bool ReadOldScanline(ByteInput& in, std::vector<unsigned char>& line, std::size_t start,
                     std::string& error) {
  const std::size_t length = line.size() / 4;
  int shift = 0;
  for (std::size_t x = start; x < length;) {
    unsigned char* pixel = &line[x * 4];
    if (!in.Read(pixel, 4)) {
      error = "pixel data ends early";
      return false;
    }
    if (!IsRepeatPixel(pixel)) {
      ++x;
      shift = 0;
      continue;
    }
    const std::uint64_t count = shift < 32 ? std::uint64_t{pixel[3]} << shift : ~0ull;
    if (x == 0 || count > length - x) {
      error = "bad run in old-style scanline";
      return false;
    }
    for (std::uint64_t k = 0; k < count; ++k, ++x) std::memcpy(&line[x * 4], &line[(x - 1) * 4], 4);
    shift += 8;
  }
  return true;
}

// New-style run-length scanline after its 2,2,hi,lo marker: each of the four
// byte planes in runs (count > 128: count - 128 copies of one byte) and
// literal stretches (count bytes).
bool ReadRunLengthScanline(ByteInput& in, std::vector<unsigned char>& line, std::string& error) {
  const std::size_t length = line.size() / 4;
  for (int channel = 0; channel < 4; ++channel) {
    for (std::size_t x = 0; x < length;) {
      const int code = in.Get();
      if (code < 0) {
        error = "pixel data ends early";
        return false;
      }
      const std::size_t count = code > 128 ? code - 128 : code;
      if (count > length - x) {
        error = "run longer than the scanline";
        return false;
      }
      if (code > 128) {
        const int value = in.Get();
        if (value < 0) {
          error = "pixel data ends early";
          return false;
        }
        for (std::size_t k = 0; k < count; ++k) line[(x + k) * 4 + channel] = value;
      } else {
        for (std::size_t k = 0; k < count; ++k) {
          const int value = in.Get();
          if (value < 0) {
            error = "pixel data ends early";
            return false;
          }
          line[(x + k) * 4 + channel] = value;
        }
      }
      x += count;
    }
  }
  return true;
}

// One scanline of any encoding into line (4 bytes a pixel); each scanline
// chooses its own encoding.
bool ReadScanline(ByteInput& in, std::vector<unsigned char>& line, std::string& error) {
  const std::int64_t length = static_cast<std::int64_t>(line.size() / 4);
  if (length < MinRunLengthScanline || length > MaxRunLengthScanline)
    return ReadOldScanline(in, line, 0, error);
  unsigned char* first = line.data();
  if (!in.Read(first, 4)) {
    error = "pixel data ends early";
    return false;
  }
  if (first[0] != 2 || first[1] != 2 || (first[2] & 0x80)) {
    if (IsRepeatPixel(first)) {
      error = "bad run in old-style scanline";
      return false;
    }
    return ReadOldScanline(in, line, 1, error);
  }
  if ((first[2] << 8 | first[3]) != length) {
    error = "scanline length does not match the picture";
    return false;
  }
  return ReadRunLengthScanline(in, line, error);
}

FIBITMAP* Decode(ByteInput& in, std::string& error) {
  RadianceHeader header;
  if (!ParseHeader(in, header, error)) return nullptr;
  if (RadianceMinimumDataBytes(header) > header.dataBytes) {
    error = SizeClaimReason(header);
    return nullptr;
  }
  // The library addresses rows with 32-bit pitches.
  if (header.width * 12 > INT32_MAX) {
    error = "picture too large";
    return nullptr;
  }
  const int width = static_cast<int>(header.width), height = static_cast<int>(header.height);
  Bitmap image(FreeImage_AllocateT(FIT_RGBF, width, height));
  if (!image) {
    error = "not enough memory for " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels";
    return nullptr;
  }
  const std::int64_t count = header.ScanlineCount(), length = header.ScanlineLength();
  std::vector<unsigned char> line(static_cast<std::size_t>(length) * 4);
  for (std::int64_t s = 0; s < count; ++s) {
    if (!ReadScanline(in, line, error)) {
      error += " (scanline " + std::to_string(s + 1) + " of " + std::to_string(count) + ")";
      if (header.headerless) error = NoSignatureReason(error);
      return nullptr;
    }
    for (std::int64_t p = 0; p < length; ++p) {
      // Picture coordinates of the p-th pixel of scanline s, top row 0.
      const std::int64_t along = header.scanlinesAreRows ? p : s;   // X index in file order
      const std::int64_t across = header.scanlinesAreRows ? s : p;  // Y index in file order
      const std::int64_t x = header.leftFirst ? along : width - 1 - along;
      const std::int64_t y = header.topFirst ? across : height - 1 - across;
      // The library stores the bottom row first.
      auto* row = reinterpret_cast<float*>(FreeImage_GetScanLine(image.get(), height - 1 - y));
      float* out = row + x * 3;
      RgbeToFloat(&line[p * 4], out);
      if (header.format == RadiancePixelFormat::Xyze) XyzToRgbInPlace(out);
    }
  }
  // Radiance's tools end a picture with its last scanline; bytes after it in
  // a file without signature mean text that happened to decode.
  if (header.headerless && in.Remaining() > 0) {
    error = NoSignatureReason(std::to_string(in.Remaining()) + " bytes after the last scanline");
    return nullptr;
  }
  return image.release();
}

}  // namespace

std::uint64_t RadianceMinimumDataBytes(const RadianceHeader& header) {
  // Old-style runs are the densest encoding: a first pixel, then k repeat
  // pixels stand for up to 256^k - 1 copies of it.
  const std::uint64_t length = static_cast<std::uint64_t>(header.ScanlineLength());
  std::uint64_t pixels = 1;
  for (std::uint64_t covered = 1; covered < length; covered *= 256) ++pixels;
  return static_cast<std::uint64_t>(header.ScanlineCount()) * pixels * 4;
}

bool ReadRadianceHeader(const unsigned char* data, std::size_t size, RadianceHeader& header,
                        std::string& error) {
  ByteInput in(data, size);
  return ParseHeader(in, header, error);
}

bool ReadRadianceHeader(std::FILE* file, RadianceHeader& header, std::string& error) {
  ByteInput in(file, MeasureInput(file));
  return ParseHeader(in, header, error);
}

bool ReadRadianceHeader(const std::string& path, RadianceHeader& header, std::string& error) {
  File file = OpenInput(path, error);
  return file && ReadRadianceHeader(file.get(), header, error);
}

FIBITMAP* DecodeRadiance(const unsigned char* data, std::size_t size, std::string& error) {
  ByteInput in(data, size);
  return Decode(in, error);
}

FIBITMAP* DecodeRadianceFile(std::FILE* file, std::string& error) {
  ByteInput in(file, MeasureInput(file));
  return Decode(in, error);
}

FIBITMAP* DecodeRadianceFile(const std::string& path, std::string& error) {
  File file = OpenInput(path, error);
  return file ? DecodeRadianceFile(file.get(), error) : nullptr;
}
