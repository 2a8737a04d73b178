#include "simulator/i2c_bus.h"

namespace sim {

void I2cBus::Attach(uint8_t address, std::shared_ptr<I2cDevice> device) {
  devices_[address & 0xFE] = std::move(device);
}

I2cDevice* I2cBus::DeviceAt(uint8_t address) const {
  auto it = devices_.find(address & 0xFE);
  return it == devices_.end() ? nullptr : it->second.get();
}

void I2cBus::SetAbsent(uint8_t address, bool absent) { absent_[address & 0xFE] = absent; }
void I2cBus::NackNext(uint8_t address, int count) { nack_next_[address & 0xFE] = count; }

uint8_t I2cBus::HostRead() const { return Sda() ? 1 : 0; }

// Both lines may change in one write; the clock is taken first, so 0x82 ->
// 0x00 is a falling clock followed by a data change while the clock is low.
void I2cBus::HostWrite(uint8_t value) {
  bool scl = (value & 0x02) != 0;
  bool sda = (value & 0x80) != 0;
  if (scl != scl_) {
    scl_ = scl;
    if (scl)
      OnClockRise();
    else
      OnClockFall();
  }
  if (sda != sda_host_) {
    bool before = Sda();
    sda_host_ = sda;
    bool after = Sda();
    if (scl_ && before && !after)
      OnStart();
    else if (scl_ && !before && after)
      OnStop();
  }
}

void I2cBus::OnStart() {
  FinishTransaction();
  phase_ = Phase::Receive;
  address_phase_ = true;
  bits_ = 0;
  shift_ = 0;
  sda_device_ = true;
}

void I2cBus::OnStop() {
  FinishTransaction();
  phase_ = Phase::Idle;
  sda_device_ = true;
}

void I2cBus::FinishTransaction() {
  if (!in_transaction_) return;
  if (current_) current_->End();
  current_ = nullptr;
  in_transaction_ = false;
}

void I2cBus::OnClockRise() {
  switch (phase_) {
    case Phase::Receive:
      shift_ = static_cast<uint8_t>((shift_ << 1) | (Sda() ? 1 : 0));
      ++bits_;
      break;
    case Phase::ReceiveAck: host_acked_ = !Sda(); break;
    default: break;
  }
}

void I2cBus::LoadNextByte() {
  shift_ = current_->Read();
  if (!log_.empty()) log_.back().read.push_back(shift_);
  bits_ = 0;
  sda_device_ = (shift_ & 0x80) != 0;
}

void I2cBus::OnClockFall() {
  switch (phase_) {
    case Phase::Receive: {
      if (bits_ < 8) break;
      uint8_t byte = shift_;
      bool ack = false;
      if (address_phase_) {
        address_phase_ = false;
        reading_ = (byte & 1) != 0;
        current_ = Address(byte);
        ack = current_ != nullptr;
        in_transaction_ = true;
      } else {
        if (!log_.empty()) log_.back().written.push_back(byte);
        ack = current_ != nullptr && current_->Write(byte);
      }
      if (ack) {
        sda_device_ = false;
        phase_ = Phase::SendAck;
      } else {
        phase_ = Phase::Ignore;
      }
      break;
    }
    case Phase::SendAck:
      sda_device_ = true;
      if (reading_) {
        phase_ = Phase::Send;
        LoadNextByte();
      } else {
        phase_ = Phase::Receive;
        bits_ = 0;
        shift_ = 0;
      }
      break;
    case Phase::Send:
      ++bits_;
      if (bits_ < 8) {
        sda_device_ = ((shift_ >> (7 - bits_)) & 1) != 0;
      } else {
        sda_device_ = true;
        phase_ = Phase::ReceiveAck;
      }
      break;
    case Phase::ReceiveAck:
      if (host_acked_) {
        phase_ = Phase::Send;
        LoadNextByte();
      } else {
        phase_ = Phase::Ignore;
      }
      break;
    default: break;
  }
}

// ---- PROM ----

Prom::Prom(size_t size, int address_bytes, std::function<bool()> writable, std::function<uint64_t()> now_ms)
    : bytes_(size, 0xFF), address_bytes_(address_bytes), writable_(std::move(writable)), now_ms_(std::move(now_ms)) {}

bool Prom::Select(bool read) {
  if (now_ms_ && now_ms_() < busy_until_) return false;
  if (!read) address_got_ = 0;
  return true;
}

bool Prom::Write(uint8_t byte) {
  if (address_got_ < address_bytes_) {
    pointer_ = address_got_ == 0 ? byte : ((pointer_ << 8) | byte);
    pointer_ %= bytes_.size();
    ++address_got_;
    return true;
  }
  pending_.emplace_back(pointer_, byte);
  pointer_ = (pointer_ + 1) % bytes_.size();
  return true;
}

uint8_t Prom::Read() {
  uint8_t b = bytes_[pointer_];
  pointer_ = (pointer_ + 1) % bytes_.size();
  return b;
}

void Prom::End() {
  if (pending_.empty()) return;
  if (!writable_ || writable_()) {
    for (auto& [at, value] : pending_) bytes_[at] = value;
    if (now_ms_) busy_until_ = now_ms_() + write_cycle_ms_;
  }
  pending_.clear();
}

// ---- DAC and ADC ----

bool DacAdc::Select(bool) {
  written_ = 0;
  return true;
}

bool DacAdc::Write(uint8_t byte) {
  if (written_ == 0) {
    control_ = byte;
    channel_ = byte & 3;
  } else {
    dac_ = byte;
    ++dac_writes_;
  }
  ++written_;
  return true;
}

uint8_t DacAdc::Read() {
  uint8_t out = last_conversion_;
  last_conversion_ = convert_(channel_);
  return out;
}

// ---- temperature sensor ----

bool TempSensor::Select(bool read) {
  if (read)
    read_index_ = 0;
  else
    written_ = 0;
  return true;
}

bool TempSensor::Write(uint8_t byte) {
  if (written_ == 0) {
    if (byte == 0x51) {
      ++conversions_;
    } else if (byte <= 3) {
      pointer_ = byte;
    } else {
      return false;
    }
  } else if (written_ == 1) {
    if (pointer_ == 1) config_ = byte;
    high_ = byte;
  } else if (written_ == 2) {
    int16_t v = static_cast<int16_t>((high_ << 8) | byte);
    if (pointer_ == 2) hyst_ = v;
    if (pointer_ == 3) limit_ = v;
  }
  ++written_;
  return true;
}

int16_t TempSensor::Value(int pointer) const {
  switch (pointer) {
    case 0: return temperature_();
    case 2: return hyst_;
    case 3: return limit_;
    default: return config_;
  }
}

uint8_t TempSensor::Read() {
  if (pointer_ == 1) return config_;
  uint16_t v = static_cast<uint16_t>(Value(pointer_));
  uint8_t b = (read_index_ % 2 == 0) ? static_cast<uint8_t>(v >> 8) : static_cast<uint8_t>(v & 0xFF);
  ++read_index_;
  return b;
}

I2cDevice* I2cBus::Address(uint8_t byte) {
  uint8_t address = byte & 0xFE;
  I2cTransaction t;
  t.address = byte;
  I2cDevice* device = DeviceAt(address);
  int& nack = nack_next_[address];
  bool ack = false;
  if (device && !absent_[address]) {
    if (nack > 0)
      --nack;
    else
      ack = device->Select((byte & 1) != 0);
  }
  t.acknowledged = ack;
  AppendBounded(log_, t, log_limit_);
  return ack ? device : nullptr;
}

I2cDevice* I2cBus::SelectForTransfer(uint8_t address, bool read) {
  FinishTransaction();
  return Address(static_cast<uint8_t>((address & 0xFE) | (read ? 1 : 0)));
}

bool I2cBus::Transfer(uint8_t address, const std::vector<uint8_t>& write, size_t read_count,
                      std::vector<uint8_t>* read) {
  if (!write.empty() || read_count == 0) {
    I2cDevice* device = SelectForTransfer(address, false);
    if (device == nullptr) return false;
    for (uint8_t byte : write) {
      log_.back().written.push_back(byte);
      if (!device->Write(byte)) {
        device->End();
        return false;
      }
    }
    device->End();
    if (read_count == 0) return true;
  }
  I2cDevice* device = SelectForTransfer(address, true);
  if (device == nullptr) return false;
  for (size_t i = 0; i < read_count; ++i) {
    uint8_t byte = device->Read();
    log_.back().read.push_back(byte);
    if (read) read->push_back(byte);
  }
  device->End();
  return true;
}

}  // namespace sim
