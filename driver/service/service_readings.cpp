#include "driver/service/service_readings.h"

#include "driver/device/i2c_master.h"

namespace tarvel {
namespace {

struct Channel {
  int selector;
  int channel;
  double millivolts_per_count;
};

constexpr Channel kChannels[] = {
    {kReadingHighVoltage, 0, 4883},
    {kReadingSupply5V, 2, 29.29},
    {kReadingSupply3V3, 1, 19.53},
    {kReadingSupply24V, 3, 127.93},
};

}  // namespace

int Service_Reading(ScannerRegisters& device, int selector, int32_t* value) {
  if (selector == kReadingLaserTemperature) {
    *value = device.Scan_ReadLaserTemp();
    return 0;
  }
  for (const Channel& c : kChannels) {
    if (c.selector != selector) continue;
    *value = static_cast<int32_t>(device.Transport().I2c_ReadAdc(kI2cDacAdc, c.channel) * c.millivolts_per_count);
    return 0;
  }
  return kErrOutOfRange;
}

}  // namespace tarvel
