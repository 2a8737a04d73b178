#pragma once
// Filter sections of the ini file: "Filter_#<n>" with n the absolute filter
// number (a negative number in a scan mode names the same filter and asks
// for the unfiltered image too).
#include <cstdint>
#include <string>

#include "driver/config/ini_file.h"

namespace tarvel {

// The six values of a filter section, with their defaults.
struct FilterParams {
  double low_block = 0.6;  // gain at zero frequency
  double low_gain = 1.3;  // gain above the high-pass step
  double low_sigma = 0.1;  // width of the high-pass step, cycles/mm
  double high_block = 0.1;  // gain far above the low-pass step
  double high_gain = 1.0;  // gain below the low-pass step
  double high_sigma = 2.0;  // width of the low-pass step, cycles/mm
};

std::string FilterSection(int32_t filter);

// The six values of the filter's section; each missing or empty key (or a
// missing section or ini file) keeps its default.
FilterParams ReadFilterParams(const IniPath& ini, int32_t filter);

}  // namespace tarvel
