#pragma once
// Frequency-domain plate filter: a radial transfer function of two Gaussian
// steps (high-pass rise, low-pass fall), then a stretch of the result between
// its 1 % and 99 % points onto 0..65535.
#include <cstddef>
#include <cstdint>

#include "driver/config/filter_settings.h"

namespace tarvel {

// Padded sizes and frequency steps of one call. One array holds the image
// and, transformed in place, its spectrum; the image is held transposed:
// real[x][y] at x * row + y and spectrum[x][a] at x * half + a, with
// half = H / 2 + 1 and row = 2 * half doubles per x position.
struct FilterGeometry {
  int width = 0, height = 0;
  int W = 0, H = 0;
  double df_x = 0, df_y = 0;  // cycles per mm
  double gain_bound = 1;  // no |T| is larger: the scale of the rounding residue
  size_t half() const { return static_cast<size_t>(H / 2 + 1); }
  size_t row() const { return 2 * half(); }
};

// Stretches the image area (x < width, y < height) of a back-transformed
// array between its 1 % and 99 % points onto out (width x height, rows top
// first). False, out untouched, when the values have no usable spread.
bool RescalePercentile(const FilterGeometry& g, const double* real, uint16_t* out);

// True when n has no prime factor other than 2, 3, 5 and 7 (1 is smooth).
bool IsSmooth7(int n);
// The smallest m >= n with IsSmooth7(m); 1 for n <= 1, 0 when no such int.
int NextSmoothSize(int n);

// Filters a width x height image (rows top first). `in` and `out` may be the
// same buffer. Pitches below 1000 nm are taken as 100000 nm. False (out left
// untouched) for missing buffers, non-positive sizes, sigmas <= 0, values
// that are not finite, no memory, or a result without spread.
bool FilterImageFFT(int width, int height, const uint16_t* in, uint16_t* out, int pitch_x_nm, int pitch_y_nm,
                    const FilterParams& params);

}  // namespace tarvel
