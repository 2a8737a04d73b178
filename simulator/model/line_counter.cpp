#include "simulator/model/line_counter.h"

#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

void LineCounter::Reset() {
  value_ = 0;
  hold_valid_ = false;
  hold_read16_ = hold_read18_ = false;
}

uint8_t LineCounter::ReadByte(int reg) {
  if (reg == reg::kLineCounterLow || reg == reg::kLineCounterHigh) {
    bool& seen = reg == reg::kLineCounterLow ? hold_read16_ : hold_read18_;
    if (!hold_valid_ || seen) {
      hold_ = value_;
      hold_valid_ = true;
      hold_read16_ = hold_read18_ = false;
    }
    (reg == reg::kLineCounterLow ? hold_read16_ : hold_read18_) = true;
    uint8_t b = static_cast<uint8_t>(hold_ >> (reg == reg::kLineCounterLow ? 0 : 16));
    if (hold_read16_ && hold_read18_) hold_valid_ = false;  // the next 16 or 18 takes a new snapshot
    return b;
  }
  return static_cast<uint8_t>((hold_valid_ ? hold_ : value_) >> 8);
}

}  // namespace sim
