#include "driver/device/usb/usb_scanner_transport.h"

#include <algorithm>
#include <utility>

#include "driver/device/register_operations.h"
#include "driver/device/usb/usb_fpga.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/result_codes.h"
#include "platform/little_endian.h"
#include "platform/scanner_register_map.h"
#include "platform/usb_driver.h"

namespace tarvel {

namespace reg = platform::reg;

namespace {

constexpr uint32_t kOpenTimeoutMs = 5000;
constexpr uint8_t kFpgaLoaded = 0x10;  // first byte of the FPGA status

}  // namespace

template <class Result, class Op>
Result UsbScannerTransport::OnCurrent(Result failure, Op&& op, NoDevice no_device) {
  usb::UsbScanner* t = devices_.FindCurrent();
  if (t == nullptr) {
    if (no_device == NoDevice::kStored) devices_.KeepFirstError(KPU_STATUS_INVALID_HANDLE);
    return failure;
  }
  devices_.PassLock();
  return op(*t);
}

// ---- USB operations ----

int UsbScannerTransport::OpenInterface() {
  int result = KPU_STATUS_NO_DEVICES;
  for (int i = 0; i < usb::kProbeCount; ++i) {
    const usb::ProbeEntry& probe = usb::ProbeTable()[i];
    int count = 0;
    result = devices_.Count(&count, probe.guid);
    if (result == KPU_STATUS_SUCCESS && count > 0) {
      usb::UsbScanner* handle = nullptr;
      result = devices_.Open(&handle, probe.guid, 1, log_);
      devices_.SetCurrent(handle);
      devices_.SetScannerType(probe.scanner_type);
      break;
    }
  }
  if (result != KPU_STATUS_SUCCESS) {
    devices_.Close(devices_.Current());
    return devices_.KeepFirstError(result);
  }
  return KPU_STATUS_SUCCESS;
}

int UsbScannerTransport::CloseInterface() {
  devices_.Close(devices_.Current());
  return KPU_STATUS_SUCCESS;
}

int UsbScannerTransport::ConfigureFirmware(int check_first, const std::string& design_file) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (design_file.empty() && check_first != 0) {
      uint8_t status[4] = {};
      const int result = t.FpgaStatus(status);
      if (status[0] & kFpgaLoaded) return result;
    }
    return usb::Usb_ConfigureFpga(t, design_file, devices_.ScannerType(), log_);
  });
}

int UsbScannerTransport::ReadFpgaStatus(uint8_t* status) {
  if (status == nullptr) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) { return t.FpgaStatus(status); });
}

int UsbScannerTransport::ReadRegister(int reg, int bytes, bool increment, uint32_t* value) {
  *value = 0;
  const int result = OnCurrent(KPU_STATUS_INVALID_HANDLE,
                               [&](usb::UsbScanner& t) { return t.RegRead(reg, bytes, increment, value); });
  if (result != KPU_STATUS_SUCCESS && failed_read_ == 0) failed_read_ = result;
  return result;
}

int UsbScannerTransport::WriteRegister(int reg, int bytes, bool increment, uint32_t value) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE,
                   [&](usb::UsbScanner& t) { return t.RegWrite(reg, bytes, increment, value); });
}

int UsbScannerTransport::WriteRegisterBlock(int reg, const uint8_t* data, int32_t length) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (data == nullptr || length <= 0) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    return t.RegWriteBlock(reg, data, static_cast<uint32_t>(length));
  });
}

int UsbScannerTransport::ReadScanData(void* buffer, int32_t capacity, uint32_t* count) {
  if (count) *count = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (buffer == nullptr || capacity <= 0 || count == nullptr)
      return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    return t.ReadBlock(buffer, static_cast<uint32_t>(capacity), count);
  });
}

int UsbScannerTransport::RestartReader() {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [](usb::UsbScanner& t) { return t.ClearReader(); });
}

int UsbScannerTransport::ReadProm(int device, int address, uint8_t* buffer, uint32_t* length) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (length == nullptr) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    return t.PromRead(static_cast<uint8_t>(device), static_cast<uint16_t>(address), buffer, length);
  });
}

int UsbScannerTransport::WriteProm(int device, int address, const uint8_t* data, uint32_t* length) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (length == nullptr) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    return t.PromWrite(static_cast<uint8_t>(device), static_cast<uint16_t>(address), data, length);
  });
}

int UsbScannerTransport::ReadPromRange(uint8_t* buffer, int device, uint8_t first, uint8_t last) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (last < first) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    uint32_t n = static_cast<uint32_t>(last - first + 1);
    return t.PromRead(static_cast<uint8_t>(device), first, buffer, &n);
  });
}

int UsbScannerTransport::WritePromRange(const uint8_t* data, int device, uint8_t first, uint8_t last) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    if (last < first) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    uint32_t n = static_cast<uint32_t>(last - first + 1);
    return t.PromWrite(static_cast<uint8_t>(device), first, data, &n);
  });
}

