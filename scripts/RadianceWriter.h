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

// Run-length encoding is used when rle and the width allows it (8..32767).
inline std::string RadianceBytes(const FloatPicture& pic, bool rle = true) {
  std::string out = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(pic.height) +
                    " +X " + std::to_string(pic.width) + "\n";
  std::vector<unsigned char> row(static_cast<size_t>(pic.width) * 4);
  for (int y = 0; y < pic.height; ++y) {
    for (int x = 0; x < pic.width; ++x)
      ToRgbe(&pic.rgb[(static_cast<size_t>(y) * pic.width + x) * 3],
             &row[static_cast<size_t>(x) * 4]);
    if (!rle || pic.width < 8 || pic.width > 32767) {
      out.append(reinterpret_cast<const char*>(row.data()), row.size());
      continue;
    }
    out += static_cast<char>(2);
    out += static_cast<char>(2);
    out += static_cast<char>(pic.width >> 8);
    out += static_cast<char>(pic.width & 0xFF);
    for (int ch = 0; ch < 4; ++ch) {
      int x = 0;
      while (x < pic.width) {
        int run = 1;
        while (x + run < pic.width && run < 127 &&
               row[static_cast<size_t>(x + run) * 4 + ch] == row[static_cast<size_t>(x) * 4 + ch])
          ++run;
        if (run > 2) {
          out += static_cast<char>(128 + run);
          out += static_cast<char>(row[static_cast<size_t>(x) * 4 + ch]);
          x += run;
          continue;
        }
        int start = x, count = 0;
        while (x < pic.width && count < 128) {
          int r = 1;
          while (x + r < pic.width && r < 3 &&
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
  return out;
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
