// From a finished plate range to image files: read the runs back from the
// temporary file, normalize, bin, post-process, write the pair(s), number.
#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <new>

#include "driver/acquisition/acquisition.h"
#include "driver/config/session_log.h"
#include "platform/clock.h"
#include "platform/ui.h"

namespace tarvel {

namespace {
// Truncated towards zero, saturated at the ends of int32; NaN gives 0.
int32_t SaturatedInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
int32_t NanoMetres(double metres) { return SaturatedInt32(metres * 1e9 + 0.5); }
} // namespace

bool Acquisition::BuildImage(const PlateRange& r, int range_number, PlateImage* image,
                             WindowMeter* meter) {
  const int ybin = settings_.binning;
  const int xbin = settings_.sample_factor;
  const int64_t lines = int64_t{r.last_line} - r.first_line + 1;
  const int64_t full_width = int64_t{r.x_to} - r.x_from + 1;
  const int64_t height = lines / ybin;
  const int64_t width = full_width / xbin;

  LogPrintf("Creating image:\n");
  LogPrintf("   Size: %i x %i\n", static_cast<int>(full_width), static_cast<int>(height));
  LogPrintf("   From (%i, %i) to (%i, %i)\n", r.x_from, r.first_line, r.x_to, r.last_line);
  LogPrintf("   Binning = %i\n", ybin);
  LogPrintf("   Akt_Y=%i, LastCollect=%i, AnzPixLine=%i\n", akt_y_, last_collect_, anz_pix_line_);
  LogPrintf("   Rang=%i, AnzRanges=%i\n", range_number, range_count_);
  FlushSessionLog();
  WritePending();

  if (width <= 0 || height <= 0) return false;
  // The file stores each side as u16; the range must lie on the scan line.
  if (width > 65535 || height > 65535 || r.x_from < 0 || r.x_to > anz_pix_line_) {
    LogPrintf("ERROR: Can not allocate buffer memory\n");
    return false;
  }
  std::vector<uint16_t> pair, binned;
  try {
    image->pixels.clear();
    image->pixels.reserve(static_cast<size_t>(width * height));
    if (ybin == 2) {
      pair.assign(static_cast<size_t>(full_width), 0);
      binned.assign(static_cast<size_t>(width), 0);
    }
  } catch (const std::bad_alloc&) {
    image->pixels.clear();
    LogPrintf("ERROR: Can not allocate buffer memory\n");
    return false;
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);

  const uint16_t maxv = settings_.max_pix_val;
  // One factor per pixel of the range: the table where it has one, else the
  // neutral factor.
  std::vector<double> factors(static_cast<size_t>(r.x_to) + 1, settings_.pix_scale);
  std::copy_n(norm_.begin(), std::min(norm_.size(), factors.size()), factors.begin());
  const bool unit_factors =
      std::all_of(factors.begin() + r.x_from, factors.end(), [](double f) { return f == 1.0; });
  const int x0 = r.x_from, x1 = r.x_to;
  uint16_t* buf = line_buf_.data();

  // Rows are mirrored, DeFlash-filtered and measured as they come, while
  // they are still in the cache. DeFlash works column by column, so doing it
  // after the mirror or before gives the same pixels; row k is filtered (and
  // final) once row k + 1 is there.
  std::vector<uint16_t>& px = image->pixels;
  const size_t w = static_cast<size_t>(width);
  auto emit = [&](const uint16_t* row) {
    if (settings_.mirror)
      px.insert(px.end(), std::make_reverse_iterator(row + w), std::make_reverse_iterator(row));
    else
      px.insert(px.end(), row, row + w);
    const size_t rows = px.size() / w;
    if (settings_.deflash != 0 && rows >= 3) {
      uint16_t* done = px.data() + (rows - 3) * w;
      DeFlashRow(done + w, done, done + 2 * w, static_cast<int>(w), settings_.deflash);
    }
    if (meter && rows >= 2) meter->AddRow(static_cast<int>(rows - 2), px.data() + (rows - 2) * w);
  };

  // Blocks are in line order: start at the first block of the range's lines.
  int bi = static_cast<int>(
      std::lower_bound(blocks_.begin(), blocks_.begin() + last_collect_, r.first_line,
                       [](const ScanBlock& b, int32_t line) { return b.line < line; }) -
      blocks_.begin());

  for (int64_t li = 0; li < lines; ++li) {
    const int32_t line = static_cast<int32_t>(r.first_line + li);
    std::fill(buf + x0, buf + x1 + 1, settings_.threshold);
    for (; bi < last_collect_ && blocks_[bi].line <= line; ++bi) {
      const ScanBlock& b = blocks_[bi];
      if (b.line != line || b.x_from > x1 || b.x_to < x0) continue;
      // Only the part inside the range is taken.
      int from = std::max(b.x_from, x0), to = std::min(b.x_to, x1);
      if (b.file_offset < 0) {
        LogPrintf("ERROR: File seek error moving to Block[%i]=%i\n", bi, b.line);
        continue;
      }
      if (!ReadBack(b.file_offset + 2 * int64_t{from - b.x_from}, buf + from,
                    static_cast<size_t>(to - from + 1)))
        LogPrintf("ERROR: File read error for Block[%i]\n", bi);
    }
    // Normalize in place; factors of exactly 1 only clamp.
    if (unit_factors) {
      for (int x = x0; x <= x1; ++x) buf[x] = buf[x] < maxv ? buf[x] : maxv;
    } else {
      for (int x = x0; x <= x1; ++x) {
        const uint16_t v = buf[x];
        const double p = static_cast<double>(v) * factors[x];
        buf[x] = (v < maxv && p < maxv) ? static_cast<uint16_t>(p > 0 ? p : 0) : maxv;
      }
    }
    if (ybin == 1) {
      emit(buf + x0);
    } else if (li % 2 == 0) {
      std::memcpy(pair.data(), buf + x0, static_cast<size_t>(full_width) * 2);
    } else if (li / 2 < height) {
      for (int64_t i = 0; i < width; ++i) {
        int64_t src = i * xbin;
        binned[i] = static_cast<uint16_t>((pair[src] + buf[x0 + src]) / 2);
      }
      emit(binned.data());
    }
  }
  if (meter && !px.empty()) meter->AddRow(image->height - 1, px.data() + (px.size() - w));
  LogPrintf("   Last block searched %i with Y=%i\n", bi, bi < block_count_ ? blocks_[bi].line : run_line_);
  return true;
}

void Acquisition::MakeImages(const PlateRange& range, int range_number) {
  PlateImage image;
  // The pixel memory of the previous plate is used again: no fresh pages
  // to fault in for every plate.
  image.pixels.swap(spare_pixels_);
  struct KeepMemory {
    std::vector<uint16_t>& spare;
    PlateImage& image;
    ~KeepMemory() { spare.swap(image.pixels); }
  } keep{spare_pixels_, image};
  // Mirrored, DeFlash-filtered and (unless a crop follows) measured while
  // it is built.
  const bool ceph = settings_.plate_type == kPlateCephalometric;
  WindowMeter meter(static_cast<int>((int64_t{range.x_to} - range.x_from + 1) / settings_.sample_factor),
                    static_cast<int>((int64_t{range.last_line} - range.first_line + 1) / settings_.binning),
                    settings_.mwindow_x, settings_.mwindow_y);
  if (!BuildImage(range, range_number, &image, ceph ? nullptr : &meter)) return;
  if (settings_.mirror) LogPrintf("   Mirror mode active\n");
  if (settings_.deflash != 0) LogPrintf("   Using DeFlash filter with DeFlash=%i\n", settings_.deflash);

  ImageInfo info{};
  info.size = sizeof(ImageInfo);
  info.pitch_x = NanoMetres(settings_.pitch_x);
  info.pitch_y = NanoMetres(settings_.pitch_y);
  info.bits_per_pixel = 16;
  info.start_position = range.x_from;
  info.slot_bits = SlotBits(settings_.slot_bounds, range.x_from, range.x_to);
  const std::tm tm = platform::LocalTime(platform::WallTime());
  info.year = static_cast<uint16_t>(tm.tm_year + 1900);
  info.month = static_cast<uint8_t>(tm.tm_mon + 1);
  info.day = static_cast<uint8_t>(tm.tm_mday);
  info.hour = static_cast<uint8_t>(tm.tm_hour);
  info.minute = static_cast<uint8_t>(tm.tm_min);
  info.second = static_cast<uint8_t>(tm.tm_sec);
  std::memcpy(info.serial_number, serial_, sizeof info.serial_number);
  info.serial_number[31] = 0;
  info.rotation = RotationByte(settings_.rotation);
  info.scaled_pitch =
      SaturatedInt32((static_cast<double>(info.pitch_x) + info.pitch_y) * settings_.scale * 0.5);
  info.scale = settings_.scale;
  info.scan_mode = settings_.mode_number;
  info.possible_maximum = settings_.max_pix_val;
  // A block that is not there is not announced.
  info.extra_length = (extra_bytes_ && extra_length_ > 0) ? extra_length_ : 0;

  if (ceph) {
    CropCeph(image, info, settings_.slot_bounds);
    WindowStats(image.width, image.height, image.pixels.data(), settings_.mwindow_x,
                settings_.mwindow_y, info);
  } else {
    meter.Fill(info);
    SetStoredSize(image.width, image.height, info);
  }
  if (!IsFileRotation(settings_.rotation)) {
    // Such a file is written unrotated; the record describes it as stored.
    info.width = image.width;
    info.height = image.height;
  }
  LogPrintf("   Average value=%u, Maximum=%u\n", info.average, info.maximum);

  if (settings_.scanner_type == 5 || settings_.scanner_type == 14) {
    double wmm = image.width * static_cast<double>(info.pitch_x) * 1e-6;
    double hmm = image.height * static_cast<double>(info.pitch_y) * 1e-6;
    if (wmm * 1e6 > 9.5e7 || hmm * 1e6 > 9.5e7) {
      const char sentence[] = "An image could not be created.";
      platform::MessageBox(
          "The Vornix intraoral scanners read plates of at most 95 by 95 mm.\n"
          "An image could not be created.",
          "Error - Plate too large", platform::kMbOk | platform::kMbIconError | platform::kMbTaskModal);
      LogPrintf("ERROR : The plate is too large (%g by %g mm). The Vornix intraoral scanners read "
           "plates of at most 95 by 95 mm. %s\n",
           wmm, hmm, sentence);
      return;
    }
  }
  WritePair(image, info);
}

void Acquisition::WritePair(const PlateImage& image, const ImageInfo& info) {
  auto write_one = [&](const uint16_t* pixels) {
    if (written_ >= INT_MAX) {
      LogPrintf("ERROR: No available names for image files\n");
      return;
    }
    ++written_;
    std::string name = FileName(written_);
    switch (WriteDiskImage(name, image.width, image.height, pixels, settings_.rotation)) {
      case WriteResult::kOk: LogPrintf("File created: %s\n", name.c_str()); break;
      case WriteResult::kCannotCreate: LogPrintf("ERROR: Cannot create image file %s\n", name.c_str()); break;
      case WriteResult::kWriteFailed: LogPrintf("ERROR: Cannot write image file %s\n", name.c_str()); break;
    }
    std::string info_name = InfoFileName(name);
    switch (WriteInfoFile(info_name, info, extra_bytes_, info.extra_length)) {
      case WriteResult::kOk: break;
      case WriteResult::kCannotCreate:
        LogPrintf("ERROR: Cannot create information file %s\n", info_name.c_str());
        break;
      case WriteResult::kWriteFailed:
        LogPrintf("ERROR: Cannot write information file %s\n", info_name.c_str());
        break;
    }
  };
  const int filter = settings_.filter_number;
  if (filter <= 0 || !filter_enabled_) write_one(image.pixels.data());
  if (filter != 0 && filter_enabled_) {
    std::vector<uint16_t> filtered = image.pixels;
    if (FilterImageFFT(image.width, image.height, filtered.data(), filtered.data(), info.pitch_x,
                       info.pitch_y, settings_.filter))
      LogPrintf("    Applied image filter: %s\n", settings_.filter_name.c_str());
    else
      LogPrintf("ERROR: Filter %d (%s) failed\n", filter, settings_.filter_name.c_str());
    write_one(filtered.data());
  }
}

// ---- Numbers and names ----

std::string Acquisition::FileName(int number) const {
  char tail[32];
  std::snprintf(tail, sizeof tail, "KP%06i.QEW", number);
  return WithSeparator(folder_) + tail;
}

int Acquisition::LastNumber() {
  written_ = handed_out_ = HighestImageNumber(folder_);
  return written_;
}

int Acquisition::NextName(char* buffer) {
  int pending = written_ - handed_out_;
  if (pending <= 0) {
    if (buffer) buffer[0] = 0;
    return pending;
  }
  ++handed_out_;
  std::string name = FileName(handed_out_);
  if (buffer) {
    size_t n = std::min<size_t>(name.size(), 255);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
  }
  return pending;
}

} // namespace tarvel