int UsbScannerTransport::ReadAdc(int device, int channel, uint8_t* value) {
  *value = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    return t.ReadAdc(static_cast<uint8_t>(device), static_cast<uint8_t>(channel), value);
  });
}

int UsbScannerTransport::WriteDac(int device, int value) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    return t.WriteDac(static_cast<uint8_t>(device), static_cast<uint8_t>(value));
  });
}

int UsbScannerTransport::SetUpTemperature(int device, int configuration) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    return t.TempSetup(static_cast<uint8_t>(device), static_cast<uint16_t>(configuration));
  });
}

int UsbScannerTransport::ReadTemperature(int device, uint16_t* value) {
  *value = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE,
                   [&](usb::UsbScanner& t) { return t.ReadTemp(static_cast<uint8_t>(device), value); });
}

int UsbScannerTransport::ReadLineCount(uint32_t* count) {
  *count = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) { return t.LineCount(count); });
}

int UsbScannerTransport::SetUpPolygon(int value) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE,
                   [&](usb::UsbScanner& t) { return t.PolygonSetup(static_cast<uint16_t>(value)); });
}

uint32_t UsbScannerTransport::Timeout() {
  return OnCurrent(uint32_t{0}, [](usb::UsbScanner& t) { return t.GetTimeout(); }, NoDevice::kNotStored);
}

int UsbScannerTransport::SetTimeout(uint32_t ms) {
  return OnCurrent(
      KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) { return static_cast<int>(t.SetTimeout(ms)); },
      NoDevice::kNotStored);
}

int UsbScannerTransport::ReadVersions(int16_t* first, int16_t* second, int16_t* driver_api) {
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    uint8_t info[platform::usb::kDriverInfoSize] = {};
    if (t.DriverInfo(info) == 0 && driver_api) *driver_api = static_cast<int16_t>(platform::LoadLe(info, 2));
    uint8_t version[5] = {};
    const int result = t.Version(version);
    if (result == KPU_STATUS_SUCCESS) {
      if (first) *first = static_cast<int16_t>(platform::LoadLe(version + 2, 2));
      if (second) *second = static_cast<int16_t>(platform::LoadLe(version, 2));
    }
    return result;
  });
}

int UsbScannerTransport::ReadScanStatus(ScanStatus* status) {
  if (status == nullptr) return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) { return t.ScanStatus(status); });
}

// ---- the session's transport ----

namespace {

// A register's value, 0 when the read failed (its status in the store).
uint32_t ValueOf(UsbScannerTransport& transport, int reg, int bytes) {
  uint32_t value = 0;
  transport.ReadRegister(reg, bytes, false, &value);
  return value;
}

int WriteStatus(int usb_status) { return usb_status == KPU_STATUS_SUCCESS ? 0 : kErrNoAnswer; }

}  // namespace

void UsbScannerTransport::Dev_Open() { SetTimeout(kOpenTimeoutMs); }

bool UsbScannerTransport::Dev_IsReady() {
  devices_.TakeLastError(1);
  ValueOf(*this, reg::kStatus, 1);
  return devices_.TakeLastError(0) == 0;
}

int UsbScannerTransport::Dev_Connect() {
  const bool first = std::exchange(first_connect_, false);
  borrowed_ = first && devices_.FindCurrent() != nullptr;
  if (borrowed_) return 0;
  return OpenInterface();
}
// The design file the session chose for the scanner type.
int UsbScannerTransport::Dev_ConfigureFpga(int keep) { return ConfigureFirmware(keep, FpgaFileName()); }
int UsbScannerTransport::Dev_Disconnect() {
  if (std::exchange(borrowed_, false)) return 0;
  return CloseInterface();
}

uint8_t UsbScannerTransport::Reg_Read8(int r) { return static_cast<uint8_t>(ValueOf(*this, r, 1)); }
uint16_t UsbScannerTransport::Reg_Read16(int r) { return static_cast<uint16_t>(ValueOf(*this, r, 2)); }
uint32_t UsbScannerTransport::Reg_Read32(int r) { return ValueOf(*this, r, 4); }
int UsbScannerTransport::Reg_Write8(int r, int value) {
  return WriteStatus(WriteRegister(r, 1, false, static_cast<uint32_t>(value)));
}
int UsbScannerTransport::Reg_Write16(int r, int value) {
  return WriteStatus(WriteRegister(r, 2, false, static_cast<uint32_t>(value)));
}
int UsbScannerTransport::Reg_Write32(int r, uint32_t value) { return WriteStatus(WriteRegister(r, 4, false, value)); }

