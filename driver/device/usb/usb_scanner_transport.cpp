#include "driver/device/usb/usb_scanner_transport.h"

#include <algorithm>
#include <utility>

#include "driver/device/register_map.h"
#include "driver/device/register_operations.h"
#include "driver/device/usb/low_level.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/result_codes.h"

namespace tarvel {
namespace {

constexpr uint32_t kOpenTimeoutMs = 5000;

void ClampLength(int32_t reported, uint16_t* length) {
  *length = reported >= 1 && reported <= 65535 ? static_cast<uint16_t>(reported) : 0;
}

}  // namespace

void UsbScannerTransport::Dev_Open() {
  if (usb::UsbScanner* t = devices_.FindCurrent()) {
    devices_.PassLock();
    t->SetTimeout(kOpenTimeoutMs);
  }
}

bool UsbScannerTransport::Dev_IsReady() {
  devices_.TakeLastError(1);
  ReadRegister(reg::kStatus, 1);
  return devices_.TakeLastError(0) == 0;
}

int UsbScannerTransport::Dev_Connect() {
  const bool first = std::exchange(first_connect_, false);
  borrowed_ = first && devices_.FindCurrent() != nullptr;
  if (borrowed_) return 0;
  return usb::Init_Interface(devices_, log_);
}
// The design file the session chose for the scanner type.
int UsbScannerTransport::Dev_ConfigureFpga(int keep) {
  return usb::ConfigureFirmware(devices_, keep, FpgaFileName(), log_);
}
int UsbScannerTransport::Dev_Disconnect() {
  if (std::exchange(borrowed_, false)) return 0;
  return usb::Free_Interface(devices_);
}

// 0 when the request failed (its status in the first-error store).
uint32_t UsbScannerTransport::ReadRegister(int reg, int bytes) {
  uint32_t value = 0;
  if (usb::UsbScanner* t = devices_.UseCurrent()) t->RegRead(reg, bytes, false, &value);
  return value;
}

int UsbScannerTransport::WriteRegister(int reg, int bytes, uint32_t value) {
  usb::UsbScanner* t = devices_.UseCurrent();
  return t != nullptr && t->RegWrite(reg, bytes, false, value) == KPU_STATUS_SUCCESS ? 0 : kErrNoAnswer;
}

uint8_t UsbScannerTransport::Reg_Read8(int r) { return static_cast<uint8_t>(ReadRegister(r, 1)); }
uint16_t UsbScannerTransport::Reg_Read16(int r) { return static_cast<uint16_t>(ReadRegister(r, 2)); }
uint32_t UsbScannerTransport::Reg_Read32(int r) { return ReadRegister(r, 4); }
int UsbScannerTransport::Reg_Write8(int r, int value) { return WriteRegister(r, 1, static_cast<uint32_t>(value)); }
int UsbScannerTransport::Reg_Write16(int r, int value) { return WriteRegister(r, 2, static_cast<uint32_t>(value)); }
int UsbScannerTransport::Reg_Write32(int r, uint32_t value) { return WriteRegister(r, 4, value); }

int UsbScannerTransport::Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) {
  *count = 0;
  usb::UsbScanner* t = devices_.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (buffer == nullptr || static_cast<int32_t>(capacity) <= 0)
    return devices_.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  // Nothing waiting is no data, not a failure.
  const int result = t->ReadBlock(buffer, capacity, count);
  return result == KPU_STATUS_NO_DATA ? KPU_STATUS_SUCCESS : result;
}

int UsbScannerTransport::Dev_GetScanStatus(ScanStatus* status) {
  devices_.TakeLastError(1);
  status->error = 0;
  int result = KPU_STATUS_INVALID_HANDLE;
  if (usb::UsbScanner* t = devices_.UseCurrent()) result = t->ScanStatus(status);
  status->words_waiting = static_cast<int32_t>(ReadRegister(reg::kWordsWaiting, 4));
  return result;
}

void UsbScannerTransport::I2c_InitTemp(int device, int16_t limit) {
  if (usb::UsbScanner* t = devices_.UseCurrent())
    t->TempSetup(static_cast<uint8_t>(device), static_cast<uint16_t>(limit));
}

