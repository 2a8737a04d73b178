#pragma once
// Statistics over 16-bit pixels.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvel {

// Pixel count of a width x height image; 0 when either side is not positive.
size_t PixelCount(int32_t width, int32_t height);

// Count of every 16-bit value.
std::vector<uint64_t> Histogram16(const uint16_t* pixels, size_t count);

struct PixelStats {
  uint16_t minimum = 65535;
  uint16_t maximum = 0;
  double mean = 0;  // 0 for no pixels
  double deviation = 0;  // population standard deviation; 0 for no pixels
};

PixelStats ComputePixelStats(const uint16_t* pixels, size_t count);

}  // namespace tarvel
