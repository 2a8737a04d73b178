#include "driver/device/i2c_master.h"

#include <initializer_list>

#include "driver/result_codes.h"
#include "platform/clock.h"
#include "platform/scanner_register_map.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {
constexpr int kIdPromEnableValue = 10;
// Address repetitions while a device does not acknowledge: 21 are evaluated,
// the 22nd ends the write.
constexpr int kAddressRepetitions = 22;
}  // namespace

void I2cMaster::Bus(int value) { registers_.Reg_Write8(reg::kI2cBus, value); }

void I2cMaster::Start() {
  Bus(0x82);
  Bus(0x02);
  Bus(0x00);
  Bus(0x80);
}

void I2cMaster::Stop() {
  Bus(0x00);
  Bus(0x02);
  Bus(0x82);
}

int I2cMaster::WriteByte(uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    int d = ((byte >> bit) & 1) ? 0x80 : 0x00;
    Bus(d);
    Bus(d + 2);
    Bus(d);
  }
  Bus(0x80);
  Bus(0x82);
  int ack = registers_.Reg_Read8(reg::kI2cBus);
  Bus(0x80);
  return ack;
}

uint8_t I2cMaster::ReadByte(bool ack) {
  Bus(0x80);
  uint32_t byte = 0;
  for (int i = 0; i < 8; ++i) {
    Bus(0x82);
    byte = (byte << 1) + registers_.Reg_Read8(reg::kI2cBus);
    Bus(0x80);
  }
  if (ack) {
    Bus(0x00);
    Bus(0x02);
    Bus(0x00);
  } else {
    Bus(0x82);
  }
  Bus(0x80);
  return static_cast<uint8_t>(byte);
}

int I2cMaster::Read(uint8_t* buffer, int device, int first, int last) {
  Start();
  WriteByte(static_cast<uint8_t>(device));
  WriteByte(static_cast<uint8_t>(first));
  Start();
  int ack = WriteByte(static_cast<uint8_t>(device + 1));
  if (first <= last)
    for (int i = 0; i <= last - first; ++i) buffer[i] = ReadByte(true);
  ReadByte(false);
  Stop();
  return ack != 0 ? kErrI2cNoAck : 0;
}

// One transaction per byte, polling the device's acknowledge while it is
// busy; the bus is stopped and the ID-PROM write enable cleared on every exit.
int I2cMaster::Write(const uint8_t* data, int device, int first, int last) {
  if (device == kI2cIdProm) registers_.Reg_Write8(reg::kIdPromWriteEnable, kIdPromEnableValue);
  bool missing = false;
  for (int address = first; address <= last; ++address) {
    Stop();
    Start();
    int ack = WriteByte(static_cast<uint8_t>(device));
    for (int repetition = 1; ack != 0; ++repetition) {
      platform::Sleep(1);
      Start();
      ack = WriteByte(static_cast<uint8_t>(device));
      if (repetition == kAddressRepetitions) {
        Stop();
        registers_.Reg_Write8(reg::kIdPromWriteEnable, 0);
        return kErrI2cNoAck;
      }
    }
    if (WriteByte(static_cast<uint8_t>(address)) != 0) missing = true;
    if (WriteByte(data[address - first]) != 0) missing = true;
    Stop();
    platform::Sleep(1);
  }
  registers_.Reg_Write8(reg::kIdPromWriteEnable, 0);
  return missing ? kErrI2cNoAck : 0;
}

int I2cMaster::WriteDac(int device, int value) {
  Start();
  int a = WriteByte(static_cast<uint8_t>(device));
  int b = WriteByte(0x40);
  int c = WriteByte(static_cast<uint8_t>(value));
  Stop();
  return (a | b | c) != 0 ? kErrI2cNoAck : 0;
}

uint8_t I2cMaster::ReadAdc(int device, int channel) {
  if (channel < 0 || channel > 3) return 0;
  Start();
  WriteByte(static_cast<uint8_t>(device));
  WriteByte(static_cast<uint8_t>(0x40 + channel));
  Stop();
  Start();
  WriteByte(static_cast<uint8_t>(device + 1));
  ReadByte(true);  // the previous conversion
  uint8_t value = ReadByte(false);
  Stop();
  return value;
}

void I2cMaster::InitTemp(int device, int16_t limit) {
  auto dev = static_cast<uint8_t>(device);
  auto l = static_cast<uint16_t>(limit);
  auto hysteresis = static_cast<uint16_t>(l - 0x300);
  auto low = static_cast<uint8_t>(l & 0xFF);
  auto send = [this](std::initializer_list<uint8_t> bytes) {
    Start();
    for (uint8_t b : bytes) WriteByte(b);
    Stop();
  };
  send({dev, 0x01, 0x00});  // configuration 0
  send({dev, 0x03, static_cast<uint8_t>(l >> 8), low});  // over-temperature limit
  send({dev, 0x02, static_cast<uint8_t>(hysteresis >> 8), low});  // hysteresis, 3 degrees below
  send({dev, 0x51});  // start converting
  platform::Sleep(150);
}

int16_t I2cMaster::ReadTemp(int device) {
  Start();
  int a = WriteByte(static_cast<uint8_t>(device));
  int b = WriteByte(0x00);
  Start();
  int c = WriteByte(static_cast<uint8_t>(device + 1));
  uint8_t high = ReadByte(true);
  uint8_t low = ReadByte(false);
  Stop();
  if ((a | b | c) != 0) return static_cast<int16_t>(0x8000);
  return static_cast<int16_t>((high << 8) | low);
}

}  // namespace tarvel
