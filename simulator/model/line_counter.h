#pragma once
#include <cstdint>

// The line counter (24 bits, wrapping) with the snapshot that keeps its
// multi-byte reads (registers 16, 17, 18) whole.
namespace sim {

class LineCounter {
 public:
  void Count() { value_ = (value_ + 1) & 0xFFFFFF; }
  void Reset();
  uint32_t Value() const { return value_; }
  // A read of register 16, 17 or 18.
  uint8_t ReadByte(int reg);

 private:
  uint32_t value_ = 0;
  uint32_t hold_ = 0;
  bool hold_valid_ = false;
  bool hold_read16_ = false, hold_read18_ = false;
};

}  // namespace sim
