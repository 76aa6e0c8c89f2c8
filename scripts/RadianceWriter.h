// Writes Radiance RGBE pictures, flat or run-length encoded; shared by the
// sample generator and the tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct FloatPicture {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;  // width * height * 3, top row first

  FloatPicture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0.0f) {}
  float* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

inline void ToRgbe(const float* c, unsigned char out[4]) {
  float v = std::max({c[0], c[1], c[2]});
  if (v < 1e-32f) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  int e;
  float m = std::frexp(v, &e) * 256.0f / v;
  out[0] = static_cast<unsigned char>(std::max(0.0f, c[0]) * m);
  out[1] = static_cast<unsigned char>(std::max(0.0f, c[1]) * m);
  out[2] = static_cast<unsigned char>(std::max(0.0f, c[2]) * m);
  out[3] = static_cast<unsigned char>(e + 128);
}

// How a picture is laid out in a Radiance file. The defaults give the
// standard file every program reads: "-Y N +X M", new-style run-length
// scanlines, RGBE, with the "#?RADIANCE" line first.
enum class ScanlineEncoding {
  Flat,          // 4 bytes a pixel
  RunLength,     // new style, per byte plane (flat where the length does not allow it)
  OldRunLength,  // pre-1991: a pixel 1,1,1,n repeats the previous one
  Mixed,         // the three above in turn, scanline by scanline
};

struct RadianceLayout {
  bool scanlinesAreRows = true;  // "Y" named first
  bool topFirst = true;          // "-Y"
  bool leftFirst = true;         // "+X"
  ScanlineEncoding encoding = ScanlineEncoding::RunLength;
  bool xyze = false;        // CIE XYZ with FORMAT=32-bit_rle_xyze
  bool signature = true;    // the "#?RADIANCE" line
  std::string linesBefore;  // header lines before the signature
  std::string extraHeader;  // header lines after it, e.g. "EXPOSURE=2\n"
};

// RGB to CIE XYZ for Radiance's standard primaries and equal-energy white.
inline void RgbToXyz(const float* rgb, float* xyz) {
  static constexpr double m[3][3] = {{0.5141446208, 0.3238844797, 0.1619708995},
                                     {0.2651058201, 0.6701058201, 0.0647883598},
                                     {0.0241005291, 0.1228527337, 0.8530467372}};
  for (int i = 0; i < 3; ++i)
    xyz[i] = static_cast<float>(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2]);
}

inline std::string ResolutionLine(const FloatPicture& pic, const RadianceLayout& layout) {
  const std::string y = std::string(layout.topFirst ? "-Y " : "+Y ") + std::to_string(pic.height);
  const std::string x = std::string(layout.leftFirst ? "+X " : "-X ") + std::to_string(pic.width);
  return layout.scanlinesAreRows ? y + " " + x : x + " " + y;
}

// New-style run-length scanline: the marker, then each byte plane as runs
// and literal stretches.
inline void AppendRunLengthScanline(std::string& out, const std::vector<unsigned char>& row) {
  const int width = static_cast<int>(row.size() / 4);
  out += static_cast<char>(2);
  out += static_cast<char>(2);
  out += static_cast<char>(width >> 8);
  out += static_cast<char>(width & 0xFF);
  for (int ch = 0; ch < 4; ++ch) {
    int x = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && run < 127 &&
             row[static_cast<size_t>(x + run) * 4 + ch] == row[static_cast<size_t>(x) * 4 + ch])
        ++run;
      if (run > 2) {
        out += static_cast<char>(128 + run);
        out += static_cast<char>(row[static_cast<size_t>(x) * 4 + ch]);
        x += run;
        continue;
      }
      int start = x, count = 0;
      while (x < width && count < 128) {
        int r = 1;
        while (x + r < width && r < 3 &&
               row[static_cast<size_t>(x + r) * 4 + ch] == row[static_cast<size_t>(x) * 4 + ch])
          ++r;
        if (r >= 3) break;
        ++x;
        ++count;
      }
      out += static_cast<char>(count);
      for (int k = start; k < start + count; ++k)
        out += static_cast<char>(row[static_cast<size_t>(k) * 4 + ch]);
    }
  }
}

