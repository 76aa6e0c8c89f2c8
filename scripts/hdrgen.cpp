// Generates the bundled sample pictures: small Radiance HDR scenes with a real
// dynamic range (a sunlit outdoor scene, a dim interior with a bright window).
//   hdrgen OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <string>

#include "scripts/RadianceWriter.h"

namespace {

FloatPicture Outdoor(int w, int h) {
  FloatPicture pic(w, h);
  const float sunX = 0.72f * w, sunY = 0.22f * h, sunR = 0.03f * w;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float* p = pic.At(x, y);
      float horizon = 0.62f * h + 6.0f * std::sin(x * 0.05f);
      if (y < horizon) {  // sky, brighter towards the horizon and the sun
        float t = static_cast<float>(y) / horizon;
        float d = std::hypot(x - sunX, y - sunY);
        float glow = 40.0f * std::exp(-d / (0.08f * w));
        p[0] = 0.25f + 0.6f * t + glow;
        p[1] = 0.45f + 0.5f * t + glow * 0.9f;
        p[2] = 1.10f + 0.2f * t + glow * 0.7f;
        if (d < sunR) p[0] = p[1] = p[2] = 5000.0f;  // the sun disc
      } else {                                       // meadow with a shadowed band of trees
        float t = (y - horizon) / (h - horizon);
        float shade = (x % 37 < 12 && t < 0.3f) ? 0.08f : 1.0f;
        float grass = 0.5f + 0.15f * std::sin(x * 0.7f + y * 1.3f);
        p[0] = 0.12f * grass * shade;
        p[1] = 0.30f * grass * shade * (1.0f - 0.3f * t);
        p[2] = 0.05f * grass * shade;
      }
    }
  return pic;
}

FloatPicture Interior(int w, int h) {
  FloatPicture pic(w, h);
  const int wx0 = w * 6 / 10, wx1 = w * 9 / 10, wy0 = h * 15 / 100, wy1 = h * 60 / 100;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float* p = pic.At(x, y);
      bool inWindow = x >= wx0 && x < wx1 && y >= wy0 && y < wy1;
      bool mullion = std::abs(x - (wx0 + wx1) / 2) < 2 || std::abs(y - (wy0 + wy1) / 2) < 2;
      if (inWindow && !mullion) {  // daylight outside: two hundred times the room
        float t = static_cast<float>(y - wy0) / (wy1 - wy0);
        p[0] = 60.0f + 40.0f * t;
        p[1] = 70.0f + 30.0f * t;
        p[2] = 110.0f;
        continue;
      }
      // Wall and floor lit by the window, falling off with distance.
      float dx = (x - 0.75f * w) / w, dy = (y - 0.4f * h) / h;
      float light = 0.6f / (1.0f + 25.0f * (dx * dx + dy * dy));
      bool floor = y > 0.72f * h;
      bool patch = floor && x > wx0 - 0.2f * w && x < wx1 - 0.1f * w && y > 0.8f * h;
      float base = floor ? 0.35f : 0.55f;
      if (patch) light += 8.0f;  // sunlight patch on the floor
      p[0] = base * light * (floor ? 1.0f : 0.95f);
      p[1] = base * light * (floor ? 0.75f : 0.9f);
      p[2] = base * light * (floor ? 0.5f : 0.8f);
    }
  return pic;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: hdrgen OUTPUT_FOLDER\n");
    return 2;
  }
  std::string dir = argv[1];
  if (dir.back() != '/') dir += '/';
  bool ok = WriteRadianceFile(dir + "outdoor.hdr", Outdoor(240, 160)) &&
            WriteRadianceFile(dir + "interior.hdr", Interior(200, 150)) &&
            WriteRadianceFile(dir + "gradient.hdri", GradientPicture(160, 48));
  return ok ? 0 : 1;
}
