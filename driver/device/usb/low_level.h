#pragma once
#include <cstdint>
#include <string>

#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"
#include "driver/device/usb/usb_scanner_transport.h"  // the failure values kScanLineFailure, kTempFailure

// The low-level USB operations behind the library's exports of the same
// names (the exports are thin wrappers in driver/api/ over the library's):
// each is the USB transport's operation (usb_scanner_transport.h) on the
// current device of the `UsbDevices` it is given (usb_discovery.h), its
// status turned into the export's result; the result passed once through
// that object's first-error store. Without a device: -302 stored, and the
// operation's failure value.
namespace tarvel::usb {

class UsbDevices;

// The device opened logs to `log`, which outlives it.
int32_t Init_Interface(UsbDevices& devices, LogSink& log);
int32_t Free_Interface(UsbDevices& devices);
int32_t Init_Firmware(UsbDevices& devices, int32_t check_first, LogSink& log);
int32_t GetFGPAStatus(UsbDevices& devices, uint8_t* buffer);
int32_t RegRead(UsbDevices& devices, int32_t reg);
int32_t RegReadShort(UsbDevices& devices, int32_t reg);
int32_t RegReadShortInc(UsbDevices& devices, int32_t reg);
uint32_t RegReadLong(UsbDevices& devices, int32_t reg);
uint32_t RegReadLongInc(UsbDevices& devices, int32_t reg);
int32_t RegWrite(UsbDevices& devices, int32_t reg, int32_t value);
int32_t RegWriteShort(UsbDevices& devices, int32_t reg, int32_t value);
int32_t RegWriteShortInc(UsbDevices& devices, int32_t reg, int32_t value);
int32_t RegWriteLong(UsbDevices& devices, int32_t reg, uint32_t value);
int32_t RegWriteLongInc(UsbDevices& devices, int32_t reg, uint32_t value);
int32_t RegWriteBlock(UsbDevices& devices, int32_t reg, const uint8_t* data, int32_t length);
int32_t ReadBlock(UsbDevices& devices, void* buffer, int32_t length, int32_t* count);
int32_t ClearReadBlock(UsbDevices& devices);
int32_t I2C_PROM_read(UsbDevices& devices, uint8_t* buffer, int32_t device, uint8_t first, uint8_t last);
int32_t I2C_PROM_write(UsbDevices& devices, const uint8_t* data, int32_t device, uint8_t first, uint8_t last);
int32_t I2C_LargePROMrd(UsbDevices& devices, int32_t device, int32_t address, uint8_t* buffer, int32_t* length);
int32_t I2C_LargePROMwr(UsbDevices& devices, int32_t device, int32_t address, const uint8_t* data, int32_t* length);
int32_t I2C_DACout(UsbDevices& devices, int32_t device, int32_t value);
int32_t I2C_ADCread(UsbDevices& devices, int32_t device, int32_t channel);
int32_t I2C_TEMPinit(UsbDevices& devices, int32_t device, int32_t configuration);
int32_t I2C_TEMPread(UsbDevices& devices, int32_t device);
uint32_t Anz_ScanLine(UsbDevices& devices);
int32_t Pentamotor_init(UsbDevices& devices, int32_t value);
uint32_t GetUsbTimeout(UsbDevices& devices);
int32_t SetUsbTimeout(UsbDevices& devices, uint32_t ms);
int32_t GetTarvelVersion(UsbDevices& devices, int16_t* first, int16_t* second, int16_t* library_api,
                         int16_t* driver_api);
int32_t GetScanStatus(UsbDevices& devices, ::ScanStatus* status);
int32_t GetTarvelErrorText(UsbDevices& devices, int32_t code, char* buffer, int32_t length);
int32_t GetLastTarvelError(UsbDevices& devices, int32_t clear);
int32_t SetTraceMask(int32_t mask);

// `Init_Firmware` with the design file given (empty: the built-in design of
// the devices' scanner type); the export takes it from the ini file by that
// type. Not an export.
int32_t ConfigureFirmware(UsbDevices& devices, int32_t check_first, const std::string& design_file, LogSink& log);

constexpr int16_t kLibraryApiVersion = 0x0104;

}  // namespace tarvel::usb
