#pragma once
#include <cstdint>
#include <string>

#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"

// The low-level USB operations behind the library's exports of the same
// names (the exports are thin wrappers in driver/api/): each works on the
// current device, found in the open-device list, and passes its result
// through the first-error store, all reached through `TheUsbDevices()`
// (usb_discovery.h). Without a device: -302 stored, and the
// operation's failure value.
namespace tarvel::usb {

int32_t Init_Interface();
int32_t Free_Interface();
int32_t Init_Firmware(int32_t check_first, LogSink& log);
int32_t GetFGPAStatus(uint8_t* buffer);
int32_t RegRead(int32_t reg);
int32_t RegReadShort(int32_t reg);
int32_t RegReadShortInc(int32_t reg);
uint32_t RegReadLong(int32_t reg);
uint32_t RegReadLongInc(int32_t reg);
int32_t RegWrite(int32_t reg, int32_t value);
int32_t RegWriteShort(int32_t reg, int32_t value);
int32_t RegWriteShortInc(int32_t reg, int32_t value);
int32_t RegWriteLong(int32_t reg, uint32_t value);
int32_t RegWriteLongInc(int32_t reg, uint32_t value);
int32_t RegWriteBlock(int32_t reg, const uint8_t* data, int32_t length);
int32_t ReadBlock(void* buffer, int32_t length, int32_t* count);
int32_t ClearReadBlock();
int32_t I2C_PROM_read(uint8_t* buffer, int32_t device, uint8_t first, uint8_t last);
int32_t I2C_PROM_write(const uint8_t* data, int32_t device, uint8_t first, uint8_t last);
int32_t I2C_LargePROMrd(int32_t device, int32_t address, uint8_t* buffer, int32_t* length);
int32_t I2C_LargePROMwr(int32_t device, int32_t address, const uint8_t* data, int32_t* length);
int32_t I2C_DACout(int32_t device, int32_t value);
int32_t I2C_ADCread(int32_t device, int32_t channel);
int32_t I2C_TEMPinit(int32_t device, int32_t configuration);
int32_t I2C_TEMPread(int32_t device);
uint32_t Anz_ScanLine();
int32_t Pentamotor_init(int32_t value);
uint32_t GetUsbTimeout();
int32_t SetUsbTimeout(uint32_t ms);
int32_t GetTarvelVersion(int16_t* first, int16_t* second, int16_t* library_api, int16_t* driver_api);
int32_t GetScanStatus(::ScanStatus* status);
int32_t GetTarvelErrorText(int32_t code, char* buffer, int32_t length);
int32_t GetLastTarvelError(int32_t clear);
int32_t SetTraceMask(int32_t mask);

// `Init_Firmware` with the design file given (empty: the built-in design);
// the export takes it from the ini file by the scanner type. Not an export.
int32_t ConfigureFirmware(int32_t check_first, const std::string& design_file, LogSink& log);

// 32-bit words of scan data the current device's reader has received and
// not yet handed out (0 without a device); not an export.
uint32_t HeldScanWords();

// A vendor request of the caller's choosing on the current device (not an
// export); *length in: bytes asked or sent, out: bytes moved.
int32_t VendorRequestIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* buffer, uint32_t* length);
int32_t VendorRequestOut(uint8_t request, uint16_t value, uint16_t index, const uint8_t* data, uint32_t* length);

// `_Anz_ScanLine@0` on failure (kept as written, not 0x80000000).
constexpr uint32_t kScanLineFailure = 0x8000000;
constexpr int32_t kTempFailure = -32768;
constexpr int16_t kLibraryApiVersion = 0x0104;

}  // namespace tarvel::usb
