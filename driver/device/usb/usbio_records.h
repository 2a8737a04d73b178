#pragma once
#include <cstdint>

#include "platform/usb_driver.h"

// The USB kernel driver's records of its query requests, decoded: the
// configuration info, the bandwidth info and the pipe statistics, and the
// setup of a control transfer on a bound pipe.
namespace tarvel::usb {

// Recipients of the standard requests (platform/usb_driver.h).
using platform::usb::kToDevice;
using platform::usb::kToEndpoint;
using platform::usb::kToInterface;
using platform::usb::kToOther;

constexpr uint32_t kDeviceDescriptorSize = 18;

constexpr uint32_t kMaxInterfaces = platform::usb::kMaxInterfaceEntries;
constexpr uint32_t kMaxPipes = platform::usb::kMaxPipeEntries;

struct UsbInterfaceInfo {
  uint8_t number;
  uint8_t alternate;
  uint8_t interface_class;
  uint8_t subclass;
  uint8_t protocol;
  uint8_t endpoints;
};

struct UsbPipeInfo {
  uint8_t endpoint;
  uint8_t interface;
  uint8_t type;  // 0 control, 1 isochronous, 2 bulk, 3 interrupt
  uint8_t interval;
  uint16_t max_packet;
  uint32_t max_transfer;
};

struct UsbConfigurationInfo {
  uint32_t interface_count;  // at most kMaxInterfaces
  uint32_t pipe_count;  // at most kMaxPipes
  UsbInterfaceInfo interfaces[kMaxInterfaces];
  UsbPipeInfo pipes[kMaxPipes];
};

struct UsbBandwidthInfo {
  uint32_t total_bits;  // per 1-ms frame
  uint32_t used_bits;
};

struct UsbPipeStatistics {
  uint32_t average_rate;  // bytes per second, 0 while averaging is off
  uint32_t succeeded;
  uint32_t failed;
  uint64_t bytes;
};

struct UsbPipeControl {
  uint32_t flags;  // bit 16: a short transfer is no error
  uint8_t request_type;
  uint8_t request;
  uint16_t value;
  uint16_t index;
};

// Decoders of the driver's replies: false when the record is shorter than
// its size. Counts beyond the record's entries are cut to them.
bool DecodeConfigurationInfo(const uint8_t* record, uint32_t length, UsbConfigurationInfo* info);
bool DecodeBandwidthInfo(const uint8_t* record, uint32_t length, UsbBandwidthInfo* info);
bool DecodePipeStatistics(const uint8_t* record, uint32_t length, UsbPipeStatistics* statistics);
// The 12-byte input record of a pipe control transfer.
void EncodePipeControl(const UsbPipeControl& setup, uint8_t record[12]);

}  // namespace tarvel::usb
