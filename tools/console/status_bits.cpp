#include "tools/console/status_bits.h"

namespace console {

std::string FormatStatusBits(uint32_t status) {
  std::string text;
  text.reserve(35);
  for (int bit = 31; bit >= 0; --bit) {
    text += (status >> bit) & 1u ? '1' : '0';
    if (bit % 8 == 0 && bit > 0) text += ' ';
  }
  return text;
}

}  // namespace console
