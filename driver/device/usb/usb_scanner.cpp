#include "driver/device/usb/usb_scanner.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_status.h"
#include "platform/clock.h"
#include "platform/little_endian.h"
#include "platform/os_version.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {

namespace io = platform::usb;

constexpr uint32_t kRequestTypeVendor = 2;
constexpr uint32_t kMaxTransferSize = 32768;
// A setup packet's length field is 16 bits.
constexpr uint32_t kMaxControlLength = 65535;

void VendorRecord(uint8_t record[io::kVendorRequestSize], uint8_t request, uint16_t value, uint16_t index) {
  std::memset(record, 0, io::kVendorRequestSize);
  platform::StoreLe(record, io::kPipeShortTransferOk, 4);
  platform::StoreLe(record + 4, kRequestTypeVendor, 4);
  record[13] = request;
  platform::StoreLe(record + 14, value, 2);
  platform::StoreLe(record + 16, index, 2);
}

// The class code of the I2C memory requests.
uint16_t PromValue(uint8_t device) {
  uint16_t cls = device == 0xA2 || device == 0xA4 ? 9 : device == 0xAA ? 10 : 6;
  return static_cast<uint16_t>((cls << 8) | device);
}

// A PROM transfer in pieces of at most kMaxPiece bytes, `transfer(address,
// offset, *piece)` moving each; stops at the first failure or at an empty
// piece (-326). *length becomes the bytes moved; the result is kept as the
// first error, so success means all of them moved.
template <typename Transfer>
int PromPieces(UsbDevices& devices, uint16_t address, uint32_t* length, Transfer transfer) {
  uint32_t rest = *length;
  int result = KPU_STATUS_SUCCESS;
  while (rest > 0) {
    uint32_t piece = std::min(rest, kMaxPiece);
    result = transfer(address, *length - rest, &piece);
    if (result != KPU_STATUS_SUCCESS) break;
    if (piece == 0) {
      result = KPU_STATUS_USB_LEN_ERROR;
      break;
    }
    address = static_cast<uint16_t>(address + piece);
    rest -= piece;
  }
  *length -= rest;
  return devices.KeepFirstError(result);
}

bool LateServicePack(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n < 2) return false;
  unsigned char first = static_cast<unsigned char>(text[n - 2]), second = static_cast<unsigned char>(text[n - 1]);
  if (!std::isdigit(second)) return false;
  int value = (std::isdigit(first) ? first - '0' : 0) * 10 + (second - '0');
  return value > 4;
}

}  // namespace

TransferSizing ChooseTransfers(unsigned os_major, unsigned os_minor, const char* service_pack, bool driver_flag,
                               uint32_t asked_count, uint32_t asked_size) {
  bool new_system = os_major >= 5 && os_minor >= 1;
  TransferSizing t{8, 32768};
  if (new_system)
    t = driver_flag ? TransferSizing{1, 16384} : TransferSizing{1, 32768};
  else if (driver_flag)
    t = LateServicePack(service_pack) ? TransferSizing{8, 32768} : TransferSizing{1, 16384};
  return {std::min(asked_count, t.count), std::min(asked_size, t.size)};
}

