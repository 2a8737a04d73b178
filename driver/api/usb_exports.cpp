// The low-level USB exports: thin wrappers over driver/device/usb/low_level.h;
// an exception (no memory) becomes the export's failure value.
#include "driver/api/current_session.h"
#include "driver/api/export_guard.h"
#include "driver/device/usb/low_level.h"
#include "driver/result_codes.h"
#include "driver/session/session.h"
#include "driver/tarvel_api.h"

int32_t TarvelInit_Interface() {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [] { return tarvel::usb::Init_Interface(); });
}
int32_t TarvelFree_Interface() {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [] { return tarvel::usb::Free_Interface(); });
}
int32_t TarvelInit_Firmware(int32_t check_first) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::Init_Firmware(check_first, tarvel::CurrentSession().log); });
}
int32_t TarvelGetFGPAStatus(uint8_t* buffer) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::GetFGPAStatus(buffer); });
}
int32_t TarvelRegRead(int32_t reg) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegRead(reg); });
}
int32_t TarvelRegReadShort(int32_t reg) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegReadShort(reg); });
}
int32_t TarvelRegReadShortInc(int32_t reg) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegReadShortInc(reg); });
}
uint32_t TarvelRegReadLong(int32_t reg) {
  return tarvel::Guarded(uint32_t(0u), [&] { return tarvel::usb::RegReadLong(reg); });
}
uint32_t TarvelRegReadLongInc(int32_t reg) {
  return tarvel::Guarded(uint32_t(0u), [&] { return tarvel::usb::RegReadLongInc(reg); });
}
int32_t TarvelRegWrite(int32_t reg, int32_t value) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWrite(reg, value); });
}
int32_t TarvelRegWriteShort(int32_t reg, int32_t value) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWriteShort(reg, value); });
}
int32_t TarvelRegWriteShortInc(int32_t reg, int32_t value) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWriteShortInc(reg, value); });
}
int32_t TarvelRegWriteLong(int32_t reg, uint32_t value) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWriteLong(reg, value); });
}
int32_t TarvelRegWriteLongInc(int32_t reg, uint32_t value) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWriteLongInc(reg, value); });
}
int32_t TarvelRegWriteBlock(int32_t reg, const uint8_t* data, int32_t length) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::RegWriteBlock(reg, data, length); });
}
int32_t TarvelReadBlock(void* buffer, int32_t length, int32_t* count) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::ReadBlock(buffer, length, count); });
}
int32_t TarvelClearReadBlock() {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [] { return tarvel::usb::ClearReadBlock(); });
}
int32_t TarvelI2C_PROM_read(uint8_t* buffer, int32_t device, uint8_t first, uint8_t last) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_PROM_read(buffer, device, first, last); });
}
int32_t TarvelI2C_PROM_write(const uint8_t* data, int32_t device, uint8_t first, uint8_t last) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_PROM_write(data, device, first, last); });
}
int32_t TarvelI2C_LargePROMrd(int32_t device, int32_t address, uint8_t* buffer, int32_t* length) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_LargePROMrd(device, address, buffer, length); });
}
int32_t TarvelI2C_LargePROMwr(int32_t device, int32_t address, const uint8_t* data, int32_t* length) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_LargePROMwr(device, address, data, length); });
}
int32_t TarvelI2C_DACout(int32_t device, int32_t value) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_DACout(device, value); });
}
int32_t TarvelI2C_ADCread(int32_t device, int32_t channel) {
  return tarvel::Guarded(int32_t(0), [&] { return tarvel::usb::I2C_ADCread(device, channel); });
}
int32_t TarvelI2C_TEMPinit(int32_t device, int32_t configuration) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::I2C_TEMPinit(device, configuration); });
}
int32_t TarvelI2C_TEMPread(int32_t device) {
  return tarvel::Guarded(int32_t(tarvel::usb::kTempFailure), [&] { return tarvel::usb::I2C_TEMPread(device); });
}
uint32_t TarvelAnz_ScanLine() {
  return tarvel::Guarded(uint32_t(tarvel::usb::kScanLineFailure), [] { return tarvel::usb::Anz_ScanLine(); });
}
int32_t TarvelPentamotor_init(int32_t value) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::Pentamotor_init(value); });
}
uint32_t TarvelGetUsbTimeout() {
  return tarvel::Guarded(uint32_t(0u), [] { return tarvel::usb::GetUsbTimeout(); });
}
int32_t TarvelSetUsbTimeout(uint32_t ms) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::SetUsbTimeout(ms); });
}
int32_t TarvelGetTarvelVersion(int16_t* first, int16_t* second, int16_t* library_api, int16_t* driver_api) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::GetTarvelVersion(first, second, library_api, driver_api); });
}
int32_t TarvelGetScanStatus(ScanStatus* status) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::GetScanStatus(status); });
}
int32_t TarvelGetTarvelErrorText(int32_t code, char* buffer, int32_t length) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::GetTarvelErrorText(code, buffer, length); });
}
int32_t TarvelGetLastTarvelError(int32_t clear) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES),
                         [&] { return tarvel::usb::GetLastTarvelError(clear); });
}
int32_t TarvelSetTraceMask(int32_t mask) {
  return tarvel::Guarded(int32_t(tarvel::KPU_STATUS_NO_RESOURCES), [&] { return tarvel::usb::SetTraceMask(mask); });
}
