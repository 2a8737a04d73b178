#include "driver/imaging/greyscale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "driver/imaging/image_stats.h"

namespace tarvel {
namespace {

int64_t CutLimit(int32_t ppm, size_t count) {
  return static_cast<int64_t>(std::min(ppm * 1e-6, 0.4) * static_cast<double>(count));
}

uint16_t Clamp16(double v) {
  // NaN falls through to 0.
  return v >= 65535 ? 65535 : v > 0 ? static_cast<uint16_t>(v) : 0;
}

}  // namespace

GreyscaleWindow FindGreyscaleWindow(const uint16_t* pixels, size_t count, int32_t low_ppm, int32_t high_ppm) {
  const std::vector<uint64_t> bins = Histogram16(pixels, count);
  int lo = 0, hi = 65535;
  if (low_ppm >= 0) {
    const int64_t limit = CutLimit(low_ppm, count);
    int64_t sum = 0;
    for (int b = 1; b < 65536; ++b)
      if ((sum += static_cast<int64_t>(bins[b])) > limit) {
        lo = b;
        break;
      }
  }
  if (high_ppm >= 0) {
    const int64_t limit = CutLimit(high_ppm, count);
    int64_t sum = 0;
    for (int b = 65535; b >= 0; --b)
      if ((sum += static_cast<int64_t>(bins[b])) > limit) {
        hi = b;
        break;
      }
  }
  const auto widen = [](int& l, int& h) {
    if (h - l < 16) {
      if (h < 65519) h += 16;
      if (l > 16) l -= 16;
    }
  };
  int wlo = lo, whi = hi;
  widen(wlo, whi);
  // Zero pixels count from above but not from below, so the two points can
  // cross. The widening still gives 16 values when they cross by little;
  // otherwise the window lies between the two points in order.
  if (whi - wlo < 16) {
    wlo = std::min(lo, hi), whi = std::max(lo, hi);
    widen(wlo, whi);
  }
  return {static_cast<uint16_t>(wlo), static_cast<uint16_t>(whi)};
}

void OptimiseGreyscale(uint16_t* pixels, size_t count, int32_t low_ppm, int32_t high_ppm, int32_t curve) {
  if (count == 0 || curve < 0 || curve > 2) return;
  const GreyscaleWindow w = FindGreyscaleWindow(pixels, count, low_ppm, high_ppm);
  const int lo = w.lo;
  const double span = w.hi - w.lo;  // 16 or more
  std::vector<uint16_t> map(65536);
  switch (static_cast<GreyscaleCurve>(curve)) {
    case GreyscaleCurve::Linear: {
      const double k = 65535 / span;
      for (int v = 0; v < 65536; ++v) map[v] = Clamp16(k * (v - lo));
      break;
    }
    case GreyscaleCurve::SquareRoot: {
      const double k = 65536 / std::sqrt(span + 1);
      for (int v = 0; v < 65536; ++v) map[v] = Clamp16(k * std::sqrt(std::max(v - lo, 0)));
      break;
    }
    case GreyscaleCurve::Logarithmic: {
      const double k = 65535 / (std::log(span + 1) - 1);
      for (int v = 0; v < 65536; ++v) map[v] = Clamp16(k * (std::log(std::max(v - lo + 1, 1)) - 1));
      break;
    }
  }
  for (size_t i = 0; i < count; ++i) pixels[i] = map[pixels[i]];
}

void InvertPixels(uint16_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint16_t>(~pixels[i]);
}

}  // namespace tarvel
