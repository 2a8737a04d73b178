#include "driver/acquisition/prescan_ring.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "driver/result_codes.h"

namespace tarvel {

int PrescanRing::Setup(int samples, int32_t last_pixel, const ScanMode& settings) {
  write_ = read_ = 0;
  if (samples <= 0 || samples >= kPrescanLineBytes) {
    samples_ = 0;
    step_ = 1;
    interval_ = 1;
    divisor_ = 256;
    return samples >= kPrescanLineBytes ? kErrOutOfRange : kOk;
  }
  samples_ = samples;
  step_ = last_pixel / samples;
  double lines = settings.binning * settings.pitch_y / settings.pitch_x * step_;
  int64_t interval = (lines > 0 && lines < 1e9) ? static_cast<int64_t>(lines) : 0;
  interval /= settings.sample_factor;
  // An interval that computes to 0 takes every line.
  interval_ = static_cast<int>(std::max<int64_t>(interval, 1));
  int s = settings.ADC_Ovs;
  divisor_ = std::max(1, s <= 16 ? s * 16 : s * 8);
  return kOk;
}

void PrescanRing::TakeLine(RunStore& runs, int32_t line_count, int32_t last_pixel) {
  auto& ring_line = ring_[write_];
  if (runs.BlockCount() == 0) {
    std::memset(ring_line.data(), 0, static_cast<size_t>(samples_));
  } else {
    std::vector<uint16_t> line(static_cast<size_t>(last_pixel) + 10, 0);
    runs.WritePending();
    for (int i = runs.BlockCount() - 1; i >= 0 && runs.Block(i).line == line_count - 1; --i) {
      const ScanBlock& b = runs.Block(i);
      if (b.x_from >= static_cast<int64_t>(line.size())) continue;
      size_t n = std::min<size_t>(static_cast<size_t>(b.x_to - b.x_from + 1), line.size() - b.x_from);
      // A run that is not in the file leaves its samples dark.
      if (b.lost || !runs.ReadBack(b.file_offset, line.data() + b.x_from, n))
        std::fill_n(line.data() + b.x_from, n, uint16_t{0});
    }
    for (int i = 0; i < samples_; ++i) {
      size_t at = static_cast<size_t>(i) * step_;
      int v = at < line.size() ? line[at] : 0;
      ring_line[i] = static_cast<uint8_t>(-(v / divisor_));
    }
  }
  write_ = (write_ + 1) % kPrescanLines;
}

void PrescanRing::Take(uint8_t* buffer) {
  if (buffer && samples_ > 0) std::memcpy(buffer, ring_[read_].data(), samples_);
  if (read_ != write_) read_ = (read_ + 1) % kPrescanLines;
}

}  // namespace tarvel
