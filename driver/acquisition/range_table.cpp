#include "driver/acquisition/range_table.h"

#include <algorithm>

namespace tarvel {

namespace {
const char kRangeOverflow[] = "CRITICAL ERROR: Internal Rangebuffer overflow\n   This my be caused by too much light\n";

bool Accepts(const ScanBlock& b, const PlateRange& r) {
  return int64_t{b.line} <= int64_t{r.last_line} + 1 && int64_t{b.x_from} <= int64_t{r.x_to} + 1 &&
         int64_t{b.x_to} + 1 >= r.x_from;
}

bool Touch(const PlateRange& a, const PlateRange& b) {
  return !(int64_t{b.x_to} + 1 < a.x_from || int64_t{a.x_to} + 1 < b.x_from ||
           int64_t{b.last_line} + 1 < a.first_line || int64_t{a.last_line} + 1 < b.first_line);
}
}  // namespace

void RangeTable::Accept(RunStore& runs) {
  for (int i = runs.LastCollect(); i < runs.BlockCount(); ++i) {
    const ScanBlock& b = runs.Block(i);
    int k = 0;
    while (k < count_ && !Accepts(b, ranges_[k])) ++k;
    if (k < count_) {
      PlateRange& r = ranges_[k];
      r.x_from = std::min(r.x_from, b.x_from);
      r.x_to = std::max(r.x_to, b.x_to);
      r.last_line = b.line;
    } else if (count_ < kMaxRanges) {
      ranges_[count_++] = PlateRange{b.x_from, b.line, b.x_to, b.line};
    } else if (runs.ClaimOverflowReport()) {
      log_.Write(kRangeOverflow);
      log_.Flush();
    }
  }
  runs.MarkCollected();
}

void RangeTable::Remove(int k) {
  for (int i = k; i + 1 < count_; ++i) ranges_[i] = ranges_[i + 1];
  ranges_[count_ - 1] = PlateRange{};
  --count_;
}

void RangeTable::Reset() {
  for (int k = 0; k < count_; ++k) ranges_[k] = PlateRange{};
  count_ = 0;
}

void RangeTable::Merge() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int a = 0; a + 1 < count_ && !merged; ++a) {
      for (int b = a + 1; b < count_; ++b) {
        if (!Touch(ranges_[a], ranges_[b])) continue;
        PlateRange& ra = ranges_[a];
        const PlateRange& rb = ranges_[b];
        ra.x_from = std::min(ra.x_from, rb.x_from);
        ra.first_line = std::min(ra.first_line, rb.first_line);
        ra.x_to = std::max(ra.x_to, rb.x_to);
        ra.last_line = std::max(ra.last_line, rb.last_line);
        Remove(b);
        merged = true;
        break;
      }
    }
  }
}

void RangeTable::Finish(bool with_end, int32_t line_count, int32_t last_pixel, const ScanMode& settings,
                        const ImageMaker& make_images) {
  int too_small = 0;
  int k = 0;
  while (k < count_) {
    const PlateRange r = ranges_[k];
    if (!with_end && !(int64_t{r.last_line} < int64_t{line_count} - 1)) {
      ++k;
      continue;
    }
    int64_t w = int64_t{r.x_to} - r.x_from + 1;
    int64_t h = int64_t{r.last_line} - r.first_line + 1;
    double ratio = static_cast<double>(w) / static_cast<double>(h);
    if (settings.plate_type == kPlateErase) {
      // Erase passes make no images.
    } else if (w * h < settings.min_image_pixels) {
      ++too_small;
    } else if (ratio > settings.max_aspect_ratio || 1.0 / ratio > settings.max_aspect_ratio) {
      Logf(log_, "Range with bad X/Y ratio was removed; Ratio = %5.2f, max = %5.2f\n", ratio,
           settings.max_aspect_ratio);
    } else if (r.x_to > last_pixel) {
      Logf(log_, "Range was removed: Passed end of the scan line at %d!\n", r.x_to);
    } else {
      make_images(r, k + 1);
    }
    Remove(k);
  }
  if (too_small > 0) Logf(log_, "%i Ranges were removed as too small\n", too_small);
}

}  // namespace tarvel