int UsbScanner::Open(int number, platform::DeviceInfoHandle set, const platform::Guid* guid, int start, LogSink& log) {
  uint32_t status = UsbIoDevice::Open(devices_.SetupApi(), number, set, guid);
  if (status != 0) return devices_.KeepFirstError(Map_DriverStatus(status));
  number_ = number;
  SetTimeout(1000);
  auto fail = [&](int result) {
    reader_.Close();
    Request(io::kIoUnconfigure, nullptr, 0, nullptr, 0);
    UsbIoDevice::Close();
    number_ = -1;
    return result;
  };
  int result = Configure();
  if (result != 0) return fail(result);

  uint8_t flags[io::kDriverFlagsSize] = {};
  bool flag = Request(io::kIoDriverFlags, nullptr, 0, flags, sizeof flags) == 0 && (flags[2] & 0x10) != 0;  // bit 20
  platform::OsVersion os = platform::GetOsVersion();
  TransferSizing t = ChooseTransfers(os.major, os.minor, os.service_pack.c_str(), flag, 10, 32768);
  reader_.SetPool(t.count, t.size);
  result = reader_.Open(devices_.SetupApi(), number, endpoint_, set, guid, log);
  if (result != 0) return fail(devices_.KeepFirstError(result));
  if ((start & 0xFF) != 0) {
    result = StartReader();
    if (result != 0) return fail(result);
  }
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::Configure() {
  uint8_t record[io::kConfigurationSize] = {};
  record[2] = 1;  // one interface: index 0, the alternate setting, the largest transfer
  platform::StoreLe(record + 6, alternate_, 2);
  platform::StoreLe(record + 8, kMaxTransferSize, 4);
  uint32_t status = Request(io::kIoSetConfiguration, record, sizeof record, nullptr, 0);
  return status == 0 ? KPU_STATUS_SUCCESS : devices_.KeepFirstError(Map_DriverStatus(status));
}

int UsbScanner::Close() {
  if (number_ < 0 && !IsOpen()) return KPU_STATUS_SUCCESS;
  reader_.Stop();
  reader_.Close();
  Request(io::kIoUnconfigure, nullptr, 0, nullptr, 0);
  UsbIoDevice::Close();
  number_ = -1;
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::FetchDeviceError() {
  uint8_t record[io::kVendorRequestSize], reply[4] = {};
  VendorRecord(record, kReqDeviceError, 0, 0);
  uint32_t got = 0;
  uint32_t status = Request(io::kIoVendorIn, record, sizeof record, reply, 4, &got);
  if (status != 0) return devices_.KeepFirstError(Map_DriverStatus(status));
  if (got != 4) return devices_.KeepFirstError(KPU_STATUS_USB_LEN_ERROR);
  devices_.KeepFirstError(static_cast<int16_t>(platform::LoadLe(reply, 2)));
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::VendorIn(uint8_t request, uint16_t value, uint16_t index, void* buffer, uint32_t* length) {
  uint8_t record[io::kVendorRequestSize];
  if (*length > kMaxControlLength) {
    *length = 0;
    return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  }
  VendorRecord(record, request, value, index);
  uint32_t asked = *length, got = 0;
  uint32_t status = Request(io::kIoVendorIn, record, sizeof record, buffer, asked, &got);
  *length = status == 0 ? got : 0;
  if (status != 0) {
    FetchDeviceError();
    return devices_.KeepFirstError(Map_DriverStatus(status));
  }
  return devices_.KeepFirstError(got != asked ? KPU_STATUS_USB_LEN_ERROR : KPU_STATUS_SUCCESS);
}

int UsbScanner::VendorOut(uint8_t request, uint16_t value, uint16_t index, const void* data, uint32_t* length) {
  uint8_t record[io::kVendorRequestSize];
  if (*length > kMaxControlLength) {
    *length = 0;
    return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  }
  VendorRecord(record, request, value, index);
  uint32_t got = 0;
  // the data to send travel in the output buffer
  uint32_t status = Request(io::kIoVendorOut, record, sizeof record, const_cast<void*>(data), *length, &got);
  *length = status == 0 ? got : 0;
  if (status != 0) {
    FetchDeviceError();
    return devices_.KeepFirstError(Map_DriverStatus(status));
  }
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::PromRead(uint8_t device, uint16_t address, uint8_t* buffer, uint32_t* length) {
  if (buffer == nullptr || *length == 0) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return PromPieces(devices_, address, length, [&](uint16_t at, uint32_t done, uint32_t* piece) {
    return VendorIn(kReqPromRead, PromValue(device), at, buffer + done, piece);
  });
}

int UsbScanner::PromWrite(uint8_t device, uint16_t address, const uint8_t* data, uint32_t* length) {
  if (data == nullptr || *length == 0) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return PromPieces(devices_, address, length, [&](uint16_t at, uint32_t done, uint32_t* piece) {
    return VendorOut(kReqPromWrite, PromValue(device), at, data + done, piece);
  });
}

int UsbScanner::RegRead(int reg, int bytes, bool increment, uint32_t* value) {
  uint8_t reply[4] = {};
  uint32_t n = static_cast<uint32_t>(bytes);
  int result = VendorIn(kReqRegRead, increment ? 1 : 0, static_cast<uint16_t>(reg), reply, &n);
  *value = result == KPU_STATUS_SUCCESS ? platform::LoadLe(reply, 4) : 0;
  return result;
}

int UsbScanner::RegWrite(int reg, int bytes, bool increment, uint32_t value) {
  uint8_t data[4];
  platform::StoreLe(data, value, 4);
  uint32_t n = static_cast<uint32_t>(bytes);
  int result = VendorOut(kReqRegWrite, increment ? 1 : 0, static_cast<uint16_t>(reg), data, &n);
  if (result == KPU_STATUS_SUCCESS && n != static_cast<uint32_t>(bytes)) result = KPU_STATUS_TRANSFER_ERROR;
  return devices_.KeepFirstError(result);
}

int UsbScanner::RegWriteBlock(int reg, const uint8_t* data, uint32_t length) {
  uint32_t n = length;
  int result = VendorOut(kReqRegWrite, 0, static_cast<uint16_t>(reg), data, &n);
  if (result == KPU_STATUS_SUCCESS && n != length) result = KPU_STATUS_TRANSFER_ERROR;
  return devices_.KeepFirstError(result);
}

int UsbScanner::ReadAdc(uint8_t device, uint8_t channel, uint8_t* value) {
  uint32_t n = 1;
  *value = 0;
  return VendorIn(kReqAdc, device, channel, value, &n);
}

int UsbScanner::WriteDac(uint8_t device, uint8_t value) {
  uint32_t n = 0;
  return VendorOut(kReqDac, device, value, nullptr, &n);
}

int UsbScanner::TempSetup(uint8_t device, uint16_t configuration) {
  uint32_t n = 0;
  return VendorOut(kReqTempSetup, device, configuration, nullptr, &n);
}

int UsbScanner::ReadTemp(uint8_t device, uint16_t* value) {
  uint8_t reply[2] = {};
  uint32_t n = 2;
  int result = VendorIn(kReqTempRead, device, 0, reply, &n);
  *value = static_cast<uint16_t>(platform::LoadLe(reply, 2));
  return result;
}

int UsbScanner::LineCount(uint32_t* count) {
  uint8_t reply[4] = {};
  uint32_t n = 4;
  int result = VendorIn(kReqLineCount, 0, 0, reply, &n);
  *count = platform::LoadLe(reply, 4);
  return result;
}

int UsbScanner::PolygonSetup(uint16_t value) {
  uint32_t n = 0;
  return VendorOut(kReqPolygon, value, 0, nullptr, &n);
}

int UsbScanner::Version(uint8_t record[5]) {
  uint32_t n = 5;
  return VendorIn(kReqVersion, 0, 0, record, &n);
}

int UsbScanner::FpgaStatus(uint8_t status[4]) {
  uint32_t n = 4;
  return VendorIn(kReqFpgaStatus, 0, 0, status, &n);
}

int UsbScanner::ScanStatus(::ScanStatus* record) {
  uint32_t n = 12;
  VendorIn(kReqScanStatus, 0, 0, record, &n);
  record->error = devices_.TakeLastError(0);
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::ReadBlock(void* buffer, uint32_t length, uint32_t* count) {
  uint32_t got = 0;
  int result = reader_.Take(buffer, length, &got, 0);
  *count = result == KPU_STATUS_SUCCESS ? got : 0;
  // Nothing waiting is no failure: it leaves the store as it was.
  if (result == KPU_STATUS_NO_DATA) return result;
  return devices_.KeepFirstError(result);
}

int UsbScanner::StartReader() {
  int result = reader_.Start();
  platform::Sleep(100);
  // The reads are posted before the first take. Under the virtual clock the
  // Sleep returns only once the reader thread is blocked, its reads posted;
  // under the real one this waits at most a second more.
  for (int i = 0; result == KPU_STATUS_SUCCESS && i < 1000 && !reader_.SubmittedOnce(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (result != KPU_STATUS_SUCCESS) {
    reader_.Stop();
    devices_.KeepFirstError(result);
  }
  return result;
}

int UsbScanner::StopReader() {
  reader_.Stop();
  return KPU_STATUS_SUCCESS;
}

int UsbScanner::ClearReader() {
  StopReader();
  return StartReader();
}

uint32_t UsbScanner::GetTimeout() {
  uint8_t record[io::kTimeoutRecordSize] = {};
  if (Request(io::kIoGetTimeout, nullptr, 0, record, sizeof record) != 0) return 0;
  timeout_ms_ = platform::LoadLe(record + 4, 4);
  return timeout_ms_;
}

uint32_t UsbScanner::SetTimeout(uint32_t ms) {
  uint8_t record[io::kTimeoutRecordSize] = {};
  uint32_t status = Request(io::kIoGetTimeout, nullptr, 0, record, sizeof record);
  if (status != 0) return status;
  platform::StoreLe(record + 4, ms, 4);
  status = Request(io::kIoSetTimeout, record, sizeof record, nullptr, 0);
  if (status == 0) timeout_ms_ = ms;
  return status;
}

int UsbScanner::SendFpgaDesign(const uint8_t* data, size_t length) {
  uint16_t piece_number = 0;
  bool short_piece = false;
  size_t rest = length;
  while (rest > 0) {
    uint32_t piece = static_cast<uint32_t>(std::min<size_t>(rest, kMaxPiece));
    uint32_t moved = piece;
    int result = VendorOut(kReqFpgaPiece, piece_number, 0, data, &moved);
    if (result != KPU_STATUS_SUCCESS) return result;
    if (moved == 0) return devices_.KeepFirstError(KPU_STATUS_USB_LEN_ERROR);
    short_piece = moved < kMaxPiece;
    data += moved;
    rest -= std::min<size_t>(moved, rest);
    ++piece_number;
  }
  if (!short_piece) {
    uint32_t none = 0;
    return VendorOut(kReqFpgaPiece, piece_number, 0, nullptr, &none);
  }
  return KPU_STATUS_SUCCESS;
}

}  // namespace tarvel::usb
