#include "simulator/model/high_voltage.h"

#include <algorithm>
#include <cmath>

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

namespace {

constexpr double kDacVoltsPerCode = 1.0 / 0.2047921359819783;

}  // namespace

HighVoltage::HighVoltage(const Scenario& scenario, const RegisterFile& registers, uint64_t now_us)
    : scenario_(scenario), registers_(registers), volts_(scenario.hv_initial), time_us_(now_us) {}

void HighVoltage::Update(uint64_t until_us, uint8_t dac_code) {
  if (until_us <= time_us_) return;
  double dt = static_cast<double>(until_us - time_us_) / 1e6;
  time_us_ = until_us;
  if (registers_.Byte(reg::kHighVoltage) & reg::kHighVoltageOn) {
    volts_ = dac_code * kDacVoltsPerCode;
  } else if (scenario_.hv_decay_volts_per_s > 0) {
    volts_ = std::max(0.0, volts_ - scenario_.hv_decay_volts_per_s * dt);
  }
}

double HighVoltage::Gain() const {
  if (scenario_.nominal_hv > 0) return volts_ / scenario_.nominal_hv;
  return (registers_.Byte(reg::kHighVoltage) & reg::kHighVoltageOn) ? 1.0 : 0.0;
}

uint8_t HighVoltage::Reading(int channel) const {
  double v = 0;
  switch (channel) {
    case 0: v = volts_ / 4.883; break;
    case 1: v = scenario_.supply_3v3 / 0.01953; break;
    case 2: v = scenario_.supply_5v / 0.02929; break;
    default: v = scenario_.supply_24v / 0.12793; break;
  }
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace sim
