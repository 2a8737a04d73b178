#pragma once
#include <cstdint>

// The clock word shift register (register 130): bit 1 rising with bit 2 low
// shifts bit 0 in; bit 1 rising with bit 2 high latches the 13-bit word. The
// word is only kept: line timing does not follow it.
namespace sim {

class ClockWordRegister {
 public:
  void Write(uint8_t v) {
    if ((v & 2) && !(last_ & 2)) {
      if (v & 4) {
        word_ = shift_ & 0x1FFF;
        ++latches_;
      } else {
        shift_ = ((shift_ << 1) | (v & 1)) & 0x1FFF;
      }
    }
    last_ = v;
  }
  uint32_t Word() const { return word_; }  // last latched word
  int Latches() const { return latches_; }

 private:
  uint32_t shift_ = 0;
  uint32_t word_ = 0;
  int latches_ = 0;
  uint8_t last_ = 0;
};

}  // namespace sim
