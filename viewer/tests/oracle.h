#pragma once
// The display's formulas written out independently of the code under test:
// the tone table, the colour ramps and what each transform code shows.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "viewer/core/display_core.h"

namespace viewer::test {

inline int ExpectedIndex(int t, int low, int high) {
  if (t < low) return 0;
  if (t > high) return 255;
  return static_cast<int>(std::nearbyint((t - low) * 255.0 / (high - low + 1)));
}

inline int ExpectedRamp(int i, int c, int w, int h) {
  if (w == 0 || i < c - w) return 0;
  if (i <= c) return (i - c + w) * h / w;
  if (i < c + w) return (c + w - i) * h / w;
  return 0;
}

inline uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

inline uint32_t ExpectedPseudo(int i, const ColorInfo& info) {
  return Rgb(ExpectedRamp(i, info[0], info[1], info[2]), ExpectedRamp(i, info[3], info[4], info[5]),
             ExpectedRamp(i, info[6], info[7], info[8]));
}

// Colour of index i under a mapping other than mCustom.
inline uint32_t ExpectedColour(EMapping mapping, int i, const ColorInfo& info) {
  switch (mapping) {
    case mPositive: return Rgb(i, i, i);
    case mNegative: return Rgb(255 - i, 255 - i, 255 - i);
    case mPositiveColor: return ExpectedPseudo(i, info);
    default: return ExpectedPseudo(255 - i, info);
  }
}

// Image pixel shown at display point (u, v) under a transform code: the
// top-left pixel, then steps along a display row and to the next row.
inline Point Shown(int code, int w, int h, int u, int v) {
  struct Meaning {
    int x0, y0, alongX, alongY, nextX, nextY;
  };
  static const auto of = [](int c, int w, int h) -> Meaning {
    switch (c) {
      case 0: return {0, 0, 1, 0, 0, 1};
      case 1: return {w - 1, 0, -1, 0, 0, 1};
      case 2: return {0, h - 1, 1, 0, 0, -1};
      case 3: return {w - 1, h - 1, -1, 0, 0, -1};
      case 4: return {0, 0, 0, 1, 1, 0};
      case 5: return {0, h - 1, 0, -1, 1, 0};
      case 6: return {w - 1, 0, 0, 1, -1, 0};
      default: return {w - 1, h - 1, 0, -1, -1, 0};
    }
  };
  const Meaning m = of(code, w, h);
  return {m.x0 + u * m.alongX + v * m.nextX, m.y0 + u * m.alongY + v * m.nextY};
}

// An image of w x h distinct tones (x + y * w) * step + offset.
inline ImageRecord MakeImage(uint32_t w, uint32_t h, uint16_t step = 1, uint16_t offset = 0) {
  std::shared_ptr<uint16_t[]> pixels(new uint16_t[size_t{w} * h]);
  uint16_t lo = 65535, hi = 0;
  for (uint32_t i = 0; i < w * h; ++i) {
    pixels[i] = static_cast<uint16_t>(i * step + offset);
    lo = std::min(lo, pixels[i]);
    hi = std::max(hi, pixels[i]);
  }
  ImageRecord r;
  r.width = w;
  r.height = h;
  r.pixels = pixels;
  r.minTone = lo;
  r.maxTone = hi;
  return r;
}

}  // namespace viewer::test
