#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "simulator/bounded_log.h"

// The scanner's I2C bus at register 128, driven bit by bit by the host:
// open-drain lines, devices that sample on the rising clock edge and change
// the data line on the falling one, START and STOP detected as data changes
// while the clock is high.
namespace sim {

class I2cDevice {
 public:
  virtual ~I2cDevice() = default;
  // Address phase; false = no acknowledge.
  virtual bool Select(bool read) = 0;
  // A byte written by the host; false = no acknowledge.
  virtual bool Write(uint8_t byte) = 0;
  // The next byte sent to the host.
  virtual uint8_t Read() = 0;
  // STOP, or a repeated START, ends the transaction.
  virtual void End() {}
};

// One finished transaction as the bus saw it (for tests).
struct I2cTransaction {
  uint8_t address = 0;  // 8-bit form with the read bit
  bool acknowledged = false;  // the address phase
  std::vector<uint8_t> written;  // bytes the host sent after the address
  std::vector<uint8_t> read;  // bytes the device sent
};

class I2cBus {
 public:
  // A device at an 8-bit write address (bit 0 clear).
  void Attach(uint8_t address, std::shared_ptr<I2cDevice> device);
  I2cDevice* DeviceAt(uint8_t address) const;
  // Addresses that never acknowledge, and ones whose next n selections are
  // not acknowledged.
  void SetAbsent(uint8_t address, bool absent);
  void NackNext(uint8_t address, int count);

  // The host writes register 128: bit 7 SDA, bit 1 SCL (1 releases a line).
  void HostWrite(uint8_t value);
  // The level of SDA as register 128 reads it: 0 or 1.
  uint8_t HostRead() const;

  // The scanner's own firmware as bus master (the USB front end): one
  // write transaction of `write` (skipped when empty and something is to be
  // read), then, when read_count > 0, a read transaction of that many bytes
  // (after a repeated START). False when an address or a written byte was
  // not acknowledged (nothing is read then). Logged like host transactions.
  bool Transfer(uint8_t address, const std::vector<uint8_t>& write, size_t read_count, std::vector<uint8_t>* read);

  const std::vector<I2cTransaction>& Transactions() const { return log_; }
  void ClearTransactions() { log_.clear(); }
  // The log keeps the most recent transactions: when it holds `limit`, the
  // older half is dropped.
  void SetLogLimit(size_t limit) { log_limit_ = LogLimit(limit); }
  bool Idle() const { return phase_ == Phase::Idle; }

 private:
  enum class Phase { Idle, Receive, SendAck, Send, ReceiveAck, Ignore };
  void OnClockRise();
  void OnClockFall();
  void OnStart();
  void OnStop();
  void FinishTransaction();
  void LoadNextByte();
  // The address phase: logs the transaction; the device when it acknowledged.
  I2cDevice* Address(uint8_t byte);
  I2cDevice* SelectForTransfer(uint8_t address, bool read);
  bool Sda() const { return sda_host_ && sda_device_; }

  std::map<uint8_t, std::shared_ptr<I2cDevice>> devices_;
  std::map<uint8_t, bool> absent_;
  std::map<uint8_t, int> nack_next_;
  bool scl_ = true, sda_host_ = true, sda_device_ = true;
  Phase phase_ = Phase::Idle;
  int bits_ = 0;
  uint8_t shift_ = 0;
  bool address_phase_ = false;
  bool reading_ = false;
  bool host_acked_ = false;
  I2cDevice* current_ = nullptr;
  std::vector<I2cTransaction> log_;
  size_t log_limit_ = size_t{1} << 18;
  bool in_transaction_ = false;
};

// A byte-addressed PROM or EEPROM (8- or 16-bit addressing, wrapping),
// written byte by byte; a write becomes visible at STOP. While `writable`
// answers false, writes are acknowledged and dropped. After a write the
// device is busy for `write_cycle_ms` (no acknowledge).
class Prom : public I2cDevice {
 public:
  Prom(size_t size, int address_bytes, std::function<bool()> writable = nullptr,
       std::function<uint64_t()> now_ms = nullptr);
  bool Select(bool read) override;
  bool Write(uint8_t byte) override;
  uint8_t Read() override;
  void End() override;
  std::vector<uint8_t>& Bytes() { return bytes_; }
  void SetWriteCycleMs(uint32_t ms) { write_cycle_ms_ = ms; }

 private:
  std::vector<uint8_t> bytes_;
  int address_bytes_;
  std::function<bool()> writable_;
  std::function<uint64_t()> now_ms_;
  uint32_t write_cycle_ms_ = 0;
  uint64_t busy_until_ = 0;
  uint32_t pointer_ = 0;
  int address_got_ = 0;
  std::vector<std::pair<uint32_t, uint8_t>> pending_;
};

// DAC and four-channel 8-bit ADC: control byte 0x40 + channel, then an
// optional DAC byte; every byte read returns the previous conversion and
// starts the next one.
class DacAdc : public I2cDevice {
 public:
  explicit DacAdc(std::function<uint8_t(int channel)> convert) : convert_(std::move(convert)) {}
  bool Select(bool read) override;
  bool Write(uint8_t byte) override;
  uint8_t Read() override;
  uint8_t Dac() const { return dac_; }
  int Channel() const { return channel_; }
  int DacWrites() const { return dac_writes_; }

 private:
  std::function<uint8_t(int)> convert_;
  int written_ = 0;
  int channel_ = 0;
  uint8_t control_ = 0;
  uint8_t dac_ = 0;
  uint8_t last_conversion_ = 0x80;
  int dac_writes_ = 0;
};

// Temperature sensor: pointer 0 temperature, 1 configuration (one byte),
// 2 hysteresis, 3 over-temperature limit (two bytes, high first, signed 8.8);
// the command 0x51 starts a conversion.
class TempSensor : public I2cDevice {
 public:
  explicit TempSensor(std::function<int16_t()> temperature) : temperature_(std::move(temperature)) {}
  bool Select(bool read) override;
  bool Write(uint8_t byte) override;
  uint8_t Read() override;
  uint8_t Configuration() const { return config_; }
  int16_t Hysteresis() const { return hyst_; }
  int16_t Limit() const { return limit_; }
  int Conversions() const { return conversions_; }

 private:
  int16_t Value(int pointer) const;
  std::function<int16_t()> temperature_;
  int pointer_ = 0;
  int written_ = 0;
  int read_index_ = 0;
  uint8_t high_ = 0;
  uint8_t config_ = 0;
  int16_t hyst_ = 75 * 256;
  int16_t limit_ = 80 * 256;
  int conversions_ = 0;
};

}  // namespace sim
