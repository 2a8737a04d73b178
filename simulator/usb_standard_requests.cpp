// The standard requests of endpoint 0: the descriptors of one configuration
// with interface 0 and the bulk IN endpoint 0x82, the status and feature
// bits of the device and of that endpoint, and the configuration and
// interface selection.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/usb_port.h"

namespace sim {
namespace {

namespace pu = platform::usb;

enum : uint32_t { kToDevice = 0, kToInterface = 1, kToEndpoint = 2 };
constexpr uint16_t kFeatureHalt = 0;
constexpr uint16_t kFeatureRemoteWakeup = 1;
constexpr uint8_t kConfigurationValue = 1;

const char* const kManufacturer = "Vornix";
const char* const kProduct = "Vornix Scanner";

std::vector<uint8_t> DeviceDescriptor() {
  return {18,
          1,
          0x00,
          0x02,
          0xFF,
          0,
          0,
          64,
          kUsbVendorId & 0xFF,
          kUsbVendorId >> 8,
          kUsbProductId & 0xFF,
          kUsbProductId >> 8,
          0x00,
          0x01,
          1,
          2,
          3,
          1};
}

std::vector<uint8_t> ConfigurationDescriptor() {
  return {9, 2,    25,
          0, 1,    kConfigurationValue,
          0, 0x80, 250,  // bus powered, 500 mA
          9, 4,    0,
          0, 1,    0xFF,
          0, 0,    0,  // interface 0, one endpoint, vendor class
          7, 5,    kScanDataEndpoint,
          2, 64,   0,
          0};  // bulk IN, 64-byte packets
}

std::vector<uint8_t> StringDescriptor(const std::string& text) {
  std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), 3};
  for (char c : text) {
    d.push_back(static_cast<uint8_t>(c));
    d.push_back(0);
  }
  return d;
}

}  // namespace

uint32_t UsbScannerBackend::StandardIn(const pu::ControlSetup& s, uint8_t* out, uint32_t length, uint32_t* moved) {
  std::vector<uint8_t> reply;
  switch (s.request) {
    case pu::kStdGetDescriptor: {
      uint8_t type = static_cast<uint8_t>(s.value >> 8), index = static_cast<uint8_t>(s.value);
      if (type == 1 && index == 0) {
        reply = DeviceDescriptor();
      } else if (type == 2 && index == 0) {
        reply = ConfigurationDescriptor();
      } else if (type == 3 && index == 0) {
        reply = {4, 3, 0x09, 0x04};  // English (United States) only
      } else if (type == 3 && index <= 3) {
        const std::string serial = scanner_->scenario().serial;
        reply = StringDescriptor(index == 1 ? kManufacturer : index == 2 ? kProduct : serial.c_str());
      } else {
        return pu::kStatusStall;
      }
      break;
    }
    case pu::kStdGetStatus: {
      uint16_t bits = 0;
      if (s.recipient == kToDevice && s.index == 0)
        bits = remote_wakeup_ ? 2 : 0;
      else if (s.recipient == kToInterface && s.index == 0 && configured_)
        bits = 0;
      else if (s.recipient == kToEndpoint && (s.index == 0 || s.index == kScanDataEndpoint))
        bits = s.index == kScanDataEndpoint && halted_ ? 1 : 0;
      else
        return pu::kStatusStall;
      reply = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8)};
      break;
    }
    case pu::kStdGetConfiguration: reply = {configured_ ? kConfigurationValue : uint8_t{0}}; break;
    case pu::kStdGetInterface:
      if (!configured_ || s.index != 0) return pu::kStatusStall;
      reply = {0};
      break;
    default: return pu::kStatusStall;
  }
  *moved = std::min<uint32_t>(length, static_cast<uint32_t>(reply.size()));
  if (*moved) std::memcpy(out, reply.data(), *moved);
  return 0;
}

uint32_t UsbScannerBackend::StandardOut(const pu::ControlSetup& s) {
  bool set = s.request == pu::kStdSetFeature;
  switch (s.request) {
    case pu::kStdSetFeature:
    case pu::kStdClearFeature:
      if (s.recipient == kToDevice && s.value == kFeatureRemoteWakeup) {
        remote_wakeup_ = set;
        return 0;
      }
      if (s.recipient == kToEndpoint && s.value == kFeatureHalt && s.index == kScanDataEndpoint) {
        halted_ = set;
        return 0;
      }
      return pu::kStatusStall;
    case pu::kStdSetInterface: return configured_ && s.index == 0 && s.value == 0 ? 0 : pu::kStatusStall;
    default: return pu::kStatusStall;  // set descriptor among them
  }
}

}  // namespace sim
