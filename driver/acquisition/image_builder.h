#pragma once
// From a finished plate range to the plate's image and record: the runs of
// each line are read back into a line buffer, normalized, binned, mirrored,
// DeFlash-filtered, a cephalometric plate is cropped, and the measuring
// window gives maximum and average.
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/plate_processing.h"
#include "driver/acquisition/range_table.h"
#include "driver/acquisition/run_store.h"
#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"

namespace tarvel {

// Where a range stands in the acquisition (for the log).
struct RangeContext {
  int32_t line_count = 0;
  int number = 0;  // from 1
  int range_count = 0;
};

// What became of a range.
enum class BuildResult {
  kBuilt,
  kNoImage,  // the range makes no image (logged)
  kNotStored,  // its runs were not all stored and read back (StorageFault says why)
};

class ImageBuilder {
 public:
  explicit ImageBuilder(LogSink& log) : log_(log) {}

  void SetSettings(const ScanMode& settings, int32_t last_pixel);
  // Identification text of the scanner (at most 31 characters kept).
  void SetSerialNumber(const std::string& serial);
  // One factor per pixel of a line; empty or short: the neutral factor
  // (the mode's pixel scale) where missing.
  void SetNormalization(std::vector<double> factors) { norm_ = std::move(factors); }

  // Builds the image of a range and fills its record, stamped with the
  // local time `clock` gives when the record is filled.
  BuildResult Make(RunStore& runs, const PlateRange& range, const RangeContext& where,
                   const std::function<std::tm()>& clock, PlateImage* image, ImageInfo* info);

  // The build alone: read back, normalized, binned, mirrored and
  // DeFlash-filtered as the mode says; each final row goes to `meter` when
  // one is given.
  BuildResult Build(RunStore& runs, const PlateRange& range, const RangeContext& where, PlateImage* image,
                    WindowMeter* meter = nullptr);
  // Why the last build gave kNotStored.
  const std::string& StorageFault() const { return storage_fault_; }

 private:
  void LogStart(const RunStore& runs, const PlateRange& r, const RangeContext& where, int64_t full_width,
                int64_t height);
  bool Allocate(const PlateRange& r, int64_t width, int64_t height, PlateImage* image, std::vector<uint16_t>* pair,
                std::vector<uint16_t>* binned, std::vector<double>* factors);
  int FirstBlockOf(const RunStore& runs, int32_t line) const;
  // Reads the runs of one line into the line buffer; `bi` moves on past
  // them. False (StorageFault set) when a run is not in the file.
  bool ReadLine(RunStore& runs, const PlateRange& r, int32_t line, int* bi);
  void Normalize(const PlateRange& r, const std::vector<double>& factors, bool unit_factors);
  // Crop or window statistics, and the stored size in the record.
  void Finish(PlateImage& image, ImageInfo& info, const WindowMeter& meter, bool measured);

  LogSink& log_;
  ScanMode settings_;
  int32_t last_pixel_ = 0;
  char serial_[32] = {};
  std::vector<double> norm_;
  std::vector<uint16_t> line_buf_;
  std::string storage_fault_;
};

}  // namespace tarvel
