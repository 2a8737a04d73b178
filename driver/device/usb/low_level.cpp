#include "driver/device/usb/low_level.h"

#include <string>

#include "driver/config/ini_file.h"
#include "driver/config/scanner_type.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_fpga.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/device/usb/usb_status.h"
#include "platform/little_endian.h"
#include "platform/usb_driver.h"

// The device's operations pass their results through the first-error store
// themselves (usb_scanner.h); what is checked here is stored here.
namespace tarvel::usb {
namespace {

uint32_t ReadReg(UsbDevices& devices, int32_t reg, int bytes, bool increment) {
  UsbScanner* t = devices.UseCurrent();
  uint32_t value = 0;
  if (t != nullptr) t->RegRead(reg, bytes, increment, &value);  // 0 when it failed
  return value;
}

int32_t WriteReg(UsbDevices& devices, int32_t reg, int bytes, bool increment, uint32_t value) {
  UsbScanner* t = devices.UseCurrent();
  return t != nullptr && t->RegWrite(reg, bytes, increment, value) == KPU_STATUS_SUCCESS ? 1 : 0;
}

// An I2C memory range first..last; -301 stored when it is reversed.
int32_t CheckedRange(UsbDevices& devices, uint8_t first, uint8_t last, uint32_t* length) {
  if (last < first) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  *length = static_cast<uint32_t>(last - first + 1);
  return KPU_STATUS_SUCCESS;
}

}  // namespace

int32_t Init_Interface(UsbDevices& devices, LogSink& log) {
  int32_t result = KPU_STATUS_NO_DEVICES;
  for (int i = 0; i < kProbeCount; ++i) {
    const ProbeEntry& probe = ProbeTable()[i];
    int count = 0;
    result = devices.Count(&count, probe.guid);
    if (result == KPU_STATUS_SUCCESS && count > 0) {
      UsbScanner* handle = nullptr;
      result = devices.Open(&handle, probe.guid, 1, log);
      devices.SetCurrent(handle);
      devices.SetScannerType(probe.scanner_type);
      break;
    }
  }
  if (result != KPU_STATUS_SUCCESS) {
    devices.Close(devices.Current());
    return devices.KeepFirstError(result);
  }
  return KPU_STATUS_SUCCESS;
}

int32_t Free_Interface(UsbDevices& devices) {
  devices.Close(devices.Current());
  return KPU_STATUS_SUCCESS;
}

int32_t Init_Firmware(UsbDevices& devices, int32_t check_first, LogSink& log) {
  return ConfigureFirmware(devices, check_first, FpgaDesignFileName(Ini_Open(), devices.ScannerType()), log);
}

int32_t ConfigureFirmware(UsbDevices& devices, int32_t check_first, const std::string& file, LogSink& log) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (file.empty() && check_first != 0) {
    uint8_t status[4] = {};
    int32_t result = t->FpgaStatus(status);
    if (status[0] & 0x10) return result;
  }
  return Usb_ConfigureFpga(*t, file, devices.ScannerType(), log);
}

int32_t GetFGPAStatus(UsbDevices& devices, uint8_t* buffer) {
  if (buffer == nullptr) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->FpgaStatus(buffer);
}

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
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return 0;
  if (data == nullptr || length <= 0) {
    devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
    return 0;
  }
  return t->RegWriteBlock(reg, data, static_cast<uint32_t>(length)) == KPU_STATUS_SUCCESS ? 1 : 0;
}

int32_t ReadBlock(UsbDevices& devices, void* buffer, int32_t length, int32_t* count) {
  if (count) *count = 0;
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (buffer == nullptr || length <= 0 || count == nullptr) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t got = 0;
  int32_t result = t->ReadBlock(buffer, static_cast<uint32_t>(length), &got);
  // Nothing waiting is 0 with count 0; the export leaves -306 in the store.
  if (result == KPU_STATUS_NO_DATA) {
    devices.KeepFirstError(result);
    return KPU_STATUS_SUCCESS;
  }
  *count = static_cast<int32_t>(got);
  return result;
}

int32_t ClearReadBlock(UsbDevices& devices) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->ClearReader();
}

int32_t I2C_PROM_read(UsbDevices& devices, uint8_t* buffer, int32_t device, uint8_t first, uint8_t last) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  uint32_t n = 0;
  if (int32_t r = CheckedRange(devices, first, last, &n); r != KPU_STATUS_SUCCESS) return r;
  return t->PromRead(static_cast<uint8_t>(device), first, buffer, &n);
}

