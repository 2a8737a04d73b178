// The standard requests of endpoint 0: the descriptors of one configuration
// with interface 0 and the bulk IN endpoint 0x82, the status and feature
// bits of the device and of that endpoint, and the configuration and
// interface selection.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "simulator/usb_port.h"

namespace sim {
namespace {

namespace pu = platform::usb;

using pu::kToDevice;
using pu::kToEndpoint;
using pu::kToInterface;
constexpr uint16_t kFeatureHalt = 0;
constexpr uint16_t kFeatureRemoteWakeup = 1;
constexpr uint8_t kConfigurationValue = 1;

const char* const kManufacturer = "Vornix";
const char* const kProduct = "Vornix Scanner";

std::vector<uint8_t> DeviceDescriptor() {
  return {18,
          pu::kDescriptorDevice,
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
  // Bus powered, 500 mA; interface 0 with one endpoint, vendor class; the
  // bulk IN endpoint with 64-byte packets.
  const uint8_t configuration[] = {9, pu::kDescriptorConfiguration, 25, 0, 1, kConfigurationValue, 0, 0x80, 250};
  const uint8_t interface[] = {9, pu::kDescriptorInterface, 0, 0, 1, 0xFF, 0, 0, 0};
  const uint8_t endpoint[] = {7, pu::kDescriptorEndpoint, kScanDataEndpoint, 2, 64, 0, 0};
  std::vector<uint8_t> d(std::begin(configuration), std::end(configuration));
  d.insert(d.end(), std::begin(interface), std::end(interface));
  d.insert(d.end(), std::begin(endpoint), std::end(endpoint));
  return d;
}

std::vector<uint8_t> StringDescriptor(const std::string& text) {
  std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), pu::kDescriptorString};
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
      if (type == pu::kDescriptorDevice && index == 0) {
        reply = DeviceDescriptor();
      } else if (type == pu::kDescriptorConfiguration && index == 0) {
        reply = ConfigurationDescriptor();
      } else if (type == pu::kDescriptorString && index == 0) {
        reply = {4, pu::kDescriptorString, 0x09, 0x04};  // English (United States) only
      } else if (type == pu::kDescriptorString && index <= 3) {
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
