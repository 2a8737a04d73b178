#include "driver/acquisition/image_builder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "driver/acquisition/image_record.h"
#include "driver/config/c_buffer.h"

namespace tarvel {

namespace {
const char kNoMemory[] = "ERROR: Can not allocate buffer memory\n";

// Final rows of the image as they come: mirrored, DeFlash-filtered and
// measured while they are still in the cache. DeFlash works column by
// column, so doing it after the mirror or before gives the same pixels;
// row k is filtered (and final) once row k + 1 is there.
class RowSink {
 public:
  RowSink(PlateImage& image, const ScanMode& s, WindowMeter* meter)
      : px_(image.pixels),
        w_(static_cast<size_t>(image.width)),
        mirror_(s.mirror),
        deflash_(s.deflash),
        meter_(meter),
        height_(image.height) {}
  void Add(const uint16_t* row) {
    if (mirror_)
      px_.insert(px_.end(), std::make_reverse_iterator(row + w_), std::make_reverse_iterator(row));
    else
      px_.insert(px_.end(), row, row + w_);
    const size_t rows = px_.size() / w_;
    if (deflash_ != 0 && rows >= 3) {
      uint16_t* done = px_.data() + (rows - 3) * w_;
      DeFlashRow(done + w_, done, done + 2 * w_, static_cast<int>(w_), deflash_);
    }
    if (meter_ && rows >= 2) meter_->AddRow(static_cast<int>(rows - 2), px_.data() + (rows - 2) * w_);
  }
  // The last row is final once all are there.
  void End() {
    if (meter_ && !px_.empty()) meter_->AddRow(height_ - 1, px_.data() + (px_.size() - w_));
  }

