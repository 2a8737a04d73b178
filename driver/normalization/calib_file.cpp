#include "driver/normalization/calib_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "driver/acquisition/image_files.h"
#include "driver/normalization/normalization_file.h"
#include "driver/result_codes.h"
#include "platform/files.h"

namespace tarvel {
namespace {

constexpr int32_t kMinPitchNm = 95000;
constexpr int32_t kMaxPitchNm = 105000;
constexpr double kMinCoverage = 0.8;  // of the scan line
constexpr double kMinLengthM = 0.1;
constexpr uint16_t kMinMean = 4915;
constexpr uint16_t kMaxMean = 39322;
constexpr int kMaxSide = 65535;  // a DiskImage stores each side as u16

std::string RecordSerial(const ImageInfo& info) {
  return std::string(info.serial_number, strnlen(info.serial_number, sizeof info.serial_number));
}

// Bins counted from one end until their counts reach `share`.
template <class Step>
int BinsToShare(const std::vector<uint32_t>& histogram, uint64_t share, int first, Step step) {
  uint64_t sum = 0;
  int bins = 0;
  for (int bin = first; bin >= 0 && bin < static_cast<int>(histogram.size()); bin = step(bin)) {
    sum += histogram[static_cast<size_t>(bin)];
    ++bins;
    if (sum >= share) break;
  }
  return bins;
}

}  // namespace

MeasuredArea MeasuredAreaOf(int width, int height) { return {height / 4, height / 2, width / 20, 9 * width / 10}; }

FlatFieldMeter::FlatFieldMeter(const MeasuredArea& area)
    : area_(area), histogram_(65536, 0), sums_(static_cast<size_t>(std::max(area.columns, 0)), 0) {}

void FlatFieldMeter::AddRows(const uint16_t* rows, int count, int width) {
  uint32_t* bins = histogram_.data();
  uint32_t* sums = sums_.data();
  for (int r = 0; r < count; ++r) {
    const uint16_t* row = rows + static_cast<size_t>(r) * static_cast<size_t>(width) + area_.first_column;
    for (int c = 0; c < area_.columns; ++c) {
      const uint16_t v = row[c];
      ++bins[v];
      sums[c] += v;
    }
  }
}

FlatFieldMeasure FlatFieldMeter::Finish() const {
  FlatFieldMeasure m;
  m.column_sums.assign(sums_.begin(), sums_.end());
  for (uint64_t s : m.column_sums) m.total += s;
  m.count = uint64_t(std::max(area_.rows, 0)) * uint64_t(std::max(area_.columns, 0));
  if (m.count == 0) return m;
  m.mean = static_cast<uint16_t>(m.total / m.count);
  const uint64_t share = m.count / 10;
  m.p10 = BinsToShare(histogram_, share, 0, [](int b) { return b + 1; });
  m.p90 = 65535 - BinsToShare(histogram_, share, 65535, [](int b) { return b - 1; });
  return m;
}

FlatFieldMeasure MeasureFlatField(const uint16_t* pixels, int width, const MeasuredArea& area) {
  FlatFieldMeter meter(area);
  meter.AddRows(pixels + static_cast<size_t>(area.first_row) * static_cast<size_t>(width), area.rows, width);
  return meter.Finish();
}

std::string CalibFileName(const std::string& image_name) { return ReplaceLastThree(image_name, "kor"); }

int Make_CalibFile(const std::string& image_name, const ScannerLine& line) {
  ImageInfo info{};
  if (ReadImageInfo(image_name, &info) != 0) return kErrFailed;
  // The measurement walks the rows with the record's width: an image whose
  // sides are not its record's is not read at all.
  int width = 0, height = 0;
  if (!ReadDiskImageSides(image_name, &width, &height) || width != info.width || height != info.height)
    return kErrFailed;
  if (info.pitch_x < kMinPitchNm || info.pitch_x > kMaxPitchNm) return kErrCalibPitch;
  if (RecordSerial(info) != line.serial) return kErrSerialNumber;

  const double scan_width = line.anz_pix * line.pitch_x;
  if (kMinCoverage * scan_width > static_cast<double>(info.width) * info.pitch_x * 1e-9) return kErrCalibCoverage;
  if (static_cast<double>(info.height) * info.pitch_y * 1e-9 < kMinLengthM) return kErrCalibCoverage;

  const MeasuredArea area = MeasuredAreaOf(info.width, info.height);
  if (area.rows <= 0 || area.columns <= 0) return kErrCalibCoverage;
  // Column sums are kept per measured column, so any start position fits.
  const int64_t first_position = int64_t{info.start_position} + area.first_column;
  const int64_t last_position = first_position + area.columns - 1;
  if (info.width > kMaxSide || info.height > kMaxSide) return kErrFailed;

  // Only the measured rows are read, a chunk at a time.
  FlatFieldMeasure m;
  try {
    FlatFieldMeter meter(area);
    const int r = ReadDiskImageRows(image_name, area.first_row, area.rows,
                                    [&](const uint16_t* rows, int count) { meter.AddRows(rows, count, info.width); });
    if (r != 0) return kErrFailed;
    m = meter.Finish();
  } catch (const std::bad_alloc&) {
    return kErrNoMemoryCalib;
  }
  if (m.mean > kMaxMean) return kErrCalibTooBright;
  if (m.mean < kMinMean) return kErrCalibTooDark;
  if (m.p90 - m.p10 > m.mean / 3) return kErrCalibNotUniform;
  // A column that saw nothing would get an infinite factor.
  for (uint64_t s : m.column_sums)
    if (s == 0) return kErrCalibNotUniform;

  NormalizationFile out;
  out.serial = line.serial;
  out.scan_start = line.strt_pix;
  out.value_count = static_cast<int32_t>(scan_width / (info.pitch_x * 1e-9)) + 1;
  out.value_pitch = info.pitch_x;
  out.day = info.day;
  out.month = info.month;
  out.year = info.year;
  out.hour = info.hour;
  out.minute = info.minute;
  out.second = info.second;
  out.mean = m.mean;
  out.factors.reserve(static_cast<size_t>(out.value_count));
  const double level = static_cast<double>(m.p10) * area.rows;
  for (int64_t k = 0; k < out.value_count; ++k) {
    // Positions outside the measured ones take the nearest measured column.
    const int64_t column = std::clamp(k, first_position, last_position) - first_position;
    out.factors.push_back(level / static_cast<double>(m.column_sums[static_cast<size_t>(column)]));
  }
  if (!platform::WriteFileAtomically(CalibFileName(image_name), FormatNormalizationFile(out))) return kErrFailed;
  return kOk;
}

}  // namespace tarvel
