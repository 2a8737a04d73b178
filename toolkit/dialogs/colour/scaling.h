#pragma once
// Scaling between the colour library's bytes and the dialogs' ranges.
#include <cstdint>

namespace mwdlg {

// value x numerator / denominator with a 64-bit intermediate, rounded to the
// nearest integer, halves away from zero (denominator > 0).
int64_t ScaleRounded(int64_t value, int64_t numerator, int64_t denominator);

// The low byte of a scaled component (what the colour library receives).
inline uint8_t ScaleToByte(int32_t value, int64_t numerator, int64_t denominator) {
  return static_cast<uint8_t>(ScaleRounded(value, numerator, denominator) & 0xFF);
}

// Component bounds by index (2k upper, 2k + 1 lower bound of component k):
// the bound, -1 for 28 or a negative index, -13 above 28.
int32_t ColorRange(int32_t index);

}  // namespace mwdlg
