#include "driver/device/usb/low_level.h"

#include <string>

#include "driver/config/ini_file.h"
#include "driver/config/scanner_type.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_scanner_transport.h"
#include "driver/device/usb/usb_status.h"

// Each operation is the USB transport's of the same meaning on the devices
// given (usb_scanner_transport.h: its gate, its parameter checks, its
// passage through the first-error store), its status turned into what the
// export returns.
namespace tarvel::usb {
namespace {

// The transport of one call; `log` for what a device it opens has to say.
UsbScannerTransport Over(UsbDevices& devices, LogSink* log = nullptr) { return UsbScannerTransport(devices, log); }

uint32_t ReadReg(UsbDevices& devices, int32_t reg, int bytes, bool increment) {
  uint32_t value = 0;
  Over(devices).ReadRegister(reg, bytes, increment, &value);  // 0 when it failed
  return value;
}

// 1 on success, 0 on failure.
int32_t Succeeded(int32_t status) { return status == KPU_STATUS_SUCCESS ? 1 : 0; }

int32_t WriteReg(UsbDevices& devices, int32_t reg, int bytes, bool increment, uint32_t value) {
  return Succeeded(Over(devices).WriteRegister(reg, bytes, increment, value));
}

// A large-PROM transfer: a length that is null or not positive is refused
// by the transport (behind its gate); the caller's length changes only
// when it was positive.
template <class Transfer>
int32_t LargeProm(int32_t* length, Transfer transfer) {
  uint32_t n = length != nullptr && *length > 0 ? static_cast<uint32_t>(*length) : 0;
  const int32_t result = transfer(length != nullptr ? &n : nullptr);
  if (length != nullptr && *length > 0) *length = static_cast<int32_t>(n);
  return result;
}

}  // namespace

int32_t Init_Interface(UsbDevices& devices, LogSink& log) { return Over(devices, &log).OpenInterface(); }

int32_t Free_Interface(UsbDevices& devices) { return Over(devices).CloseInterface(); }

int32_t Init_Firmware(UsbDevices& devices, int32_t check_first, LogSink& log) {
  return ConfigureFirmware(devices, check_first, FpgaDesignFileName(Ini_Open(), devices.ScannerType()), log);
}

int32_t ConfigureFirmware(UsbDevices& devices, int32_t check_first, const std::string& file, LogSink& log) {
  return Over(devices, &log).ConfigureFirmware(check_first, file);
}

int32_t GetFGPAStatus(UsbDevices& devices, uint8_t* buffer) { return Over(devices).ReadFpgaStatus(buffer); }

int32_t RegRead(UsbDevices& d, int32_t reg) { return static_cast<int32_t>(ReadReg(d, reg, 1, false)); }
int32_t RegReadShort(UsbDevices& d, int32_t reg) { return static_cast<int32_t>(ReadReg(d, reg, 2, false)); }
int32_t RegReadShortInc(UsbDevices& d, int32_t reg) { return static_cast<int32_t>(ReadReg(d, reg, 2, true)); }
uint32_t RegReadLong(UsbDevices& d, int32_t reg) { return ReadReg(d, reg, 4, false); }
uint32_t RegReadLongInc(UsbDevices& d, int32_t reg) { return ReadReg(d, reg, 4, true); }
int32_t RegWrite(UsbDevices& d, int32_t reg, int32_t value) {
  return WriteReg(d, reg, 1, false, static_cast<uint32_t>(value));
}
int32_t RegWriteShort(UsbDevices& d, int32_t reg, int32_t value) {
  return WriteReg(d, reg, 2, false, static_cast<uint32_t>(value));
}
int32_t RegWriteShortInc(UsbDevices& d, int32_t reg, int32_t value) {
  return WriteReg(d, reg, 2, true, static_cast<uint32_t>(value));
}
int32_t RegWriteLong(UsbDevices& d, int32_t reg, uint32_t value) { return WriteReg(d, reg, 4, false, value); }
int32_t RegWriteLongInc(UsbDevices& d, int32_t reg, uint32_t value) { return WriteReg(d, reg, 4, true, value); }

int32_t RegWriteBlock(UsbDevices& devices, int32_t reg, const uint8_t* data, int32_t length) {
  return Succeeded(Over(devices).WriteRegisterBlock(reg, data, length));
}

// Nothing waiting is 0 with count 0; the export leaves -306 in the store.
int32_t ReadBlock(UsbDevices& devices, void* buffer, int32_t length, int32_t* count) {
  uint32_t got = 0;
  const int32_t result = Over(devices).ReadScanData(buffer, length, count != nullptr ? &got : nullptr);
  if (count) *count = static_cast<int32_t>(got);
  if (result == KPU_STATUS_NO_DATA) {
    devices.KeepFirstError(result);
    return KPU_STATUS_SUCCESS;
  }
  return result;
}

int32_t ClearReadBlock(UsbDevices& devices) { return Over(devices).RestartReader(); }

int32_t I2C_PROM_read(UsbDevices& devices, uint8_t* buffer, int32_t device, uint8_t first, uint8_t last) {
  return Over(devices).ReadPromRange(buffer, device, first, last);
}

int32_t I2C_PROM_write(UsbDevices& devices, const uint8_t* data, int32_t device, uint8_t first, uint8_t last) {
  return Over(devices).WritePromRange(data, device, first, last);
}

int32_t I2C_LargePROMrd(UsbDevices& devices, int32_t device, int32_t address, uint8_t* buffer, int32_t* length) {
  return LargeProm(length, [&](uint32_t* n) { return Over(devices).ReadProm(device, address, buffer, n); });
}

int32_t I2C_LargePROMwr(UsbDevices& devices, int32_t device, int32_t address, const uint8_t* data, int32_t* length) {
  return LargeProm(length, [&](uint32_t* n) { return Over(devices).WriteProm(device, address, data, n); });
}

int32_t I2C_DACout(UsbDevices& devices, int32_t device, int32_t value) { return Over(devices).WriteDac(device, value); }

int32_t I2C_ADCread(UsbDevices& devices, int32_t device, int32_t channel) {
  uint8_t value = 0;
  return Over(devices).ReadAdc(device, channel, &value) == KPU_STATUS_SUCCESS ? value : 0;
}

int32_t I2C_TEMPinit(UsbDevices& devices, int32_t device, int32_t configuration) {
  return Over(devices).SetUpTemperature(device, configuration);
}

int32_t I2C_TEMPread(UsbDevices& devices, int32_t device) {
  uint16_t value = 0;
  return Over(devices).ReadTemperature(device, &value) == KPU_STATUS_SUCCESS ? value : kTempFailure;
}

uint32_t Anz_ScanLine(UsbDevices& devices) {
  uint32_t count = 0;
  return Over(devices).ReadLineCount(&count) == KPU_STATUS_SUCCESS ? count : kScanLineFailure;
}

int32_t Pentamotor_init(UsbDevices& devices, int32_t value) { return Over(devices).SetUpPolygon(value); }

uint32_t GetUsbTimeout(UsbDevices& devices) { return Over(devices).Timeout(); }

int32_t SetUsbTimeout(UsbDevices& devices, uint32_t ms) { return Over(devices).SetTimeout(ms); }

int32_t GetTarvelVersion(UsbDevices& devices, int16_t* first, int16_t* second, int16_t* library_api,
                         int16_t* driver_api) {
  // Null pointers are skipped.
  if (library_api) *library_api = kLibraryApiVersion;
  if (first) *first = 0;
  if (second) *second = 0;
  if (driver_api) *driver_api = 0;
  return Over(devices).ReadVersions(first, second, driver_api);
}

int32_t GetScanStatus(UsbDevices& devices, ::ScanStatus* status) { return Over(devices).ReadScanStatus(status); }

int32_t GetTarvelErrorText(UsbDevices& devices, int32_t code, char* buffer, int32_t length) {
  if (buffer == nullptr || length < 80) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return devices.KeepFirstError(Get_ErrorText(buffer, length, code));
}

int32_t GetLastTarvelError(UsbDevices& devices, int32_t clear) { return devices.TakeLastError(clear); }

int32_t SetTraceMask(int32_t) { return KPU_STATUS_SUCCESS; }

}  // namespace tarvel::usb
