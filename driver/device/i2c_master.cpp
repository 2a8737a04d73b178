// The bit-banged I2C master on register 128: bit 7 the data line, bit 1 the
// clock line, 1 releases a line; reading the register samples the data line.
#include <initializer_list>

#include "driver/device/scanner_device.h"
#include "platform/clock.h"

namespace tarvel {
namespace {
constexpr int kBusRegister = 128;
constexpr int kIdPromEnable = 129;
constexpr int kIdPromEnableValue = 10;
// Address repetitions while a device does not acknowledge: 21 are evaluated,
// the 22nd ends the write.
constexpr int kAddressRepetitions = 22;
} // namespace

void ScannerRegisters::I2c_Start() {
  Reg_Write8(kBusRegister, 0x82);
  Reg_Write8(kBusRegister, 0x02);
  Reg_Write8(kBusRegister, 0x00);
  Reg_Write8(kBusRegister, 0x80);
}

void ScannerRegisters::I2c_Stop() {
  Reg_Write8(kBusRegister, 0x00);
  Reg_Write8(kBusRegister, 0x02);
  Reg_Write8(kBusRegister, 0x82);
}

int ScannerRegisters::I2c_WriteByte(uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    int d = ((byte >> bit) & 1) ? 0x80 : 0x00;
    Reg_Write8(kBusRegister, d);
    Reg_Write8(kBusRegister, d + 2);
    Reg_Write8(kBusRegister, d);
  }
  Reg_Write8(kBusRegister, 0x80);
  Reg_Write8(kBusRegister, 0x82);
  int ack = Reg_Read8(kBusRegister);
  Reg_Write8(kBusRegister, 0x80);
  return ack;
}

uint8_t ScannerRegisters::I2c_ReadByte(bool ack) {
  Reg_Write8(kBusRegister, 0x80);
  uint32_t byte = 0;
  for (int i = 0; i < 8; ++i) {
    Reg_Write8(kBusRegister, 0x82);
    byte = (byte << 1) + Reg_Read8(kBusRegister);
    Reg_Write8(kBusRegister, 0x80);
  }
  if (ack) {
    Reg_Write8(kBusRegister, 0x00);
    Reg_Write8(kBusRegister, 0x02);
    Reg_Write8(kBusRegister, 0x00);
  } else {
    Reg_Write8(kBusRegister, 0x82);
  }
  Reg_Write8(kBusRegister, 0x80);
  return static_cast<uint8_t>(byte);
}

int ScannerRegisters::I2c_Read(uint8_t* buffer, int device, int first, int last) {
  I2c_Start();
  I2c_WriteByte(static_cast<uint8_t>(device));
  I2c_WriteByte(static_cast<uint8_t>(first));
  I2c_Start();
  int ack = I2c_WriteByte(static_cast<uint8_t>(device + 1));
  if (first <= last)
    for (int i = 0; i <= last - first; ++i) buffer[i] = I2c_ReadByte(true);
  I2c_ReadByte(false);
  I2c_Stop();
  return ack != 0 ? kErrI2cNoAck : 0;
}

// One transaction per byte, polling the device's acknowledge while it is
// busy; the bus is stopped and the ID-PROM write enable cleared on every exit.
int ScannerRegisters::I2c_Write(const uint8_t* data, int device, int first, int last) {
  if (device == kI2cIdProm) Reg_Write8(kIdPromEnable, kIdPromEnableValue);
  bool missing = false;
  for (int address = first; address <= last; ++address) {
    I2c_Stop();
    I2c_Start();
    int ack = I2c_WriteByte(static_cast<uint8_t>(device));
    for (int repetition = 1; ack != 0; ++repetition) {
      platform::Sleep(1);
      I2c_Start();
      ack = I2c_WriteByte(static_cast<uint8_t>(device));
      if (repetition == kAddressRepetitions) {
        I2c_Stop();
        Reg_Write8(kIdPromEnable, 0);
        return kErrI2cNoAck;
      }
    }
    if (I2c_WriteByte(static_cast<uint8_t>(address)) != 0) missing = true;
    if (I2c_WriteByte(data[address - first]) != 0) missing = true;
    I2c_Stop();
    platform::Sleep(1);
  }
  Reg_Write8(kIdPromEnable, 0);
  return missing ? kErrI2cNoAck : 0;
}

int ScannerRegisters::I2c_WriteDac(int device, int value) {
  I2c_Start();
  int a = I2c_WriteByte(static_cast<uint8_t>(device));
  int b = I2c_WriteByte(0x40);
  int c = I2c_WriteByte(static_cast<uint8_t>(value));
  I2c_Stop();
  return (a | b | c) != 0 ? kErrI2cNoAck : 0;
}

uint8_t ScannerRegisters::I2c_ReadAdc(int device, int channel) {
  if (channel < 0 || channel > 3) return 0;
  I2c_Start();
  I2c_WriteByte(static_cast<uint8_t>(device));
  I2c_WriteByte(static_cast<uint8_t>(0x40 + channel));
  I2c_Stop();
  I2c_Start();
  I2c_WriteByte(static_cast<uint8_t>(device + 1));
  I2c_ReadByte(true);  // the previous conversion
  uint8_t value = I2c_ReadByte(false);
  I2c_Stop();
  return value;
}

void ScannerRegisters::I2c_InitTemp(int device, int16_t limit) {
  auto dev = static_cast<uint8_t>(device);
  auto l = static_cast<uint16_t>(limit);
  auto hysteresis = static_cast<uint16_t>(l - 0x300);
  auto low = static_cast<uint8_t>(l & 0xFF);
  auto send = [this](std::initializer_list<uint8_t> bytes) {
    I2c_Start();
    for (uint8_t b : bytes) I2c_WriteByte(b);
    I2c_Stop();
  };
  send({dev, 0x01, 0x00});                                           // configuration 0
  send({dev, 0x03, static_cast<uint8_t>(l >> 8), low});              // over-temperature limit
  send({dev, 0x02, static_cast<uint8_t>(hysteresis >> 8), low});     // hysteresis, 3 degrees below
  send({dev, 0x51});                                                 // start converting
  platform::Sleep(150);
}

int16_t ScannerRegisters::I2c_ReadTemp(int device) {
  I2c_Start();
  int a = I2c_WriteByte(static_cast<uint8_t>(device));
  int b = I2c_WriteByte(0x00);
  I2c_Start();
  int c = I2c_WriteByte(static_cast<uint8_t>(device + 1));
  uint8_t high = I2c_ReadByte(true);
  uint8_t low = I2c_ReadByte(false);
  I2c_Stop();
  if ((a | b | c) != 0) return static_cast<int16_t>(0x8000);
  return static_cast<int16_t>((high << 8) | low);
}

} // namespace tarvel