int16_t UsbScannerTransport::I2c_ReadTemp(int device) {
  return static_cast<int16_t>(usb::I2C_TEMPread(devices_, device));
}

uint32_t UsbScannerTransport::Dev_ReadLineCounter() { return usb::Anz_ScanLine(devices_); }

int UsbScannerTransport::I2c_Read(uint8_t* buffer, int device, int first, int last) {
  devices_.TakeLastError(1);
  auto f = static_cast<uint8_t>(first), l = static_cast<uint8_t>(last);
  int result = usb::I2C_PROM_read(devices_, buffer, device, f, l);
  if (result != 0) result = usb::I2C_PROM_read(devices_, buffer, device, f, l);
  return result;
}

int UsbScannerTransport::I2c_Write(const uint8_t* data, int device, int first, int last) {
  return usb::I2C_PROM_write(devices_, data, device, static_cast<uint8_t>(first), static_cast<uint8_t>(last));
}

int UsbScannerTransport::I2c_WriteDac(int device, int value) { return usb::I2C_DACout(devices_, device, value); }

uint8_t UsbScannerTransport::I2c_ReadAdc(int device, int channel) {
  return static_cast<uint8_t>(usb::I2C_ADCread(devices_, device, channel));
}

uint32_t UsbScannerTransport::Dev_WordsOnHost() {
  usb::UsbScanner* t = devices_.FindCurrent();
  return t ? static_cast<uint32_t>(std::min<uint64_t>(t->Reader().BytesHeld() / 4, 0x7FFFFFFF)) : 0;
}

void UsbScannerTransport::Dev_DiscardHeldData() {
  if (usb::UsbScanner* t = devices_.UseCurrent()) t->ClearReader();
}

void UsbScannerTransport::Dev_PauseReadAhead() {
  if (usb::UsbScanner* t = devices_.UseCurrent()) t->StopReader();
}

void UsbScannerTransport::Dev_ResumeReadAhead() {
  if (usb::UsbScanner* t = devices_.UseCurrent()) t->StartReader();
}

bool UsbScannerTransport::Dev_WaitForData(uint32_t ms) {
  usb::UsbScanner* t = devices_.FindCurrent();
  return t != nullptr && t->Reader().WaitForData(ms);
}

int UsbScannerTransport::Dev_LostCode() {
  const int code = devices_.TakeLastError(0);
  return code != 0 ? code : kErrNoAnswer;
}

void UsbScannerTransport::Dev_WriteClockWord(uint16_t word) {
  auto edges = ClockWordEdges(word);
  if (usb::UsbScanner* t = devices_.UseCurrent())
    t->RegWriteBlock(reg::kClockShift, edges.data(), static_cast<uint32_t>(edges.size()));
}

int UsbScannerTransport::LargePromRead(int device, int offset, uint8_t* buffer, uint16_t* length) {
  int32_t n = *length;
  int result = usb::I2C_LargePROMrd(devices_, device, offset, buffer, &n);
  ClampLength(n, length);
  return result;
}

int UsbScannerTransport::LargePromWrite(int device, int offset, const uint8_t* data, uint16_t* length) {
  int32_t n = *length;
  int result = usb::I2C_LargePROMwr(devices_, device, offset, data, &n);
  ClampLength(n, length);
  return result;
}

int UsbScannerTransport::VendorIn(uint8_t request, uint16_t value, uint8_t* buffer, uint32_t* length) {
  usb::UsbScanner* t = devices_.UseCurrent();
  if (t == nullptr) {
    *length = 0;
    return KPU_STATUS_INVALID_HANDLE;
  }
  return t->VendorIn(request, value, 0, buffer, length);
}

int UsbScannerTransport::VendorOut(uint8_t request, uint16_t value, const uint8_t* data, uint32_t* length) {
  usb::UsbScanner* t = devices_.UseCurrent();
  if (t == nullptr) {
    *length = 0;
    return KPU_STATUS_INVALID_HANDLE;
  }
  return t->VendorOut(request, value, 0, data, length);
}

UsbScannerTransport* AsUsbTransport(ScannerTransport& transport) {
  return dynamic_cast<UsbScannerTransport*>(&transport);
}

}  // namespace tarvel
