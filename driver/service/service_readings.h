#pragma once
// The scanner's service readings: converter channels in millivolts and the
// laser temperature in tenths of a degree.
#include <cstdint>

#include "driver/device/scanner_registers.h"

namespace tarvel {

// Reading selectors.
enum ServiceReading : int {
  kReadingHighVoltage = 0,  // PMT high voltage, mV (converter channel 0)
  kReadingSupply5V = 1,  // mV (channel 2)
  kReadingSupply3V3 = 2,  // mV (channel 1)
  kReadingSupply24V = 3,  // mV (channel 3)
  kReadingLaserTemperature = 16,  // tenths of a degree Celsius
};

// 0 with *value, or -102 for a selector not listed (nothing read).
int Service_Reading(ScannerRegisters& device, int selector, int32_t* value);

}  // namespace tarvel
