#include "driver/device/usb/usbio_records.h"

#include <algorithm>
#include <cstring>

#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {

namespace io = platform::usb;

uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

}  // namespace

bool DecodeConfigurationInfo(const uint8_t* record, uint32_t length, UsbConfigurationInfo* info) {
  std::memset(info, 0, sizeof *info);
  if (record == nullptr || length < io::kConfigurationInfoSize) return false;
  info->interface_count = std::min(Le(record, 4), kMaxInterfaces);
  info->pipe_count = std::min(Le(record + 4, 4), kMaxPipes);
  for (uint32_t i = 0; i < info->interface_count; ++i) {
    const uint8_t* e = record + 8 + 8 * i;
    info->interfaces[i] = {e[0], e[1], e[2], e[3], e[4], e[5]};
  }
  for (uint32_t i = 0; i < info->pipe_count; ++i) {
    const uint8_t* e = record + 8 + 8 * kMaxInterfaces + 16 * i;
    info->pipes[i] = {e[0], e[1], e[2], e[3], static_cast<uint16_t>(Le(e + 4, 2)), Le(e + 8, 4)};
  }
  return true;
}

bool DecodeBandwidthInfo(const uint8_t* record, uint32_t length, UsbBandwidthInfo* info) {
  *info = {};
  if (record == nullptr || length < io::kBandwidthInfoSize) return false;
  *info = {Le(record, 4), Le(record + 4, 4)};
  return true;
}

bool DecodePipeStatistics(const uint8_t* record, uint32_t length, UsbPipeStatistics* statistics) {
  *statistics = {};
  if (record == nullptr || length < io::kStatisticsSize) return false;
  *statistics = {Le(record, 4), Le(record + 4, 4), Le(record + 8, 4),
                 Le(record + 16, 4) | static_cast<uint64_t>(Le(record + 20, 4)) << 32};
  return true;
}

void EncodePipeControl(const UsbPipeControl& setup, uint8_t record[12]) {
  std::memset(record, 0, 12);
  for (int i = 0; i < 4; ++i) record[i] = static_cast<uint8_t>(setup.flags >> (8 * i));
  record[4] = setup.request_type;
  record[5] = setup.request;
  record[6] = static_cast<uint8_t>(setup.value);
  record[7] = static_cast<uint8_t>(setup.value >> 8);
  record[8] = static_cast<uint8_t>(setup.index);
  record[9] = static_cast<uint8_t>(setup.index >> 8);
}

}  // namespace tarvel::usb
