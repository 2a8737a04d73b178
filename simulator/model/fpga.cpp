#include "simulator/model/fpga.h"

#include <cstring>

namespace sim {

bool IsAcceptableDesign(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 16 || std::memcmp(bytes, "VXFPGA01", 8) != 0) return false;
  uint32_t length = 0, sum = 0;
  std::memcpy(&length, bytes + 8, 4);
  std::memcpy(&sum, bytes + 12, 4);
  if (length > size - 16) return false;
  uint32_t actual = 0;
  for (size_t i = 0; i < length; ++i) actual += bytes[16 + i];
  if (actual != sum) return false;
  for (size_t i = 16 + length; i < size; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

uint32_t Fpga::Status() const { return (configured_ || faults_.fpga_status_stuck) ? kFpgaConfiguredBit : 0; }

uint32_t Fpga::BeginConfiguration() {
  if (faults_.fpga_status_stuck) return kFpgaConfiguredBit;
  configured_ = false;
  return 0;
}

uint32_t Fpga::Download(const uint8_t* bytes, size_t size) {
  ++downloads_;
  if (!faults_.fpga_reject && IsAcceptableDesign(bytes, size)) configured_ = true;
  return configured_ ? kFpgaConfiguredBit : 0;
}

}  // namespace sim
