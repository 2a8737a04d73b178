#include "simulator/model/i2c_devices.h"

#include <algorithm>
#include <cmath>

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

I2cDevices::I2cDevices(const Scenario& scenario, const RegisterFile& registers, std::function<uint64_t()> now_ms,
                       std::function<uint8_t(int channel)> convert) {
  const MemoryModule& m = scenario.memory;
  std::vector<uint8_t> spd(256, 0);
  if (m.spd) {
    std::copy_n(m.spd->begin(), std::min<size_t>(256, m.spd->size()), spd.begin());
  } else {
    spd[0] = 128;
    spd[1] = 8;
    spd[2] = m.type;
    spd[3] = m.rows;
    spd[4] = m.columns;
    spd[5] = m.module_banks;
    spd[6] = m.width;
    spd[17] = m.device_banks;
  }
  spd_ = std::make_shared<Prom>(
      256, 1, [] { return false; }, now_ms);
  spd_->Bytes() = spd;

  id_prom_ = std::make_shared<Prom>(
      256, 1, [this, &registers] { return registers.Byte(reg::kIdPromWriteEnable) == 10 || firmware_writing_; },
      now_ms);
  std::vector<uint8_t>& id = id_prom_->Bytes();
  if (scenario.id_prom) {
    std::fill(id.begin(), id.end(), 0xFF);
    std::copy_n(scenario.id_prom->begin(), std::min<size_t>(256, scenario.id_prom->size()), id.begin());
  } else {
    std::fill(id.begin(), id.begin() + 31, 0);
    std::copy_n(scenario.serial.begin(), std::min<size_t>(30, scenario.serial.size()), id.begin());
    id[31] = scenario.data_prom_type;
    for (auto& [mode, volts] : scenario.pmt_words) {
      size_t at = static_cast<size_t>((4 * (mode + 50)) & 0xFF);
      id[at] = static_cast<uint8_t>(volts & 0xFF);
      id[(at + 1) & 0xFF] = static_cast<uint8_t>(volts >> 8);
    }
  }
  for (uint8_t address : {uint8_t{0xA2}, uint8_t{0xA4}, uint8_t{0xAA}}) {
    auto prom = std::make_shared<Prom>(65536, 2, nullptr, now_ms);
    auto it = scenario.data_proms.find(address);
    if (it != scenario.data_proms.end())
      std::copy_n(it->second.begin(), std::min<size_t>(65536, it->second.size()), prom->Bytes().begin());
    data_proms_[address] = prom;
    bus_.Attach(address, prom);
  }
  dac_adc_ = std::make_shared<DacAdc>(std::move(convert));
  temp_ = std::make_shared<TempSensor>(
      [&scenario] { return static_cast<int16_t>(std::lround(std::clamp(scenario.laser_temp, -127.0, 127.0) * 256)); });
  bus_.Attach(0x90, dac_adc_);
  bus_.Attach(0x92, temp_);
  bus_.Attach(0xA0, spd_);
  bus_.Attach(0xA8, id_prom_);
  for (uint8_t address : scenario.faults.i2c_absent) bus_.SetAbsent(address, true);
  for (auto& [address, count] : scenario.faults.i2c_nack_first) bus_.NackNext(address, count);
  id_prom_->SetWriteCycleMs(scenario.faults.idprom_write_cycle_ms);
}

bool I2cDevices::FirmwareTransfer(uint8_t address, const std::vector<uint8_t>& write, size_t read_count,
                                  std::vector<uint8_t>* read) {
  firmware_writing_ = true;
  bool ok = bus_.Transfer(address, write, read_count, read);
  firmware_writing_ = false;
  return ok;
}

std::vector<uint8_t> I2cDevices::PromBytes(uint8_t address) const {
  if (address == 0xA8) return id_prom_->Bytes();
  if (address == 0xA0) return spd_->Bytes();
  auto it = data_proms_.find(address);
  return it == data_proms_.end() ? std::vector<uint8_t>{} : it->second->Bytes();
}

}  // namespace sim
