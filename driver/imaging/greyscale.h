#pragma once
// Greyscale optimisation and inversion of 16-bit images, in place.
#include <cstddef>
#include <cstdint>

namespace tarvel {

enum class GreyscaleCurve : int32_t { Linear = 0, SquareRoot = 1, Logarithmic = 2 };

struct GreyscaleWindow {
  uint16_t lo = 0, hi = 65535;
};

// The window between the low and high percentile points (parts per million
// of the pixels; negative: no cut on that side), widened to at least 16
// values and never inverted. Bin 0 is not counted from below.
GreyscaleWindow FindGreyscaleWindow(const uint16_t* pixels, size_t count, int32_t low_ppm, int32_t high_ppm);

// Maps the window onto 0..65535 with the curve; any other curve value leaves
// the pixels as they are.
void OptimiseGreyscale(uint16_t* pixels, size_t count, int32_t low_ppm, int32_t high_ppm, int32_t curve);

// Every pixel becomes 65535 minus itself.
void InvertPixels(uint16_t* pixels, size_t count);

}  // namespace tarvel
