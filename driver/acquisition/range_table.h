#pragma once
// The plate ranges: blocks that touch are grouped into one range (the
// bounding box of a plate), ranges that touch are merged, and finished
// ranges are checked and handed on or discarded.
#include <array>
#include <cstdint>
#include <functional>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/run_store.h"
#include "driver/config/log_sink.h"

namespace tarvel {

// One plate: the bounding box of its blocks.
struct PlateRange {
  int32_t x_from = 0;
  int32_t first_line = 0;
  int32_t x_to = 0;
  int32_t last_line = 0;
};

class RangeTable {
 public:
  explicit RangeTable(LogSink& log) : log_(log) {}

  // Places the blocks not yet in a range: the first range that accepts a
  // block grows, else the block starts a new one.
  void Accept(RunStore& runs);
  // Merges ranges that touch until none do.
  void Merge();
  // Walks the ranges: each finished one (all with `with_end`; else those
  // ending before line_count - 1) is checked and, when it passes, handed
  // to `make_images` with its number (from 1); every finished range is
  // removed.
  using ImageMaker = std::function<void(const PlateRange& range, int number)>;
  void Finish(bool with_end, int32_t line_count, int32_t last_pixel, const ScanMode& settings,
              const ImageMaker& make_images);
  void Reset();

  int Count() const { return count_; }
  const PlateRange& Range(int i) const { return ranges_[i]; }

 private:
  void Remove(int k);

  LogSink& log_;
  std::array<PlateRange, kMaxRanges> ranges_{};
  int count_ = 0;
};

}  // namespace tarvel
