#include "driver/imaging/image_stats.h"

#include <cmath>

namespace tarvel {

size_t PixelCount(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<size_t>(width) * static_cast<size_t>(height);
}

std::vector<uint64_t> Histogram16(const uint16_t* pixels, size_t count) {
  std::vector<uint64_t> bins(65536, 0);
  for (size_t i = 0; i < count; ++i) ++bins[pixels[i]];
  return bins;
}

PixelStats ComputePixelStats(const uint16_t* pixels, size_t count) {
  PixelStats s;
  if (count == 0) return s;
  const std::vector<uint64_t> bins = Histogram16(pixels, count);
  uint64_t sum = 0;
  for (uint32_t v = 0; v < 65536; ++v) {
    if (!bins[v]) continue;
    if (v < s.minimum) s.minimum = static_cast<uint16_t>(v);
    s.maximum = static_cast<uint16_t>(v);
    sum += bins[v] * v;
  }
  s.mean = static_cast<double>(sum) / static_cast<double>(count);
  double squares = 0;
  for (uint32_t v = 0; v < 65536; ++v)
    if (bins[v]) {
      const double d = v - s.mean;
      squares += static_cast<double>(bins[v]) * d * d;
    }
  s.deviation = std::sqrt(squares / static_cast<double>(count));
  return s;
}

}  // namespace tarvel
