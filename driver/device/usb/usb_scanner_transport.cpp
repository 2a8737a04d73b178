#include "driver/device/usb/usb_scanner_transport.h"

#include "driver/device/register_map.h"
#include "driver/device/register_operations.h"
#include "driver/device/usb/low_level.h"
#include "driver/result_codes.h"

namespace tarvel {

namespace ll = usb;

constexpr uint32_t kOpenTimeoutMs = 5000;

void UsbScannerTransport::Dev_Open() { ll::SetUsbTimeout(kOpenTimeoutMs); }

bool UsbScannerTransport::Dev_IsReady() {
  ll::GetLastTarvelError(1);
  ll::RegRead(reg::kStatus);
  return ll::GetLastTarvelError(0) == 0;
}

int UsbScannerTransport::Dev_Connect() { return ll::Init_Interface(); }
// The design file the session chose for the scanner type.
int UsbScannerTransport::Dev_ConfigureFpga(int keep) { return ll::ConfigureFirmware(keep, FpgaFileName(), log_); }
int UsbScannerTransport::Dev_Disconnect() { return ll::Free_Interface(); }

uint8_t UsbScannerTransport::Reg_Read8(int r) { return static_cast<uint8_t>(ll::RegRead(r)); }
uint16_t UsbScannerTransport::Reg_Read16(int r) { return static_cast<uint16_t>(ll::RegReadShort(r)); }
uint32_t UsbScannerTransport::Reg_Read32(int r) { return ll::RegReadLong(r); }
// The exports give 1 on success, 0 on failure (its status in the first-error store).
int UsbScannerTransport::Reg_Write8(int r, int value) { return ll::RegWrite(r, value) != 0 ? 0 : kErrNoAnswer; }
int UsbScannerTransport::Reg_Write16(int r, int value) { return ll::RegWriteShort(r, value) != 0 ? 0 : kErrNoAnswer; }
int UsbScannerTransport::Reg_Write32(int r, uint32_t value) {
  return ll::RegWriteLong(r, value) != 0 ? 0 : kErrNoAnswer;
}

int UsbScannerTransport::Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) {
  int32_t n = 0;
  int result = ll::ReadBlock(buffer, static_cast<int32_t>(capacity), &n);
  *count = result == 0 && n > 0 ? static_cast<uint32_t>(n) : 0;
  return result;
}

int UsbScannerTransport::Dev_GetScanStatus(ScanStatus* status) {
  ll::GetLastTarvelError(1);
  status->error = 0;
  int result = ll::GetScanStatus(status);
  status->words_waiting = static_cast<int32_t>(ll::RegReadLong(reg::kWordsWaiting));
  return result;
}

void UsbScannerTransport::I2c_InitTemp(int device, int16_t limit) {
  ll::I2C_TEMPinit(device, static_cast<uint16_t>(limit));
}

int16_t UsbScannerTransport::I2c_ReadTemp(int device) { return static_cast<int16_t>(ll::I2C_TEMPread(device)); }

uint32_t UsbScannerTransport::Dev_ReadLineCounter() { return ll::Anz_ScanLine(); }

int UsbScannerTransport::I2c_Read(uint8_t* buffer, int device, int first, int last) {
  ll::GetLastTarvelError(1);
  auto f = static_cast<uint8_t>(first), l = static_cast<uint8_t>(last);
  int result = ll::I2C_PROM_read(buffer, device, f, l);
  if (result != 0) result = ll::I2C_PROM_read(buffer, device, f, l);
  return result;
}

int UsbScannerTransport::I2c_Write(const uint8_t* data, int device, int first, int last) {
  return ll::I2C_PROM_write(data, device, static_cast<uint8_t>(first), static_cast<uint8_t>(last));
}

int UsbScannerTransport::I2c_WriteDac(int device, int value) { return ll::I2C_DACout(device, value); }

uint8_t UsbScannerTransport::I2c_ReadAdc(int device, int channel) {
  return static_cast<uint8_t>(ll::I2C_ADCread(device, channel));
}

uint32_t UsbScannerTransport::Dev_WordsOnHost() { return ll::HeldScanWords(); }
void UsbScannerTransport::Dev_DiscardHeldData() { ll::ClearReadBlock(); }

void UsbScannerTransport::Dev_WriteClockWord(uint16_t word) {
  auto edges = ClockWordEdges(word);
  ll::RegWriteBlock(reg::kClockShift, edges.data(), static_cast<int32_t>(edges.size()));
}

namespace {
void ClampLength(int32_t reported, uint16_t* length) {
  *length = reported >= 1 && reported <= 65535 ? static_cast<uint16_t>(reported) : 0;
}
}  // namespace

int Usb_LargePromRead(int device, int offset, uint8_t* buffer, uint16_t* length) {
  int32_t n = *length;
  int result = ll::I2C_LargePROMrd(device, offset, buffer, &n);
  ClampLength(n, length);
  return result;
}

int Usb_LargePromWrite(int device, int offset, const uint8_t* data, uint16_t* length) {
  int32_t n = *length;
  int result = ll::I2C_LargePROMwr(device, offset, data, &n);
  ClampLength(n, length);
  return result;
}

int Usb_VendorIn(uint8_t request, uint16_t value, uint8_t* buffer, uint32_t* length) {
  return ll::VendorRequestIn(request, value, 0, buffer, length);
}

int Usb_VendorOut(uint8_t request, uint16_t value, const uint8_t* data, uint32_t* length) {
  return ll::VendorRequestOut(request, value, 0, data, length);
}

}  // namespace tarvel
