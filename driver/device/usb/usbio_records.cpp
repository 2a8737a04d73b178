#include "driver/device/usb/usbio_records.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {

namespace io = platform::usb;

}  // namespace

bool DecodeConfigurationInfo(const uint8_t* record, uint32_t length, UsbConfigurationInfo* info) {
  std::memset(info, 0, sizeof *info);
  if (record == nullptr || length < io::kConfigurationInfoSize) return false;
  info->interface_count = std::min(platform::LoadLe(record, 4), kMaxInterfaces);
  info->pipe_count = std::min(platform::LoadLe(record + 4, 4), kMaxPipes);
  for (uint32_t i = 0; i < info->interface_count; ++i) {
    const uint8_t* e = record + 8 + 8 * i;
    info->interfaces[i] = {e[0], e[1], e[2], e[3], e[4], e[5]};
  }
  for (uint32_t i = 0; i < info->pipe_count; ++i) {
    const uint8_t* e = record + 8 + 8 * kMaxInterfaces + 16 * i;
    info->pipes[i] = {
        e[0], e[1], e[2], e[3], static_cast<uint16_t>(platform::LoadLe(e + 4, 2)), platform::LoadLe(e + 8, 4)};
  }
  return true;
}

bool DecodeBandwidthInfo(const uint8_t* record, uint32_t length, UsbBandwidthInfo* info) {
  *info = {};
  if (record == nullptr || length < io::kBandwidthInfoSize) return false;
  *info = {platform::LoadLe(record, 4), platform::LoadLe(record + 4, 4)};
  return true;
}

bool DecodePipeStatistics(const uint8_t* record, uint32_t length, UsbPipeStatistics* statistics) {
  *statistics = {};
  if (record == nullptr || length < io::kStatisticsSize) return false;
  *statistics = {platform::LoadLe(record, 4), platform::LoadLe(record + 4, 4), platform::LoadLe(record + 8, 4),
                 platform::LoadLe(record + 16, 4) | static_cast<uint64_t>(platform::LoadLe(record + 20, 4)) << 32};
  return true;
}

void EncodePipeControl(const UsbPipeControl& setup, uint8_t record[12]) {
  std::memset(record, 0, 12);
  platform::StoreLe(record, setup.flags, 4);
  record[4] = setup.request_type;
  record[5] = setup.request;
  platform::StoreLe(record + 6, setup.value, 2);
  platform::StoreLe(record + 8, setup.index, 2);
}

}  // namespace tarvel::usb
