#pragma once
// What acquisition takes from the session's scan mode, and the fixed sizes
// of its tables.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/config/scan_mode.h"
#include "driver/imaging/fft_filter.h"

namespace tarvel {

constexpr int kMaxBlocks = 100000;
constexpr int kMaxRanges = 1000;
constexpr size_t kPieceBytes = 40960;
// Longest image folder: folder, separator, "KP", ten digits, ".QEW" and the
// terminating NUL fit the 256-character buffers callers pass.
constexpr size_t kMaxImageFolder = 256 - 1 - 1 - 2 - 10 - 4;

struct AcquisitionSettings {
  int anz_pix = 6319;  // pixels per line
  uint16_t threshold = 0;  // lit-sample threshold (ADC_SW)
  uint16_t adc_ovs = 12;  // samples per pixel
  int binning = 1;  // lines per image row (1 or 2)
  int sample_factor = 1;  // pixels per image column (1 or 2)
  double pitch_x = 50e-6;  // metres
  double pitch_y = 50e-6;  // metres
  uint16_t max_pix_val = 49140;
  double pix_scale = 1.0;  // the neutral normalization factor
  int64_t min_area = 0;  // smallest plate in pixel units
  double max_aspect_ratio = 3.0;
  int plate_type = kPlateIntraoral;
  bool mirror = false;
  int16_t deflash = 5000;
  int rotation = 0;  // degrees
  float scale = 1.0f;
  uint8_t mwindow_x = 80, mwindow_y = 80;  // percent
  std::array<int, 7> slot_bounds{};  // pixel index of 0, 45, ..., 270 degrees
  uint8_t mode_number = 0;
  int filter_number = 0;
  std::string filter_name;
  FilterParams filter;
  int scanner_type = 0;
};

// The settings of a session's scan mode on a scanner type.
AcquisitionSettings SettingsFromScanMode(const ScanMode& mode, int scanner_type);

// The settings as acquisition uses them: at least one pixel a line, binning
// 1 or 2, a sample factor of 2 only with binning 2.
AcquisitionSettings Normalized(AcquisitionSettings settings);

}  // namespace tarvel
