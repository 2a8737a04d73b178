#pragma once
// The record the image model hands to the display control and the histogram:
// sampling factor, stored size, pixels and the tone range of the pixels.
#include <cstdint>
#include <memory>

namespace viewer {

struct ImageRecord {
  uint32_t sampling = 1;
  uint32_t width = 0;  // stored pixels per row
  uint32_t height = 0;  // stored rows
  // Rows top-down without padding. Shared, so a reader keeps the pixels
  // alive for as long as it holds the record, whatever the model frees.
  std::shared_ptr<const uint16_t[]> pixels;
  uint16_t minTone = 0;
  uint16_t maxTone = 0;
};

// A tone pair crosses interfaces as one value, the low tone in the lower half.
constexpr uint32_t PackTones(uint16_t low, uint16_t high) {
  return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
}

}  // namespace viewer
