#include "driver/device/usb/low_level.h"

#include <algorithm>
#include <string>

#include "driver/config/ini_file.h"
#include "driver/config/scanner_type.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_fpga.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/device/usb/usb_status.h"
#include "platform/little_endian.h"
#include "platform/usb_driver.h"

namespace tarvel::usb {
namespace {

// The export gate: the current device when it is open (having passed the
// list lock), else null with -302 stored.
UsbScanner* Device() {
  UsbDevices& devices = TheUsbDevices();
  UsbScanner* t = devices.Find(devices.Current());
  if (t == nullptr) {
    devices.KeepFirstError(KPU_STATUS_INVALID_HANDLE);
    return nullptr;
  }
  devices.PassLock();
  return t;
}

// The current device when it is open, without passing the list lock.
UsbScanner* OpenCurrent() {
  UsbDevices& devices = TheUsbDevices();
  return devices.Find(devices.Current());
}

uint32_t ReadReg(int32_t reg, int bytes, bool increment) {
  UsbScanner* t = Device();
  if (t == nullptr) return 0;
  uint32_t value = 0;
  return Keep_FirstError(t->RegRead(reg, bytes, increment, &value)) == KPU_STATUS_SUCCESS ? value : 0;
}

int32_t WriteReg(int32_t reg, int bytes, bool increment, uint32_t value) {
  UsbScanner* t = Device();
  if (t == nullptr) return 0;
  return Keep_FirstError(t->RegWrite(reg, bytes, increment, value)) == KPU_STATUS_SUCCESS ? 1 : 0;
}

}  // namespace

int32_t Init_Interface() {
  UsbDevices& devices = TheUsbDevices();
  int32_t result = KPU_STATUS_NO_DEVICES;
  for (int i = 0; i < kProbeCount; ++i) {
    const ProbeEntry& probe = ProbeTable()[i];
    int count = 0;
    result = devices.Count(&count, probe.guid);
    if (result == KPU_STATUS_SUCCESS && count > 0) {
      UsbScanner* handle = nullptr;
      result = devices.Open(&handle, probe.guid, 1);
      devices.SetCurrent(handle);
      SetScannerType(probe.scanner_type);
      break;
    }
  }
  if (result != KPU_STATUS_SUCCESS) {
    devices.Close(devices.Current());
    return devices.KeepFirstError(result);
  }
  return KPU_STATUS_SUCCESS;
}

int32_t Free_Interface() {
  UsbDevices& devices = TheUsbDevices();
  devices.Close(devices.Current());
  return KPU_STATUS_SUCCESS;
}

int32_t Init_Firmware(int32_t check_first, LogSink& log) {
  return ConfigureFirmware(check_first, FpgaDesignFileName(Ini_Open(), ScannerType()), log);
}

int32_t ConfigureFirmware(int32_t check_first, const std::string& file, LogSink& log) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (file.empty() && check_first != 0) {
    uint8_t status[4] = {};
    int32_t result = t->FpgaStatus(status);
    if (status[0] & 0x10) return Keep_FirstError(result);
  }
  return Keep_FirstError(Usb_ConfigureFpga(*t, file, ScannerType(), log));
}

int32_t GetFGPAStatus(uint8_t* buffer) {
  if (buffer == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->FpgaStatus(buffer));
}

int32_t RegRead(int32_t reg) { return static_cast<int32_t>(ReadReg(reg, 1, false)); }
int32_t RegReadShort(int32_t reg) { return static_cast<int32_t>(ReadReg(reg, 2, false)); }
int32_t RegReadShortInc(int32_t reg) { return static_cast<int32_t>(ReadReg(reg, 2, true)); }
uint32_t RegReadLong(int32_t reg) { return ReadReg(reg, 4, false); }
uint32_t RegReadLongInc(int32_t reg) { return ReadReg(reg, 4, true); }
int32_t RegWrite(int32_t reg, int32_t value) { return WriteReg(reg, 1, false, static_cast<uint32_t>(value)); }
int32_t RegWriteShort(int32_t reg, int32_t value) { return WriteReg(reg, 2, false, static_cast<uint32_t>(value)); }
int32_t RegWriteShortInc(int32_t reg, int32_t value) { return WriteReg(reg, 2, true, static_cast<uint32_t>(value)); }
int32_t RegWriteLong(int32_t reg, uint32_t value) { return WriteReg(reg, 4, false, value); }
int32_t RegWriteLongInc(int32_t reg, uint32_t value) { return WriteReg(reg, 4, true, value); }

int32_t RegWriteBlock(int32_t reg, const uint8_t* data, int32_t length) {
  UsbScanner* t = Device();
  if (t == nullptr) return 0;
  if (data == nullptr || length <= 0)
    return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER) == KPU_STATUS_SUCCESS ? 1 : 0;
  return Keep_FirstError(t->RegWriteBlock(reg, data, static_cast<uint32_t>(length))) == KPU_STATUS_SUCCESS ? 1 : 0;
}

int32_t ReadBlock(void* buffer, int32_t length, int32_t* count) {
  if (count) *count = 0;
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (buffer == nullptr || length <= 0 || count == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t got = 0;
  // The device's read has passed its result through the first-error store.
  int32_t result = t->ReadBlock(buffer, static_cast<uint32_t>(length), &got);
  if (result == KPU_STATUS_NO_DATA) return KPU_STATUS_SUCCESS;
  *count = static_cast<int32_t>(got);
  return result;
}

int32_t ClearReadBlock() {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->ClearReader());
}

int32_t I2C_PROM_read(uint8_t* buffer, int32_t device, uint8_t first, uint8_t last) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (last < first) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(last - first + 1);
  return Keep_FirstError(t->PromRead(static_cast<uint8_t>(device), first, buffer, &n));
}

