#pragma once
// Filter sections of the ini file: "Filter_#<n>" with n the absolute filter
// number (a negative number in a scan mode names the same filter and asks
// for the unfiltered image too).
#include <cstdint>
#include <string>

#include "driver/config/ini_file.h"
#include "driver/imaging/fft_filter.h"

namespace tarvel {

std::string FilterSection(int32_t filter);

// The six values of the filter's section; each missing or empty key (or a
// missing section or ini file) keeps its default.
FilterParams ReadFilterParams(const IniFile& ini, int32_t filter);

} // namespace tarvel
