#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "simulator/i2c_bus.h"
#include "simulator/model/register_file.h"
#include "simulator/scenario.h"

// The devices on the scanner's I2C bus with their contents from the scenario:
// DAC and converter (0x90), temperature sensor (0x92), SPD EEPROM (0xA0),
// data PROMs (0xA2, 0xA4, 0xAA) and the ID PROM (0xA8), which takes writes
// while register 129 is 10 or the firmware writes it.
namespace sim {

class I2cDevices {
 public:
  // now_ms: the model's time; convert: the converter's reading of a channel.
  I2cDevices(const Scenario& scenario, const RegisterFile& registers, std::function<uint64_t()> now_ms,
             std::function<uint8_t(int channel)> convert);

  I2cBus& Bus() { return bus_; }
  const I2cBus& Bus() const { return bus_; }
  // A transaction of the scanner's firmware as bus master (ID-PROM writes
  // need no enable).
  bool FirmwareTransfer(uint8_t address, const std::vector<uint8_t>& write, size_t read_count,
                        std::vector<uint8_t>* read);

  const std::vector<uint8_t>& Spd() const { return spd_->Bytes(); }
  const std::vector<uint8_t>& IdProm() const { return id_prom_->Bytes(); }
  // A PROM's bytes (ID PROM, SPD or a data PROM); empty for another address.
  std::vector<uint8_t> PromBytes(uint8_t address) const;
  uint8_t DacCode() const { return dac_adc_->Dac(); }
  const TempSensor& Temperature() const { return *temp_; }
  void SetIdPromWriteCycleMs(uint32_t ms) { id_prom_->SetWriteCycleMs(ms); }

 private:
  I2cBus bus_;
  bool firmware_writing_ = false;
  std::shared_ptr<Prom> id_prom_, spd_;
  std::map<uint8_t, std::shared_ptr<Prom>> data_proms_;
  std::shared_ptr<DacAdc> dac_adc_;
  std::shared_ptr<TempSensor> temp_;
};

}  // namespace sim