int32_t I2C_PROM_write(UsbDevices& devices, const uint8_t* data, int32_t device, uint8_t first, uint8_t last) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  uint32_t n = 0;
  if (int32_t r = CheckedRange(devices, first, last, &n); r != KPU_STATUS_SUCCESS) return r;
  return t->PromWrite(static_cast<uint8_t>(device), first, data, &n);
}

int32_t I2C_LargePROMrd(UsbDevices& devices, int32_t device, int32_t address, uint8_t* buffer, int32_t* length) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (length == nullptr || *length <= 0 || buffer == nullptr)
    return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(*length);
  int32_t result = t->PromRead(static_cast<uint8_t>(device), static_cast<uint16_t>(address), buffer, &n);
  *length = static_cast<int32_t>(n);
  return result;
}

int32_t I2C_LargePROMwr(UsbDevices& devices, int32_t device, int32_t address, const uint8_t* data, int32_t* length) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (length == nullptr || *length <= 0 || data == nullptr) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(*length);
  int32_t result = t->PromWrite(static_cast<uint8_t>(device), static_cast<uint16_t>(address), data, &n);
  *length = static_cast<int32_t>(n);
  return result;
}

int32_t I2C_DACout(UsbDevices& devices, int32_t device, int32_t value) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->WriteDac(static_cast<uint8_t>(device), static_cast<uint8_t>(value));
}

int32_t I2C_ADCread(UsbDevices& devices, int32_t device, int32_t channel) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return 0;
  uint8_t value = 0;
  return t->ReadAdc(static_cast<uint8_t>(device), static_cast<uint8_t>(channel), &value) == KPU_STATUS_SUCCESS ? value
                                                                                                               : 0;
}

int32_t I2C_TEMPinit(UsbDevices& devices, int32_t device, int32_t configuration) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->TempSetup(static_cast<uint8_t>(device), static_cast<uint16_t>(configuration));
}

int32_t I2C_TEMPread(UsbDevices& devices, int32_t device) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return kTempFailure;
  uint16_t value = 0;
  return t->ReadTemp(static_cast<uint8_t>(device), &value) == KPU_STATUS_SUCCESS ? value : kTempFailure;
}

uint32_t Anz_ScanLine(UsbDevices& devices) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return kScanLineFailure;
  uint32_t count = 0;
  return t->LineCount(&count) == KPU_STATUS_SUCCESS ? count : kScanLineFailure;
}

int32_t Pentamotor_init(UsbDevices& devices, int32_t value) {
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->PolygonSetup(static_cast<uint16_t>(value));
}

uint32_t GetUsbTimeout(UsbDevices& devices) {
  UsbScanner* t = devices.FindCurrent();
  if (t == nullptr) return 0;
  devices.PassLock();
  return t->GetTimeout();
}

int32_t SetUsbTimeout(UsbDevices& devices, uint32_t ms) {
  UsbScanner* t = devices.FindCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  devices.PassLock();
  return static_cast<int32_t>(t->SetTimeout(ms));
}

int32_t GetTarvelVersion(UsbDevices& devices, int16_t* first, int16_t* second, int16_t* library_api,
                         int16_t* driver_api) {
  // Null pointers are skipped.
  if (library_api) *library_api = kLibraryApiVersion;
  if (first) *first = 0;
  if (second) *second = 0;
  if (driver_api) *driver_api = 0;
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  uint8_t info[platform::usb::kDriverInfoSize] = {};
  if (t->DriverInfo(info) == 0 && driver_api) *driver_api = static_cast<int16_t>(platform::LoadLe(info, 2));
  uint8_t version[5] = {};
  int32_t result = t->Version(version);
  if (result == KPU_STATUS_SUCCESS) {
    if (first) *first = static_cast<int16_t>(platform::LoadLe(version + 2, 2));
    if (second) *second = static_cast<int16_t>(platform::LoadLe(version, 2));
  }
  return result;
}

int32_t GetScanStatus(UsbDevices& devices, ::ScanStatus* status) {
  if (status == nullptr) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  UsbScanner* t = devices.UseCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return t->ScanStatus(status);
}

int32_t GetTarvelErrorText(UsbDevices& devices, int32_t code, char* buffer, int32_t length) {
  if (buffer == nullptr || length < 80) return devices.KeepFirstError(KPU_STATUS_INVALID_PARAMETER);
  return devices.KeepFirstError(Get_ErrorText(buffer, length, code));
}

int32_t GetLastTarvelError(UsbDevices& devices, int32_t clear) { return devices.TakeLastError(clear); }

int32_t SetTraceMask(int32_t) { return KPU_STATUS_SUCCESS; }

}  // namespace tarvel::usb
