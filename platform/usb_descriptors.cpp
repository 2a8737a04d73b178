#include "platform/usb_descriptors.h"

#include "platform/little_endian.h"
#include "platform/usb_driver.h"

namespace platform::usb {
bool ValidConfigDescriptor(const uint8_t* d, uint32_t length) {
  return d != nullptr && length >= 9 && d[0] >= 9 && d[1] == kDescriptorConfiguration && LoadLe(d + 2, 2) == length;
}

void DescribeConfiguration(const uint8_t* d, uint32_t length, uint32_t max_transfer, uint8_t* out) {
  uint32_t interfaces = 0, pipes = 0;
  bool in_selected = false;
  uint8_t interface_number = 0;
  for (uint32_t at = 0; at + 2 <= length;) {
    uint32_t size = d[at];
    if (size < 2 || at + size > length) break;
    const uint8_t* x = d + at;
    if (x[1] == kDescriptorInterface && size >= 9) {
      in_selected = x[3] == 0;
      interface_number = x[2];
      if (in_selected && interfaces < kMaxInterfaceEntries) {
        uint8_t* e = out + 8 + 8 * interfaces++;
        e[0] = x[2];
        e[1] = x[3];
        e[2] = x[5];
        e[3] = x[6];
        e[4] = x[7];
        e[5] = x[4];
      }
    } else if (x[1] == kDescriptorEndpoint && size >= 7 && in_selected && pipes < kMaxPipeEntries) {
      uint8_t* e = out + 8 + 8 * kMaxInterfaceEntries + 16 * pipes++;
      e[0] = x[2];
      e[1] = interface_number;
      e[2] = x[3] & 3;
      e[3] = x[6];
      e[4] = x[4];
      e[5] = x[5];
      StoreLe(e + 8, max_transfer, 4);
    }
    at += size;
  }
  StoreLe(out, interfaces, 4);
  StoreLe(out + 4, pipes, 4);
}

}  // namespace platform::usb
