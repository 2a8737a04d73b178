#include "viewer/core/tone_counts.h"

namespace viewer {

void CountTones(const uint16_t* pixels, size_t n, ToneCounts& counts) {
  uint32_t* c = counts.data();
  for (size_t i = 0; i < n; ++i) ++c[pixels[i]];
}

}  // namespace viewer