// Old-style scanline: each pixel, and after it the number of further copies
// as repeat pixels 1,1,1,n, lowest byte first (300 copies: n = 44, then 1).
inline void AppendOldRunLengthScanline(std::string& out, const std::vector<unsigned char>& row) {
  const size_t width = row.size() / 4;
  for (size_t x = 0; x < width;) {
    size_t copies = 0;
    while (x + 1 + copies < width &&
           std::equal(&row[x * 4], &row[x * 4] + 4, &row[(x + 1 + copies) * 4]))
      ++copies;
    out.append(reinterpret_cast<const char*>(&row[x * 4]), 4);
    for (size_t left = copies; left > 0; left >>= 8) {
      out += "\x01\x01\x01";
      out += static_cast<char>(left & 0xFF);
    }
    x += 1 + copies;
  }
}

inline std::string RadianceBytes(const FloatPicture& pic, const RadianceLayout& layout) {
  std::string out = layout.linesBefore;
  if (layout.signature) out += "#?RADIANCE\n";
  out += layout.extraHeader;
  out += layout.xyze ? "FORMAT=32-bit_rle_xyze\n\n" : "FORMAT=32-bit_rle_rgbe\n\n";
  out += ResolutionLine(pic, layout) + "\n";
  const int count = layout.scanlinesAreRows ? pic.height : pic.width;
  const int length = layout.scanlinesAreRows ? pic.width : pic.height;
  std::vector<unsigned char> row(static_cast<size_t>(length) * 4);
  for (int s = 0; s < count; ++s) {
    for (int p = 0; p < length; ++p) {
      const int along = layout.scanlinesAreRows ? p : s, across = layout.scanlinesAreRows ? s : p;
      const int x = layout.leftFirst ? along : pic.width - 1 - along;
      const int y = layout.topFirst ? across : pic.height - 1 - across;
      const float* rgb = &pic.rgb[(static_cast<size_t>(y) * pic.width + x) * 3];
      float xyz[3];
      if (layout.xyze) RgbToXyz(rgb, xyz);
      ToRgbe(layout.xyze ? xyz : rgb, &row[static_cast<size_t>(p) * 4]);
    }
    ScanlineEncoding encoding = layout.encoding;
    if (encoding == ScanlineEncoding::Mixed) encoding = static_cast<ScanlineEncoding>(s % 3);
    if (encoding == ScanlineEncoding::RunLength && (length < 8 || length > 32767))
      encoding = ScanlineEncoding::Flat;
    if (encoding == ScanlineEncoding::RunLength)
      AppendRunLengthScanline(out, row);
    else if (encoding == ScanlineEncoding::OldRunLength)
      AppendOldRunLengthScanline(out, row);
    else
      out.append(reinterpret_cast<const char*>(row.data()), row.size());
  }
  return out;
}

// Run-length encoding is used when rle and the width allows it (8..32767).
inline std::string RadianceBytes(const FloatPicture& pic, bool rle = true) {
  RadianceLayout layout;
  layout.encoding = rle ? ScanlineEncoding::RunLength : ScanlineEncoding::Flat;
  return RadianceBytes(pic, layout);
}

inline bool WriteRadianceFile(const std::string& path, const FloatPicture& pic, bool rle = true) {
  std::ofstream f(path, std::ios::binary);
  std::string bytes = RadianceBytes(pic, rle);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

// A smooth test picture: a horizontal gradient over four decades with a bright spot.
inline FloatPicture GradientPicture(int w, int h) {
  FloatPicture pic(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float t = w > 1 ? static_cast<float>(x) / (w - 1) : 0.0f;
      float s = h > 1 ? static_cast<float>(y) / (h - 1) : 0.0f;
      float lum = std::pow(10.0f, 4.0f * t - 2.0f);
      float* p = pic.At(x, y);
      p[0] = lum * (0.6f + 0.4f * s);
      p[1] = lum * 0.8f;
      p[2] = lum * (1.0f - 0.5f * s);
    }
  return pic;
}