// Nothing waiting is no data, not a failure.
int UsbScannerTransport::Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) {
  const int result = ReadScanData(buffer, static_cast<int32_t>(capacity), count);
  return result == KPU_STATUS_NO_DATA ? KPU_STATUS_SUCCESS : result;
}

int UsbScannerTransport::Dev_GetScanStatus(ScanStatus* status) {
  devices_.TakeLastError(1);
  status->error = 0;
  const int result = ReadScanStatus(status);
  status->words_waiting = static_cast<int32_t>(ValueOf(*this, reg::kWordsWaiting, 4));
  return result;
}

void UsbScannerTransport::I2c_InitTemp(int device, int16_t limit) { SetUpTemperature(device, limit); }

int16_t UsbScannerTransport::I2c_ReadTemp(int device) {
  uint16_t value = 0;
  const int result = ReadTemperature(device, &value);
  return static_cast<int16_t>(result == KPU_STATUS_SUCCESS ? value : usb::kTempFailure);
}

uint32_t UsbScannerTransport::Dev_ReadLineCounter() {
  uint32_t count = 0;
  return ReadLineCount(&count) == KPU_STATUS_SUCCESS ? count : usb::kScanLineFailure;
}

int UsbScannerTransport::I2c_Read(uint8_t* buffer, int device, int first, int last) {
  devices_.TakeLastError(1);
  auto f = static_cast<uint8_t>(first), l = static_cast<uint8_t>(last);
  int result = ReadPromRange(buffer, device, f, l);
  if (result != 0) result = ReadPromRange(buffer, device, f, l);
  return result;
}

int UsbScannerTransport::I2c_Write(const uint8_t* data, int device, int first, int last) {
  return WritePromRange(data, device, static_cast<uint8_t>(first), static_cast<uint8_t>(last));
}

int UsbScannerTransport::I2c_WriteDac(int device, int value) { return WriteDac(device, value); }

uint8_t UsbScannerTransport::I2c_ReadAdc(int device, int channel) {
  uint8_t value = 0;
  return ReadAdc(device, channel, &value) == KPU_STATUS_SUCCESS ? value : 0;
}

uint32_t UsbScannerTransport::Dev_WordsOnHost() {
  return OnCurrent(
      uint32_t{0},
      [](usb::UsbScanner& t) {
        return static_cast<uint32_t>(std::min<uint64_t>(t.Reader().BytesHeld() / 4, 0x7FFFFFFF));
      },
      NoDevice::kNotStored);
}

void UsbScannerTransport::Dev_DiscardHeldData() { RestartReader(); }

void UsbScannerTransport::Dev_PauseReadAhead() {
  OnCurrent(0, [](usb::UsbScanner& t) { return t.StopReader(); });
}

void UsbScannerTransport::Dev_ResumeReadAhead() {
  OnCurrent(0, [](usb::UsbScanner& t) { return t.StartReader(); });
}

bool UsbScannerTransport::Dev_WaitForData(uint32_t ms) {
  return OnCurrent(
      false, [&](usb::UsbScanner& t) { return t.Reader().WaitForData(ms); }, NoDevice::kNotStored);
}

int UsbScannerTransport::Dev_LostCode() {
  const int code = devices_.TakeLastError(0);
  return code != 0 ? code : kErrNoAnswer;
}

void UsbScannerTransport::Dev_WriteClockWord(uint16_t word) {
  auto edges = ClockWordEdges(word);
  WriteRegisterBlock(reg::kClockShift, edges.data(), static_cast<int32_t>(edges.size()));
}

namespace {

void ClampLength(uint32_t moved, uint16_t* length) {
  *length = moved >= 1 && moved <= 65535 ? static_cast<uint16_t>(moved) : 0;
}

}  // namespace

int UsbScannerTransport::Dev_LargePromRead(int device, int offset, uint8_t* buffer, uint16_t* length) {
  uint32_t n = *length;
  const int result = ReadProm(device, offset, buffer, &n);
  ClampLength(n, length);
  return result;
}

int UsbScannerTransport::Dev_LargePromWrite(int device, int offset, const uint8_t* data, uint16_t* length) {
  uint32_t n = *length;
  const int result = WriteProm(device, offset, data, &n);
  ClampLength(n, length);
  return result;
}

int UsbScannerTransport::Dev_VendorIn(uint8_t request, uint16_t value, uint8_t* buffer, uint32_t* length) {
  const uint32_t asked = *length;
  *length = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    *length = asked;
    return t.VendorIn(request, value, 0, buffer, length);
  });
}

int UsbScannerTransport::Dev_VendorOut(uint8_t request, uint16_t value, const uint8_t* data, uint32_t* length) {
  const uint32_t asked = *length;
  *length = 0;
  return OnCurrent(KPU_STATUS_INVALID_HANDLE, [&](usb::UsbScanner& t) {
    *length = asked;
    return t.VendorOut(request, value, 0, data, length);
  });
}

}  // namespace tarvel
