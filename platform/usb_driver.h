#pragma once
#include <cstdint>

// The stand-in for the generic USB kernel driver: device paths of the
// registered backends (usb_backend.h) open as device files whose control
// codes and reads are decoded here, once, into backend calls.
namespace platform::usb {

// Control codes of the driver.
constexpr uint32_t kIoGetDescriptor = 0x80942006;
constexpr uint32_t kIoSetConfiguration = 0x80942024;
constexpr uint32_t kIoUnconfigure = 0x80942028;
constexpr uint32_t kIoVendorIn = 0x80942032;
constexpr uint32_t kIoVendorOut = 0x80942035;
constexpr uint32_t kIoGetTimeout = 0x8094203C;
constexpr uint32_t kIoSetTimeout = 0x80942040;
constexpr uint32_t kIoDriverFlags = 0x80942068;
constexpr uint32_t kIoDriverInfo = 0x8094206C;
constexpr uint32_t kIoBindPipe = 0x80942078;
constexpr uint32_t kIoUnbindPipe = 0x8094207C;
constexpr uint32_t kIoResetPipe = 0x80942080;
constexpr uint32_t kIoAbortPipe = 0x80942084;

// Record sizes.
constexpr uint32_t kVendorRequestSize = 18;
constexpr uint32_t kConfigurationSize = 260;
constexpr uint32_t kDriverInfoSize = 12;
constexpr uint32_t kDriverFlagsSize = 16;
constexpr uint32_t kTimeoutRecordSize = 8;

// The time-out of control requests a device file starts with (ms).
constexpr uint32_t kDefaultRequestTimeoutMs = 5000;

// Makes sure the stand-in answers device paths (done by RegisterBackend).
void InstallDriver();

}  // namespace platform::usb
