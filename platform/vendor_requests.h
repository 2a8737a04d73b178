#pragma once
#include <cstdint>

// Vendor request numbers of the scanner's USB firmware: the requests the USB
// transport sends and the simulated scanner answers.
namespace platform::usb {

enum VendorRequest : uint8_t {
  kReqPromRead = 1,
  kReqPromWrite = 2,
  kReqAdc = 3,
  kReqDac = 4,
  kReqTempRead = 5,
  kReqTempSetup = 6,
  kReqRegRead = 7,
  kReqRegWrite = 8,
  kReqLineCount = 9,
  kReqPolygon = 10,
  kReqScanStatus = 11,
  kReqVersion = 12,
  kReqFpgaStatus = 13,
  kReqFpgaPiece = 14,
  kReqFirmwareData = 16,
  kReqFirmwareStart = 17,
  kReqDeviceError = 18,
};

}  // namespace platform::usb
