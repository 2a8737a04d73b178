#pragma once
#include <cstdint>

// The FPGA's register bytes as last written. The parts that answer a
// register themselves (memory, line counter, transport, ...) take their
// settings from here.
namespace sim {

class RegisterFile {
 public:
  uint8_t Byte(int reg) const { return bytes_[reg & 0xFF]; }
  void Set(int reg, uint8_t value) { bytes_[reg & 0xFF] = value; }
  // The 16-bit value of registers low and low + 1.
  uint16_t Word(int low) const { return static_cast<uint16_t>(bytes_[low] | (bytes_[low + 1] << 8)); }

 private:
  uint8_t bytes_[256] = {};
};

}  // namespace sim
