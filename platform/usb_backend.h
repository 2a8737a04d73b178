#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb_driver.h"

// The interface behind the stand-in for the generic USB kernel driver: the
// few operations the driver's control codes come down to. The simulated
// scanner is one backend; one over real hardware can be added beside it.
// Results are the driver's statuses (0 or 0xE000xxxx).
namespace platform::usb {

// A control transfer's setup as the driver's vendor-request record gives it
// (the standard requests of the driver's other codes use type 0).
struct ControlSetup {
  uint32_t flags = 0;  // bit 16: a short transfer is not an error
  uint32_t type = 2;  // 0 standard, 1 class, 2 vendor
  uint32_t recipient = 0;  // 0 device, 1 interface, 2 endpoint, 3 other
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
};

// Standard request numbers (ControlSetup type 0).
enum StandardRequest : uint8_t {
  kStdGetStatus = 0,
  kStdClearFeature = 1,
  kStdSetFeature = 3,
  kStdGetDescriptor = 6,
  kStdSetDescriptor = 7,
  kStdGetConfiguration = 8,
  kStdGetInterface = 10,
  kStdSetInterface = 11,
};

// Called once when a bulk transfer ends: status and bytes moved.
using BulkCompletion = std::function<void(uint32_t status, uint32_t transferred)>;

class UsbDevice {
 public:
  virtual ~UsbDevice() = default;
  // Device-to-host: at most `length` bytes into data, *transferred set.
  virtual uint32_t ControlIn(const ControlSetup& setup, void* data, uint32_t length, uint32_t* transferred,
                             uint32_t timeout_ms) = 0;
  // Host-to-device: `length` bytes from data, *transferred set.
  virtual uint32_t ControlOut(const ControlSetup& setup, const void* data, uint32_t length, uint32_t* transferred,
                              uint32_t timeout_ms) = 0;
  virtual uint32_t SetConfiguration(uint16_t configuration_index, uint16_t interface, uint16_t alternate) = 0;
  virtual uint32_t ClearConfiguration() = 0;
  // Starts a bulk transfer on `endpoint` (bit 7 set: into data, else from
  // it); `done` runs exactly once (it may run before this returns). A
  // nonzero result: nothing was started.
  virtual uint32_t BulkSubmit(uint8_t endpoint, void* data, uint32_t length, BulkCompletion done) = 0;
  // Ends every pending transfer of the endpoint (cancelled); each completion
  // has run when this returns.
  virtual uint32_t AbortPipe(uint8_t endpoint) = 0;
  virtual uint32_t ResetPipe(uint8_t endpoint) = 0;
  // A port reset (also what cycling the port comes to): pending transfers
  // end cancelled and the device is unconfigured.
  virtual uint32_t ResetDevice() { return kStatusNotSupported; }
  // A control transfer on a control endpoint other than 0; `in` tells the
  // direction.
  virtual uint32_t PipeControl(uint8_t /*endpoint*/, bool /*in*/, const ControlSetup& /*setup*/, void* /*data*/,
                               uint32_t /*length*/, uint32_t* transferred, uint32_t /*timeout_ms*/) {
    *transferred = 0;
    return kStatusBadPipeType;
  }
};

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;
  // Device paths that expose the interface class `guid` (braced text form).
  virtual std::vector<std::string> Enumerate(const std::string& guid) = 0;
  // Opens a device by one of its paths; null with *status when absent.
  virtual std::shared_ptr<UsbDevice> Open(const std::string& path, uint32_t* status) = 0;
  // Facts of the kernel driver the backend stands for: its API version
  // (first u16 of the information record) and the first u32 of its 16-byte
  // record (bit 20 is read by the transfer sizing).
  virtual uint16_t ApiVersion() const { return 0x0200; }
  virtual uint32_t DriverFlags() const { return 0; }
};

// Registers a backend (paths it enumerates route to it); null removes it.
void RegisterBackend(std::shared_ptr<UsbBackend> backend);
void UnregisterBackend(const std::shared_ptr<UsbBackend>& backend);
// The backends registered, in the order of their registration.
std::vector<std::shared_ptr<UsbBackend>> RegisteredBackends();
// Every path of every backend for an interface class.
std::vector<std::string> EnumerateDevices(const std::string& guid);

// Device paths begin with this text (the stand-in answers every such name).
constexpr const char* kDevicePathPrefix = "\\\\?\\usb#";

}  // namespace platform::usb
