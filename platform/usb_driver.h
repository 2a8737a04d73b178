#pragma once
#include <cstdint>

// The stand-in for the generic USB kernel driver: device paths of the
// registered backends (usb_backend.h) open as device files whose control
// codes and reads are decoded here, once, into backend calls.
namespace platform::usb {

// Statuses of the driver (0 or 0xE000xxxx): those of the bus and the host
// controller it passes on, its own, and those of its user-mode library.
constexpr uint32_t kStatusOk = 0;
constexpr uint32_t kStatusStall = 0xE0000004;  // HC: stall PID
constexpr uint32_t kStatusNoMemory = 0xE0000100;
constexpr uint32_t kStatusShortTransfer = 0xE0000900;
constexpr uint32_t kStatusBadConfigDescriptor = 0xE0000F00;
constexpr uint32_t kStatusBusTimeout = 0xE0006000;
constexpr uint32_t kStatusDeviceGone = 0xE0007000;
constexpr uint32_t kStatusCancelled = 0xE0010000;
constexpr uint32_t kStatusFailed = 0xE0001000;
constexpr uint32_t kStatusInputTooSmall = 0xE0001001;
constexpr uint32_t kStatusOutputTooSmall = 0xE0001002;
constexpr uint32_t kStatusNotConfigured = 0xE0001006;
constexpr uint32_t kStatusAlreadyBound = 0xE0001008;
constexpr uint32_t kStatusNotBound = 0xE0001009;
constexpr uint32_t kStatusRemoved = 0xE000100A;
constexpr uint32_t kStatusNotSupported = 0xE000100B;
constexpr uint32_t kStatusTimeout = 0xE000100C;
constexpr uint32_t kStatusBadRecipient = 0xE000100D;
constexpr uint32_t kStatusBadPipeType = 0xE000100E;
constexpr uint32_t kStatusBadDirection = 0xE0001010;
constexpr uint32_t kStatusPipeNotFound = 0xE0001013;
constexpr uint32_t kStatusInvalidParameter = 0xE0001018;
constexpr uint32_t kStatusVersionMismatch = 0xE000101C;
// The user-mode library's.
constexpr uint32_t kStatusDeviceNotFound = 0xE0001100;
constexpr uint32_t kStatusNotOpen = 0xE0001102;
constexpr uint32_t kStatusNoSuchInstance = 0xE0001104;
constexpr uint32_t kStatusBadArgument = 0xE0001105;
constexpr uint32_t kStatusNoSetupLibrary = 0xE0001106;

// Control codes of the driver.
constexpr uint32_t kIoGetDescriptor = 0x80942006;
constexpr uint32_t kIoSetDescriptor = 0x80942009;
constexpr uint32_t kIoSetFeature = 0x8094200C;
constexpr uint32_t kIoClearFeature = 0x80942010;
constexpr uint32_t kIoGetStatus = 0x80942014;
constexpr uint32_t kIoGetConfiguration = 0x80942018;
constexpr uint32_t kIoGetInterface = 0x8094201C;
constexpr uint32_t kIoStoreConfigDescriptor = 0x80942020;
constexpr uint32_t kIoSetConfiguration = 0x80942024;
constexpr uint32_t kIoUnconfigure = 0x80942028;
constexpr uint32_t kIoSetInterface = 0x8094202C;
constexpr uint32_t kIoVendorIn = 0x80942032;
constexpr uint32_t kIoVendorOut = 0x80942035;
constexpr uint32_t kIoGetTimeout = 0x8094203C;
constexpr uint32_t kIoSetTimeout = 0x80942040;
constexpr uint32_t kIoConfigurationInfo = 0x80942050;
constexpr uint32_t kIoResetDevice = 0x80942054;
constexpr uint32_t kIoFrameNumber = 0x80942058;
constexpr uint32_t kIoSetPowerState = 0x8094205C;
constexpr uint32_t kIoGetPowerState = 0x80942060;
constexpr uint32_t kIoBandwidthInfo = 0x80942064;
constexpr uint32_t kIoDriverFlags = 0x80942068;
constexpr uint32_t kIoDriverInfo = 0x8094206C;
constexpr uint32_t kIoCyclePort = 0x80942070;
constexpr uint32_t kIoBindPipe = 0x80942078;
constexpr uint32_t kIoUnbindPipe = 0x8094207C;
constexpr uint32_t kIoResetPipe = 0x80942080;
constexpr uint32_t kIoAbortPipe = 0x80942084;
constexpr uint32_t kIoGetPipeParameters = 0x8094208C;
constexpr uint32_t kIoSetPipeParameters = 0x80942090;
constexpr uint32_t kIoSetupPipeStatistics = 0x80942094;
constexpr uint32_t kIoQueryPipeStatistics = 0x80942098;
constexpr uint32_t kIoPipeControlIn = 0x809420A2;
constexpr uint32_t kIoPipeControlOut = 0x809420A5;

// Recipients of the standard requests (the u32 recipient of their records).
constexpr uint32_t kToDevice = 0;
constexpr uint32_t kToInterface = 1;
constexpr uint32_t kToEndpoint = 2;
constexpr uint32_t kToOther = 3;

// Descriptor types.
constexpr uint8_t kDescriptorDevice = 1;
constexpr uint8_t kDescriptorConfiguration = 2;
constexpr uint8_t kDescriptorString = 3;
constexpr uint8_t kDescriptorInterface = 4;
constexpr uint8_t kDescriptorEndpoint = 5;

// Record sizes.
constexpr uint32_t kVendorRequestSize = 18;
constexpr uint32_t kConfigurationSize = 260;
constexpr uint32_t kDriverInfoSize = 12;
constexpr uint32_t kDriverFlagsSize = 16;
constexpr uint32_t kTimeoutRecordSize = 8;

// Records of the standard requests and the driver's queries (little-endian):
// - descriptor (get and set, 8): u32 recipient, u8 type, u8 index, u16
//   language; the descriptor travels in the output buffer;
// - feature (8): u32 recipient, u16 selector, u16 index;
// - status (6 in, 2 out): u32 recipient, u16 index; the u16 status;
// - interface query (2 in, 1 out): u16 interface; the alternate setting;
// - interface selection (8): u16 interface, u16 alternate, u32 largest
//   transfer (as one entry of the configuration record);
// - configuration info (776): u32 interfaces, u32 pipes, 32 interface
//   entries of 8 bytes (number, alternate, class, subclass, protocol,
//   endpoints, 2 spare), 32 pipe entries of 16 bytes (endpoint address,
//   interface, type, interval, u16 largest packet, 2 spare, u32 largest
//   transfer, 4 spare);
// - frame number, power state (0-3 for D0-D3), pipe parameters: one u32;
// - bandwidth info (16): u32 total and u32 used bits per 1-ms frame, 8 spare;
// - pipe statistics set-up (12): u32 averaging interval in ms (0: off), 8
//   spare; query (4 in: u32 flags, bit 0 resets the byte count, bit 1 the
//   request counts, bit 2 the averaging; 32 out): u32 average bytes per
//   second, u32 requests succeeded, u32 requests failed, 4 spare, u64 bytes
//   transferred, 8 spare;
// - control transfer on a bound pipe (12): u32 flags (bit 16: a short
//   transfer is no error), u8 request type, u8 request, u16 value, u16
//   index, 2 spare; the data travel in the output buffer.
constexpr uint32_t kDescriptorRecordSize = 8;
constexpr uint32_t kFeatureRecordSize = 8;
constexpr uint32_t kStatusRecordSize = 6;
constexpr uint32_t kInterfaceSelectionSize = 8;
constexpr uint32_t kConfigurationInfoSize = 776;
constexpr uint32_t kBandwidthInfoSize = 16;
constexpr uint32_t kStatisticsSetupSize = 12;
constexpr uint32_t kStatisticsSize = 32;
constexpr uint32_t kPipeControlSize = 12;
constexpr uint32_t kMaxInterfaceEntries = 32;
constexpr uint32_t kMaxPipeEntries = 32;

// Pipe parameter bit: a bulk read shorter than asked is no error (set by
// default).
constexpr uint32_t kPipeShortTransferOk = 0x00010000;
// Query flags of the pipe statistics.
constexpr uint32_t kResetBytes = 1;
constexpr uint32_t kResetRequests = 2;
constexpr uint32_t kResetAverage = 4;

// The bandwidth a device file reports (full speed: bits per frame).
constexpr uint32_t kFrameBandwidthBits = 12000;

// The time-out of control requests a device file starts with (ms).
constexpr uint32_t kDefaultRequestTimeoutMs = 5000;

// Makes sure the stand-in answers device paths (done by RegisterBackend).
void InstallDriver();

}  // namespace platform::usb
