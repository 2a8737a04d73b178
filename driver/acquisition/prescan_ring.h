#pragma once
// The prescan ring: 16 coarse 8-bit preview lines taken from the stream.
#include <array>
#include <cstdint>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/run_store.h"

namespace tarvel {

constexpr int kPrescanLines = 16;
constexpr int kPrescanLineBytes = 1024;

class PrescanRing {
 public:
  // Samples per line (0 or >= 1024: off); kErrOutOfRange for 1024 or more,
  // else kOk.
  int Setup(int samples, int32_t last_pixel, const ScanMode& settings);
  // A line is due at this line count.
  bool Due(int32_t line_count) const { return samples_ > 0 && line_count % interval_ == 0; }
  // Takes the line just ended (line_count - 1) from the stored runs.
  void TakeLine(RunStore& runs, int32_t line_count, int32_t last_pixel);
  // Copies the line at the read index; moves on when another is waiting.
  void Take(uint8_t* buffer);
  bool Waiting() const { return write_ != read_; }

 private:
  std::array<std::array<uint8_t, kPrescanLineBytes>, kPrescanLines> ring_{};
  int write_ = 0, read_ = 0;
  int samples_ = 0, step_ = 1, interval_ = 1, divisor_ = 256;
};

}  // namespace tarvel
