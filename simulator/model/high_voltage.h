#pragma once
#include <cstdint>

#include "simulator/model/register_file.h"
#include "simulator/scenario.h"

// The high-voltage supply and the converter that monitors it and the
// supplies. While 240 bit 3 is set the high voltage follows the DAC setpoint;
// otherwise it decays.
namespace sim {

class HighVoltage {
 public:
  HighVoltage(const Scenario& scenario, const RegisterFile& registers, uint64_t now_us);

  // Moves the supply on to until_us under the DAC code.
  void Update(uint64_t until_us, uint8_t dac_code);
  double Volts() const { return volts_; }
  // The gain plates and ambient light are seen with.
  double Gain() const;
  // ADC reading (8 bits): 0 high voltage, 1 +3.3 V, 2 +5 V, 3 +24 V.
  uint8_t Reading(int channel) const;

 private:
  const Scenario& scenario_;
  const RegisterFile& registers_;
  double volts_;
  uint64_t time_us_;
};

}  // namespace sim
