#include "driver/service/service_commands.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "driver/device/scanner_transport.h"
#include "driver/service/scanner_report.h"
#include "driver/service/service_blocks.h"
#include "driver/service/service_readings.h"
#include "driver/service/service_scan.h"
#include "driver/service/test_line_capture.h"
#include "driver/service/transfer_test.h"
#include "driver/session/session.h"
#include "platform/clock.h"

namespace tarvel {
namespace {

constexpr int kServiceScanSeconds = 20;
constexpr uint16_t kSlowestMotor = 3000;
constexpr uint16_t kFastestMotor = 6000;
constexpr uint32_t kPromWriteWaitMs = 20;
constexpr uint16_t kFixedAnswer = 1234;
constexpr size_t kVendorHeader = 5;  // u8 request, u16 value, u16 length

using Handler = int (*)(Session&, ServiceBlocks&);

struct CommandRow {
  int32_t command;
  size_t in_min;  // bytes of input the command reads at least
  size_t out_min;  // bytes of output it writes at least
  Handler run;
  uint8_t traits = 0;
};

// What a command is besides its handler.
// Refused (-1007) before its blocks are checked by a transport that does
// not offer the USB requests.
constexpr uint8_t kUsbOnly = 1;
constexpr uint8_t kReprogramsScan = 2;  // leaves the scan registers in a service geometry

int Answered(ServiceBlocks& b, size_t bytes) {
  b.out_count = static_cast<int32_t>(bytes);
  return kOk;
}

int ServiceScan(Session& s, ServiceBlocks& b) {
  const int r = Service_Scan(s.Device(), s.mode, static_cast<int32_t>(b.U32(0)), kServiceScanSeconds, s.log);
  if (r <= 0) return r;
  b.PutU32(0, static_cast<uint32_t>(r));
  return Answered(b, 4);
}

// Bytes 0..L of an I2C device, L = out length - 1 (at most 255).
int I2cRead(Session& s, ServiceBlocks& b) {
  const size_t last = std::min<size_t>(b.out_length - 1, 255);
  uint8_t bytes[256] = {};
  const int r = s.Transport().I2c_Read(bytes, b.U8(0), 0, static_cast<int>(last));
  if (r != 0) return r;
  std::copy_n(bytes, last + 1, b.out);
  return Answered(b, last + 1);
}

// u8 device, u8 first, u8 last, then the bytes for first..last.
int I2cWrite(Session& s, ServiceBlocks& b) {
  const int first = b.U8(1), last = b.U8(2);
  if (last >= first && b.in_length < static_cast<size_t>(last - first + 4)) return kErrOutOfRange;
  const int r = s.Transport().I2c_Write(b.in + 3, b.U8(0), first, last);
  platform::Sleep(kPromWriteWaitMs);
  return r;
}

// Above kHighestPmtVolts the device refuses it (-102).
int HighVoltage(Session& s, ServiceBlocks& b) { return s.Device().Scan_SetPmtVoltage(b.U16(0)); }

int Reading(Session& s, ServiceBlocks& b) {
  int32_t value = 0;
  const int r = Service_Reading(s.Device(), b.U8(0), &value);
  if (r != 0) return r;
  b.PutU32(0, static_cast<uint32_t>(value));
  return Answered(b, 4);
}

int TestLine(Session& s, ServiceBlocks& b) {
  std::vector<uint16_t> samples;
  const int r = Service_CaptureTestLine(s.Device(), s.mode, b.U16(0), &samples);
  const size_t words = std::min(samples.size(), b.out_length / 2);
  for (size_t i = 0; i < words; ++i) b.PutU16(2 * i, samples[i]);
  b.out_count = static_cast<int32_t>(2 * words);
  return r;
}

int TransferTest(Session& s, ServiceBlocks& b) {
  TransferCounts counts;
  const int r = Service_TransferTest(s.Device(), b.U16(0), b.U16(2), b.U16(4), &counts, s.log);
  b.PutU32(0, static_cast<uint32_t>(std::min<int64_t>(counts.bytes, INT32_MAX)));
  b.PutU32(4, static_cast<uint32_t>(counts.errors));
  b.out_count = 8;
  return r;
}

// A nonzero speed outside 3000..6000 is refused; 0 stops the motor.
int MotorSpeed(Session& s, ServiceBlocks& b) {
  const uint16_t speed = b.U16(0);
  if (speed != 0 && (speed < kSlowestMotor || speed > kFastestMotor)) return kErrOutOfRange;
  s.Device().Scan_SetClock(speed, s.mode.PPR);
  return kOk;
}

int Report(Session& s, ServiceBlocks& b) { return Write_Report(s, b.Text()); }

int CalibFile(Session& s, ServiceBlocks& b) { return Session_MakeCalibFile(s, b.Text().c_str()); }

// u8 request, u16 value, u16 length: the bytes the scanner answers (USB
// only, as the next).
int VendorIn(Session& s, ServiceBlocks& b) {
  uint32_t length = b.U16(3);
  if (b.out_length < length) return kErrOutOfRange;
  const int r = s.Transport().Dev_VendorIn(b.U8(0), b.U16(1), b.out, &length);
  b.out_count = static_cast<int32_t>(length);
  return r;
}

// u8 request, u16 value, u16 length, then the bytes to send.
int VendorOut(Session& s, ServiceBlocks& b) {
  uint32_t length = b.U16(3);
  if (b.in_length < kVendorHeader + length) return kErrOutOfRange;
  const int r = s.Transport().Dev_VendorOut(b.U8(0), b.U16(1), b.in + kVendorHeader, &length);
  b.out_count = static_cast<int32_t>(length);
  return r;
}

constexpr CommandRow kCommands[] = {
    {kServiceScan, 4, 4, ServiceScan, kReprogramsScan},
    {kServiceI2cRead, 1, 1, I2cRead},
    {kServiceRegRead8, 1, 1,
     [](Session& s, ServiceBlocks& b) {
       b.out[0] = s.Transport().Reg_Read8(b.U8(0));
       return Answered(b, 1);
     }},
    {kServiceRegRead16, 1, 2,
     [](Session& s, ServiceBlocks& b) {
       b.PutU16(0, s.Transport().Reg_Read16(b.U8(0)));
       return Answered(b, 2);
     }},
    {kServiceRegRead32, 1, 4,
     [](Session& s, ServiceBlocks& b) {
       b.PutU32(0, s.Transport().Reg_Read32(b.U8(0)));
       return Answered(b, 4);
     }},
    {kServiceRegWrite8, 2, 0,
     [](Session& s, ServiceBlocks& b) {
       s.Transport().Reg_Write8(b.U8(0), b.U8(1));
       return kOk;
     }},
    {kServiceRegWrite16, 4, 0,
     [](Session& s, ServiceBlocks& b) {
       s.Transport().Reg_Write16(b.U8(0), b.U16(2));
       return kOk;
     }},
    {kServiceRegWrite32, 8, 0,
     [](Session& s, ServiceBlocks& b) {
       s.Transport().Reg_Write32(b.U8(0), b.U32(4));
       return kOk;
     }},
    {kServiceHighVoltage, 2, 0, HighVoltage},
    {kServiceReading, 1, 4, Reading},
    {kServiceTestLine, 2, 0, TestLine, kReprogramsScan},
    {kServiceTransferTest, 6, 8, TransferTest},
    {kServiceI2cWrite, 3, 0, I2cWrite},
    {kServiceMotorSpeed, 2, 0, MotorSpeed},
    {kServiceFixedAnswer, 0, 2,
     [](Session&, ServiceBlocks& b) {
       b.PutU16(0, kFixedAnswer);
       return Answered(b, 2);
     }},
    {kServiceReport, 1, 0, Report},
    {kServiceCalibFile, 1, 0, CalibFile},
    {kServiceVendorIn, kVendorHeader, 0, VendorIn, kUsbOnly},
    {kServiceVendorOut, kVendorHeader, 0, VendorOut, kUsbOnly},
};

size_t Length(const void* block, int32_t length) { return block != nullptr && length > 0 ? size_t(length) : 0; }

}  // namespace

int Service_Control(Session& s, int32_t command, const uint8_t* in, int32_t in_length, uint8_t* out, int32_t out_length,
                    int32_t* out_count) {
  if (out_count) *out_count = 0;
  if (!s.IsOpen()) return kErrNotOpen;
  const CommandRow* row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [command](const CommandRow& r) { return r.command == command; });
  if (row == std::end(kCommands)) return kErrUnknownCommand;
  if ((row->traits & kUsbOnly) && !s.Transport().Dev_OffersUsbRequests()) return kErrNotUsb;
  ServiceBlocks b{in, Length(in, in_length), out, Length(out, out_length)};
  if (b.in_length < row->in_min || b.out_length < row->out_min) return kErrOutOfRange;
  ScannerTransport& transport = s.Transport();
  transport.Dev_ClearNoAnswer();
  int r = row->run(s, b);
  if (row->traits & kReprogramsScan) s.scan_mode_programmed = false;
  // Reads of a scanner that does not answer are no answer, not zeros.
  if (const int silent = transport.Dev_NoAnswer(); silent != 0 && r >= 0) {
    r = silent;
    b.out_count = 0;
  }
  if (out_count) *out_count = b.out_count;
  return r;
}

}  // namespace tarvel
