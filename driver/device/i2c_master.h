#pragma once
// The bit-banged I2C master on register 128 (bit 7 the data line, bit 1 the
// clock line, 1 releases a line; reading the register samples the data
// line), over a transport's register access.
#include <cstdint>

#include "driver/device/scanner_transport.h"

namespace tarvel {

// I2C device addresses (8-bit write form).
constexpr int kI2cDacAdc = 0x90;
constexpr int kI2cTempSensor = 0x92;
constexpr int kI2cSpd = 0xA0;
constexpr int kI2cIdProm = 0xA8;

class I2cMaster {
 public:
  explicit I2cMaster(ScannerTransport& registers) : registers_(registers) {}

  int Read(uint8_t* buffer, int device, int first, int last);
  int Write(const uint8_t* data, int device, int first, int last);
  int WriteDac(int device, int value);
  uint8_t ReadAdc(int device, int channel);
  void InitTemp(int device, int16_t limit);
  int16_t ReadTemp(int device);

 private:
  void Start();
  void Stop();
  int WriteByte(uint8_t byte);  // the acknowledge value, 0 = acknowledged
  uint8_t ReadByte(bool ack);
  void Bus(int value);

  ScannerTransport& registers_;
};

}  // namespace tarvel
