// The low-level USB exports: thin wrappers over driver/device/usb/low_level.h
// on the library's USB device state (library.h); an exception (no memory)
// becomes the export's failure value, and they take their turn with the
// session's calls.
#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/device/usb/low_level.h"
#include "driver/result_codes.h"
#include "driver/tarvel_api.h"

namespace {
tarvel::usb::UsbDevices& Devices() { return tarvel::Library().usb_devices; }

// The USB devices are the session's too: one call at a time, and a call
// from within another fails.
template <class Result, class Body>
Result LowLevel(Result on_failure, Body&& body) noexcept {
  return tarvel::SessionGuarded(on_failure, std::forward<Body>(body), on_failure);
}
}  // namespace

int32_t TarvelInit_Interface() {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [] { return tarvel::usb::Init_Interface(Devices(), tarvel::Library().session.log); });
}
int32_t TarvelFree_Interface() {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [] { return tarvel::usb::Free_Interface(Devices()); });
}
int32_t TarvelInit_Firmware(int32_t check_first) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::Init_Firmware(Devices(), check_first, tarvel::Library().session.log); });
}
int32_t TarvelGetFGPAStatus(uint8_t* buffer) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::GetFGPAStatus(Devices(), buffer); });
}
int32_t TarvelRegRead(int32_t reg) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegRead(Devices(), reg); });
}
int32_t TarvelRegReadShort(int32_t reg) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegReadShort(Devices(), reg); });
}
int32_t TarvelRegReadShortInc(int32_t reg) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegReadShortInc(Devices(), reg); });
}
uint32_t TarvelRegReadLong(int32_t reg) {
  return LowLevel(uint32_t(0u), [&] { return tarvel::usb::RegReadLong(Devices(), reg); });
}
uint32_t TarvelRegReadLongInc(int32_t reg) {
  return LowLevel(uint32_t(0u), [&] { return tarvel::usb::RegReadLongInc(Devices(), reg); });
}
int32_t TarvelRegWrite(int32_t reg, int32_t value) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWrite(Devices(), reg, value); });
}
int32_t TarvelRegWriteShort(int32_t reg, int32_t value) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWriteShort(Devices(), reg, value); });
}
int32_t TarvelRegWriteShortInc(int32_t reg, int32_t value) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWriteShortInc(Devices(), reg, value); });
}
int32_t TarvelRegWriteLong(int32_t reg, uint32_t value) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWriteLong(Devices(), reg, value); });
}
int32_t TarvelRegWriteLongInc(int32_t reg, uint32_t value) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWriteLongInc(Devices(), reg, value); });
}
int32_t TarvelRegWriteBlock(int32_t reg, const uint8_t* data, int32_t length) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::RegWriteBlock(Devices(), reg, data, length); });
}
int32_t TarvelReadBlock(void* buffer, int32_t length, int32_t* count) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::ReadBlock(Devices(), buffer, length, count); });
}
int32_t TarvelClearReadBlock() {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [] { return tarvel::usb::ClearReadBlock(Devices()); });
}
int32_t TarvelI2C_PROM_read(uint8_t* buffer, int32_t device, uint8_t first, uint8_t last) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_PROM_read(Devices(), buffer, device, first, last); });
}
int32_t TarvelI2C_PROM_write(const uint8_t* data, int32_t device, uint8_t first, uint8_t last) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_PROM_write(Devices(), data, device, first, last); });
}
int32_t TarvelI2C_LargePROMrd(int32_t device, int32_t address, uint8_t* buffer, int32_t* length) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_LargePROMrd(Devices(), device, address, buffer, length); });
}
int32_t TarvelI2C_LargePROMwr(int32_t device, int32_t address, const uint8_t* data, int32_t* length) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_LargePROMwr(Devices(), device, address, data, length); });
}
int32_t TarvelI2C_DACout(int32_t device, int32_t value) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_DACout(Devices(), device, value); });
}
int32_t TarvelI2C_ADCread(int32_t device, int32_t channel) {
  return LowLevel(int32_t(0), [&] { return tarvel::usb::I2C_ADCread(Devices(), device, channel); });
}
int32_t TarvelI2C_TEMPinit(int32_t device, int32_t configuration) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::I2C_TEMPinit(Devices(), device, configuration); });
}
int32_t TarvelI2C_TEMPread(int32_t device) {
  return LowLevel(int32_t(tarvel::usb::kTempFailure), [&] { return tarvel::usb::I2C_TEMPread(Devices(), device); });
}
uint32_t TarvelAnz_ScanLine() {
  return LowLevel(uint32_t(tarvel::usb::kScanLineFailure), [] { return tarvel::usb::Anz_ScanLine(Devices()); });
}
int32_t TarvelPentamotor_init(int32_t value) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::Pentamotor_init(Devices(), value); });
}
uint32_t TarvelGetUsbTimeout() {
  return LowLevel(uint32_t(0u), [] { return tarvel::usb::GetUsbTimeout(Devices()); });
}
int32_t TarvelSetUsbTimeout(uint32_t ms) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::SetUsbTimeout(Devices(), ms); });
}
int32_t TarvelGetTarvelVersion(int16_t* first, int16_t* second, int16_t* library_api, int16_t* driver_api) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::GetTarvelVersion(Devices(), first, second, library_api, driver_api); });
}
int32_t TarvelGetScanStatus(ScanStatus* status) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::GetScanStatus(Devices(), status); });
}
int32_t TarvelGetTarvelErrorText(int32_t code, char* buffer, int32_t length) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::GetTarvelErrorText(Devices(), code, buffer, length); });
}
int32_t TarvelGetLastTarvelError(int32_t clear) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                  [&] { return tarvel::usb::GetLastTarvelError(Devices(), clear); });
}
int32_t TarvelSetTraceMask(int32_t mask) {
  return LowLevel(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::SetTraceMask(mask); });
}