int32_t I2C_PROM_write(const uint8_t* data, int32_t device, uint8_t first, uint8_t last) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (last < first) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(last - first + 1);
  return Keep_FirstError(t->PromWrite(static_cast<uint8_t>(device), first, data, &n));
}

int32_t I2C_LargePROMrd(int32_t device, int32_t address, uint8_t* buffer, int32_t* length) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (length == nullptr || *length <= 0 || buffer == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(*length);
  int32_t result = t->PromRead(static_cast<uint8_t>(device), static_cast<uint16_t>(address), buffer, &n);
  *length = static_cast<int32_t>(n);
  return Keep_FirstError(result);
}

int32_t I2C_LargePROMwr(int32_t device, int32_t address, const uint8_t* data, int32_t* length) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  if (length == nullptr || *length <= 0 || data == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  uint32_t n = static_cast<uint32_t>(*length);
  int32_t result = t->PromWrite(static_cast<uint8_t>(device), static_cast<uint16_t>(address), data, &n);
  *length = static_cast<int32_t>(n);
  return Keep_FirstError(result);
}

int32_t I2C_DACout(int32_t device, int32_t value) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->WriteDac(static_cast<uint8_t>(device), static_cast<uint8_t>(value)));
}

int32_t I2C_ADCread(int32_t device, int32_t channel) {
  UsbScanner* t = Device();
  if (t == nullptr) return 0;
  uint8_t value = 0;
  return Keep_FirstError(t->ReadAdc(static_cast<uint8_t>(device), static_cast<uint8_t>(channel), &value)) ==
                 KPU_STATUS_SUCCESS
             ? value
             : 0;
}

int32_t I2C_TEMPinit(int32_t device, int32_t configuration) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->TempSetup(static_cast<uint8_t>(device), static_cast<uint16_t>(configuration)));
}

int32_t I2C_TEMPread(int32_t device) {
  UsbScanner* t = Device();
  if (t == nullptr) return kTempFailure;
  uint16_t value = 0;
  return Keep_FirstError(t->ReadTemp(static_cast<uint8_t>(device), &value)) == KPU_STATUS_SUCCESS ? value
                                                                                                  : kTempFailure;
}

uint32_t Anz_ScanLine() {
  UsbScanner* t = Device();
  if (t == nullptr) return kScanLineFailure;
  uint32_t count = 0;
  return Keep_FirstError(t->LineCount(&count)) == KPU_STATUS_SUCCESS ? count : kScanLineFailure;
}

int32_t Pentamotor_init(int32_t value) {
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->PolygonSetup(static_cast<uint16_t>(value)));
}

uint32_t GetUsbTimeout() {
  UsbScanner* t = OpenCurrent();
  if (t == nullptr) return 0;
  TheUsbDevices().PassLock();
  return t->GetTimeout();
}

int32_t SetUsbTimeout(uint32_t ms) {
  UsbScanner* t = OpenCurrent();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  TheUsbDevices().PassLock();
  return static_cast<int32_t>(t->SetTimeout(ms));
}

int32_t GetTarvelVersion(int16_t* first, int16_t* second, int16_t* library_api, int16_t* driver_api) {
  // Null pointers are skipped.
  if (library_api) *library_api = kLibraryApiVersion;
  if (first) *first = 0;
  if (second) *second = 0;
  if (driver_api) *driver_api = 0;
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  uint8_t info[platform::usb::kDriverInfoSize] = {};
  if (t->DriverInfo(info) == 0 && driver_api) *driver_api = static_cast<int16_t>(platform::LoadLe(info, 2));
  uint8_t version[5] = {};
  int32_t result = t->Version(version);
  if (result == KPU_STATUS_SUCCESS) {
    if (first) *first = static_cast<int16_t>(platform::LoadLe(version + 2, 2));
    if (second) *second = static_cast<int16_t>(platform::LoadLe(version, 2));
  }
  return Keep_FirstError(result);
}

int32_t GetScanStatus(::ScanStatus* status) {
  if (status == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  UsbScanner* t = Device();
  if (t == nullptr) return KPU_STATUS_INVALID_HANDLE;
  return Keep_FirstError(t->ScanStatus(status));
}

int32_t GetTarvelErrorText(int32_t code, char* buffer, int32_t length) {
  if (buffer == nullptr || length < 80) return Keep_FirstError(KPU_STATUS_INVALID_PARAMETER);
  return Keep_FirstError(Get_ErrorText(buffer, length, code));
}

int32_t GetLastTarvelError(int32_t clear) { return TheUsbDevices().TakeLastError(clear); }

int32_t SetTraceMask(int32_t) { return KPU_STATUS_SUCCESS; }

int32_t VendorRequestIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer, uint32_t* length) {
  UsbScanner* t = Device();
  if (t == nullptr) {
    *length = 0;
    return KPU_STATUS_INVALID_HANDLE;
  }
  return t->VendorIn(request, value, index, buffer, length);
}

int32_t VendorRequestOut(uint8_t request, uint16_t value, uint16_t index, const uint8_t* data, uint32_t* length) {
  UsbScanner* t = Device();
  if (t == nullptr) {
    *length = 0;
    return KPU_STATUS_INVALID_HANDLE;
  }
  return t->VendorOut(request, value, index, data, length);
}

uint32_t HeldScanWords() {
  UsbScanner* t = OpenCurrent();
  return t ? static_cast<uint32_t>(std::min<uint64_t>(t->Reader().BytesHeld() / 4, 0x7FFFFFFF)) : 0;
}

}  // namespace tarvel::usb
