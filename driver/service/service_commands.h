#pragma once
// `Ext_ScannerCTRL`: service commands on the open session. Each reads its
// parameters from the caller's input block and answers in the output block;
// the out count says how many bytes it wrote (or, for 0x1012, sent).
#include <cstdint>

namespace tarvel {

struct Session;

enum ServiceCommand : int32_t {
  kServiceScan = 0x1000,
  kServiceI2cRead = 0x1001,
  kServiceRegRead8 = 0x1002,
  kServiceRegRead16 = 0x1003,
  kServiceRegRead32 = 0x1004,
  kServiceRegWrite8 = 0x1005,
  kServiceRegWrite16 = 0x1006,
  kServiceRegWrite32 = 0x1007,
  kServiceHighVoltage = 0x1008,
  kServiceReading = 0x1009,
  kServiceTestLine = 0x100A,
  kServiceTransferTest = 0x100B,
  kServiceI2cWrite = 0x100C,
  kServiceMotorSpeed = 0x100D,
  kServiceFixedAnswer = 0x100E,
  kServiceReport = 0x100F,
  kServiceCalibFile = 0x1010,
  kServiceVendorIn = 0x1011,
  kServiceVendorOut = 0x1012,
};

// *out_count (when given) is 0 unless the command answered. -4 no session
// open, -5 unknown command, -102 an input or output block too short for the
// command (nothing read, nothing written) or a value out of range; else the
// result of the command's operation. Null blocks count as empty.
int Service_Control(Session& s, int32_t command, const uint8_t* in, int32_t in_length, uint8_t* out, int32_t out_length,
                    int32_t* out_count);

}  // namespace tarvel
