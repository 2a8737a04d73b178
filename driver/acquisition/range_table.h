#pragma once
// The plate ranges: blocks that touch are grouped into one range (the
// bounding box of a plate), ranges that touch are merged, and finished
// ranges are checked and handed on or discarded.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

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
  // block grows, else the block starts a new one. A full table first frees
  // the ranges that have ended and can never become an image (`settings`);
  // a block that still finds no place is kept as lost area.
  void Accept(RunStore& runs, const ScanMode& settings);
  // Merges ranges that touch until none do.
  void Merge();
  // Walks the ranges: each finished one (all with `with_end`; else those
  // ending before line_count - 1) is checked and, when it passes, handed
  // to `make_images` with its number (from 1); every finished range is
  // removed. A plate that touches lost area (blocks a full table could not
  // place) is checked with that area and, when it passes, handed to
  // `lose_plate` instead; so is finished lost area that no range touched.
  using ImageMaker = std::function<void(const PlateRange& range, int number)>;
  using PlateLoser = std::function<void(const PlateRange& range)>;
  void Finish(bool with_end, int32_t line_count, int32_t last_pixel, const ScanMode& settings,
              const ImageMaker& make_images, const PlateLoser& lose_plate);
  void Reset();

  int Count() const { return count_; }
  const PlateRange& Range(int i) const { return ranges_[i]; }

 private:
  void Remove(int k);
  // Frees the finished ranges (before `line` - 1) that can never become an
  // image: too small (counted) or of an erase pass, and touching no other
  // range nor lost area.
  void FreeDeadRanges(int32_t line, const ScanMode& settings);
  void AddLost(const PlateRange& box);
  // `box` grown by the lost area it touches (marked as taken); true when
  // there was any.
  bool TakeLostArea(PlateRange* box);

  struct LostArea {
    PlateRange box;
    bool taken = false;  // part of a plate already checked
  };
  static constexpr size_t kMaxLostAreas = 64;

  LogSink& log_;
  std::array<PlateRange, kMaxRanges> ranges_{};
  int count_ = 0;
  int freed_too_small_ = 0;  // freed early, reported with the next walk
  int32_t swept_line_ = -1;  // the line of the last freeing pass
  std::vector<LostArea> lost_;  // until the reset
};

}  // namespace tarvel
