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

void Unite(PlateRange& a, const PlateRange& b) {
  a.x_from = std::min(a.x_from, b.x_from);
  a.first_line = std::min(a.first_line, b.first_line);
  a.x_to = std::max(a.x_to, b.x_to);
  a.last_line = std::max(a.last_line, b.last_line);
}

bool EndedBefore(const PlateRange& r, int32_t line) { return int64_t{r.last_line} < int64_t{line} - 1; }

int64_t Area(const PlateRange& r) {
  return (int64_t{r.x_to} - r.x_from + 1) * (int64_t{r.last_line} - r.first_line + 1);
}

// What becomes of a finished range.
enum class Verdict { kErase, kTooSmall, kBadRatio, kPastLineEnd, kPlate };

Verdict Judge(const PlateRange& r, int32_t last_pixel, const ScanMode& settings, double* ratio) {
  const int64_t w = int64_t{r.x_to} - r.x_from + 1;
  const int64_t h = int64_t{r.last_line} - r.first_line + 1;
  *ratio = static_cast<double>(w) / static_cast<double>(h);
  if (settings.plate_type == kPlateErase) return Verdict::kErase;  // erase passes make no images
  if (w * h < settings.min_image_pixels) return Verdict::kTooSmall;
  if (*ratio > settings.max_aspect_ratio || 1.0 / *ratio > settings.max_aspect_ratio) return Verdict::kBadRatio;
  if (r.x_to > last_pixel) return Verdict::kPastLineEnd;
  return Verdict::kPlate;
}
}  // namespace

void RangeTable::Accept(RunStore& runs, const ScanMode& settings) {
  for (int i = runs.LastCollect(); i < runs.BlockCount(); ++i) {
    const ScanBlock& b = runs.Block(i);
    int k = 0;
    while (k < count_ && !Accepts(b, ranges_[k])) ++k;
    if (k < count_) {
      PlateRange& r = ranges_[k];
      r.x_from = std::min(r.x_from, b.x_from);
      r.x_to = std::max(r.x_to, b.x_to);
      r.last_line = b.line;
      continue;
    }
    if (count_ == kMaxRanges && b.line != swept_line_) {
      swept_line_ = b.line;
      FreeDeadRanges(b.line, settings);
    }
    const PlateRange box{b.x_from, b.line, b.x_to, b.line};
    if (count_ < kMaxRanges) {
      ranges_[count_++] = box;
      continue;
    }
    AddLost(box);
    if (runs.ClaimOverflowReport()) {
      log_.Write(kRangeOverflow);
      log_.Flush();
    }
  }
  runs.MarkCollected();
}

void RangeTable::FreeDeadRanges(int32_t line, const ScanMode& settings) {
  auto dead = [&](int k) {
    const PlateRange& r = ranges_[k];
    if (!EndedBefore(r, line)) return false;
    if (settings.plate_type != kPlateErase && Area(r) >= settings.min_image_pixels) return false;
    for (int j = 0; j < count_; ++j)
      if (j != k && Touch(r, ranges_[j])) return false;
    for (const LostArea& a : lost_)
      if (Touch(r, a.box)) return false;
    return true;
  };
  std::vector<bool> freed(static_cast<size_t>(count_));
  for (int k = 0; k < count_; ++k) freed[k] = dead(k);
  int kept = 0;
  for (int k = 0; k < count_; ++k) {
    if (!freed[k]) {
      ranges_[kept++] = ranges_[k];
    } else if (settings.plate_type != kPlateErase) {
      ++freed_too_small_;
    }
  }
  for (int k = kept; k < count_; ++k) ranges_[k] = PlateRange{};
  count_ = kept;
}

void RangeTable::AddLost(const PlateRange& box) {
  for (LostArea& a : lost_) {
    if (Touch(a.box, box)) {
      Unite(a.box, box);
      return;
    }
  }
  if (lost_.size() < kMaxLostAreas) {
    lost_.push_back({box, false});
  } else {
    Unite(lost_.back().box, box);  // coarser, never smaller
  }
}

bool RangeTable::TakeLostArea(PlateRange* box) {
  std::vector<bool> inside(lost_.size());
  bool any = false;
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t i = 0; i < lost_.size(); ++i) {
      if (inside[i] || !Touch(*box, lost_[i].box)) continue;
      Unite(*box, lost_[i].box);
      lost_[i].taken = true;
      inside[i] = any = grew = true;
    }
  }
  return any;
}

void RangeTable::Remove(int k) {
  for (int i = k; i + 1 < count_; ++i) ranges_[i] = ranges_[i + 1];
  ranges_[count_ - 1] = PlateRange{};
  --count_;
}

void RangeTable::Reset() {
  for (int k = 0; k < count_; ++k) ranges_[k] = PlateRange{};
  count_ = 0;
  freed_too_small_ = 0;
  swept_line_ = -1;
  lost_.clear();
}

void RangeTable::Merge() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int a = 0; a + 1 < count_ && !merged; ++a) {
      for (int b = a + 1; b < count_; ++b) {
        if (!Touch(ranges_[a], ranges_[b])) continue;
        Unite(ranges_[a], ranges_[b]);
        Remove(b);
        merged = true;
        break;
      }
    }
  }
}

void RangeTable::Finish(bool with_end, int32_t line_count, int32_t last_pixel, const ScanMode& settings,
                        const ImageMaker& make_images, const PlateLoser& lose_plate) {
  int too_small = freed_too_small_;
  freed_too_small_ = 0;
  int k = 0;
  while (k < count_) {
    PlateRange r = ranges_[k];
    if (!with_end && !EndedBefore(r, line_count)) {
      ++k;
      continue;
    }
    // Rows a full table could not place belong to this plate: it is lost.
    const bool cut = TakeLostArea(&r);
    double ratio = 0;
    switch (Judge(r, last_pixel, settings, &ratio)) {
      case Verdict::kErase: break;
      case Verdict::kTooSmall: ++too_small; break;
      case Verdict::kBadRatio:
        Logf(log_, "Range with bad X/Y ratio was removed; Ratio = %5.2f, max = %5.2f\n", ratio,
             settings.max_aspect_ratio);
        break;
      case Verdict::kPastLineEnd: Logf(log_, "Range was removed: Passed end of the scan line at %d!\n", r.x_to); break;
      case Verdict::kPlate:
        if (cut) {
          lose_plate(r);
        } else {
          make_images(r, k + 1);
        }
        break;
    }
    Remove(k);
  }
  // Lost area that no range reached: a plate in it is lost whole.
  for (LostArea& a : lost_) {
    if (a.taken || (!with_end && !EndedBefore(a.box, line_count))) continue;
    bool reached = false;
    for (int j = 0; j < count_ && !reached; ++j) reached = Touch(a.box, ranges_[j]);
    if (reached) continue;
    PlateRange box = a.box;
    TakeLostArea(&box);
    double ratio = 0;
    if (Judge(box, last_pixel, settings, &ratio) == Verdict::kPlate) lose_plate(box);
  }
  if (too_small > 0) Logf(log_, "%i Ranges were removed as too small\n", too_small);
}

}  // namespace tarvel