 private:
  std::vector<uint16_t>& px_;
  size_t w_;
  bool mirror_;
  int deflash_;
  WindowMeter* meter_;
  int height_;
};
}  // namespace

void ImageBuilder::SetSettings(const ScanMode& settings, int32_t last_pixel) {
  settings_ = settings;
  last_pixel_ = last_pixel;
  line_buf_.assign(static_cast<size_t>(last_pixel) + 256, 0);
}

void ImageBuilder::SetSerialNumber(const std::string& serial) {
  std::memset(serial_, 0, sizeof serial_);
  CopyToBuffer(serial, serial_, sizeof serial_);
}

void ImageBuilder::LogStart(const RunStore& runs, const PlateRange& r, const RangeContext& where, int64_t full_width,
                            int64_t height) {
  Logf(log_, "Creating image:\n");
  Logf(log_, "   Size: %i x %i\n", static_cast<int>(full_width), static_cast<int>(height));
  Logf(log_, "   From (%i, %i) to (%i, %i)\n", r.x_from, r.first_line, r.x_to, r.last_line);
  Logf(log_, "   Binning = %i\n", settings_.binning);
  Logf(log_, "   Akt_Y=%i, LastCollect=%i, AnzPixLine=%i\n", where.line_count, runs.LastCollect(), last_pixel_);
  Logf(log_, "   Rang=%i, AnzRanges=%i\n", where.number, where.range_count);
  log_.Flush();
}

bool ImageBuilder::Allocate(const PlateRange& r, int64_t width, int64_t height, PlateImage* image,
                            std::vector<uint16_t>* pair, std::vector<uint16_t>* binned, std::vector<double>* factors) {
  try {
    image->pixels.clear();
    image->pixels.reserve(static_cast<size_t>(width * height));
    if (settings_.binning == 2) {
      pair->assign(static_cast<size_t>(int64_t{r.x_to} - r.x_from + 1), 0);
      binned->assign(static_cast<size_t>(width), 0);
    }
    // One factor per pixel of the range: the table where it has one, else
    // the neutral factor.
    factors->assign(static_cast<size_t>(r.x_to) + 1, settings_.PixScale);
    std::copy_n(norm_.begin(), std::min(norm_.size(), factors->size()), factors->begin());
  } catch (const std::bad_alloc&) {
    std::vector<uint16_t>().swap(image->pixels);
    Logf(log_, kNoMemory);
    return false;
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  return true;
}

int ImageBuilder::FirstBlockOf(const RunStore& runs, int32_t line) const {
  // Blocks are in line order.
  const ScanBlock* first = runs.Blocks();
  const ScanBlock* last = first + runs.LastCollect();
  return static_cast<int>(
      std::lower_bound(first, last, line, [](const ScanBlock& b, int32_t l) { return b.line < l; }) - first);
}

bool ImageBuilder::ReadLine(RunStore& runs, const PlateRange& r, int32_t line, int* bi) {
  const int x0 = r.x_from, x1 = r.x_to;
  uint16_t* buf = line_buf_.data();
  std::fill(buf + x0, buf + x1 + 1, settings_.ADC_SW);
  for (; *bi < runs.LastCollect() && runs.Block(*bi).line <= line; ++*bi) {
    const ScanBlock& b = runs.Block(*bi);
    if (b.line != line || b.x_from > x1 || b.x_to < x0) continue;
    // Only the part inside the range is taken.
    int from = std::max(b.x_from, x0), to = std::min(b.x_to, x1);
    if (b.file_offset < 0) Logf(log_, "ERROR: File seek error moving to Block[%i]=%i\n", *bi, b.line);
    // A run that never reached the file is never read back as data.
    if (b.lost || b.file_offset < 0) {
      storage_fault_ = WithSystemError("temporary data file not written", runs.WriteError());
      return false;
    }
    if (!runs.ReadBack(b.file_offset + 2 * int64_t{from - b.x_from}, buf + from, static_cast<size_t>(to - from + 1))) {
      const int error = errno;
      Logf(log_, "ERROR: File read error for Block[%i]\n", *bi);
      storage_fault_ = WithSystemError("temporary data file not read back", error);
      return false;
    }
  }
  return true;
}

void ImageBuilder::Normalize(const PlateRange& r, const std::vector<double>& factors, bool unit_factors) {
  const uint16_t maxv = settings_.MaxPixVal;
  uint16_t* buf = line_buf_.data();
  // Factors of exactly 1 only clamp.
  if (unit_factors) {
    for (int x = r.x_from; x <= r.x_to; ++x) buf[x] = buf[x] < maxv ? buf[x] : maxv;
    return;
  }
  for (int x = r.x_from; x <= r.x_to; ++x) {
    const uint16_t v = buf[x];
    const double p = static_cast<double>(v) * factors[x];
    buf[x] = (v < maxv && p < maxv) ? static_cast<uint16_t>(p > 0 ? p : 0) : maxv;
  }
}

BuildResult ImageBuilder::Build(RunStore& runs, const PlateRange& r, const RangeContext& where, PlateImage* image,
                                WindowMeter* meter) {
  const int ybin = settings_.binning;
  const int xbin = settings_.sample_factor;
  const int64_t lines = int64_t{r.last_line} - r.first_line + 1;
  const int64_t full_width = int64_t{r.x_to} - r.x_from + 1;
  const int64_t height = lines / ybin;
  const int64_t width = full_width / xbin;

  LogStart(runs, r, where, full_width, height);
  runs.WritePending();
  storage_fault_.clear();
  if (width <= 0 || height <= 0) return BuildResult::kNoImage;
  // The file stores each side as u16; the range must lie on the scan line.
  if (width > 65535 || height > 65535 || r.x_from < 0 || r.x_to > last_pixel_) {
    Logf(log_, kNoMemory);
    return BuildResult::kNoImage;
  }
  std::vector<uint16_t> pair, binned;
  std::vector<double> factors;
  if (!Allocate(r, width, height, image, &pair, &binned, &factors)) return BuildResult::kNoImage;
  const bool unit_factors = std::all_of(factors.begin() + r.x_from, factors.end(), [](double f) { return f == 1.0; });

  RowSink rows(*image, settings_, meter);
  const uint16_t* buf = line_buf_.data() + r.x_from;
  int bi = FirstBlockOf(runs, r.first_line);
  for (int64_t li = 0; li < lines; ++li) {
    if (!ReadLine(runs, r, static_cast<int32_t>(r.first_line + li), &bi)) return BuildResult::kNotStored;
    Normalize(r, factors, unit_factors);
    if (ybin == 1) {
      rows.Add(buf);
    } else if (li % 2 == 0) {
      std::memcpy(pair.data(), buf, static_cast<size_t>(full_width) * 2);
    } else if (li / 2 < height) {
      // Line pairs averaged, every xbin-th pixel kept.
      for (int64_t i = 0; i < width; ++i) {
        int64_t src = i * xbin;
        binned[i] = static_cast<uint16_t>((pair[src] + buf[src]) / 2);
      }
      rows.Add(binned.data());
    }
  }
  rows.End();
  Logf(log_, "   Last block searched %i with Y=%i\n", bi,
       bi < runs.BlockCount() ? runs.Block(bi).line : runs.OpenLine());
  return BuildResult::kBuilt;
}

void ImageBuilder::Finish(PlateImage& image, ImageInfo& info, const WindowMeter& meter, bool measured) {
  if (measured) {
    meter.Fill(info);
    SetStoredSize(image.width, image.height, info);
  } else {
    CropCeph(image, info, settings_.slot_boundaries);
    WindowStats(image.width, image.height, image.pixels.data(), settings_.mwindow_x, settings_.mwindow_y, info);
  }
  if (!IsFileRotation(settings_.rotation)) {
    // Such a file is written unrotated; the record describes it as stored.
    info.width = image.width;
    info.height = image.height;
  }
}

BuildResult ImageBuilder::Make(RunStore& runs, const PlateRange& range, const RangeContext& where,
                               const std::function<std::tm()>& clock, PlateImage* image, ImageInfo* info) {
  // Mirrored, DeFlash-filtered and (unless a crop follows) measured while
  // it is built.
  const bool ceph = settings_.plate_type == kPlateCephalometric;
  WindowMeter meter(static_cast<int>((int64_t{range.x_to} - range.x_from + 1) / settings_.sample_factor),
                    static_cast<int>((int64_t{range.last_line} - range.first_line + 1) / settings_.binning),
                    settings_.mwindow_x, settings_.mwindow_y);
  if (const BuildResult built = Build(runs, range, where, image, ceph ? nullptr : &meter); built != BuildResult::kBuilt)
    return built;
  if (settings_.mirror) Logf(log_, "   Mirror mode active\n");
  if (settings_.deflash != 0) Logf(log_, "   Using DeFlash filter with DeFlash=%i\n", settings_.deflash);
  *info = FillImageInfo(range, settings_, clock(), serial_);
  Finish(*image, *info, meter, !ceph);
  Logf(log_, "   Average value=%u, Maximum=%u\n", info->average, info->maximum);
  return BuildResult::kBuilt;
}

}  // namespace tarvel
