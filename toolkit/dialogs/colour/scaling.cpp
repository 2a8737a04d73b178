#include "toolkit/dialogs/colour/scaling.h"

namespace mwdlg {

int64_t ScaleRounded(int64_t value, int64_t numerator, int64_t denominator) {
  const int64_t product = value * numerator;
  // |product| / denominator rounded half up, then the sign applied.
  const int64_t magnitude = product < 0 ? -product : product;
  int64_t q = magnitude / denominator;
  const int64_t r = magnitude % denominator;
  if (2 * r >= denominator) ++q;
  return product < 0 ? -q : q;
}

int32_t ColorRange(int32_t index) {
  if (index > 28) return -13;
  if (index == 28 || index < 0) return -1;
  const int32_t component = index / 2;
  const bool upper = index % 2 == 0;
  if (component <= 2) return upper ? 255 : 0;
  if (component == 3) return upper ? 360 : 0;
  if (component <= 11) return upper ? 100 : 0;
  return upper ? 127 : -128;
}

}  // namespace mwdlg
