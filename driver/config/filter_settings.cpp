#include "driver/config/filter_settings.h"

namespace tarvel {

std::string FilterSection(int32_t filter) {
  // The magnitude as unsigned, so that INT32_MIN has one too.
  const uint32_t n = filter < 0 ? 0u - static_cast<uint32_t>(filter) : static_cast<uint32_t>(filter);
  return "Filter_#" + std::to_string(n);
}

FilterParams ReadFilterParams(const IniPath& ini, int32_t filter) {
  const std::string section = FilterSection(filter);
  FilterParams p;
  p.low_block = Ini_DoubleOr(ini, section, "LowBlock", p.low_block);
  p.low_gain = Ini_DoubleOr(ini, section, "LowGain", p.low_gain);
  p.low_sigma = Ini_DoubleOr(ini, section, "LowSigma", p.low_sigma);
  p.high_block = Ini_DoubleOr(ini, section, "HighBlock", p.high_block);
  p.high_gain = Ini_DoubleOr(ini, section, "HighGain", p.high_gain);
  p.high_sigma = Ini_DoubleOr(ini, section, "HighSigma", p.high_sigma);
  return p;
}

}  // namespace tarvel
