#pragma once
#include <cstdint>

#include "driver/config/log_sink.h"
#include "driver/device/scanner_transport.h"
#include "driver/device/usb/usb_discovery.h"

// The transport of a session on a USB scanner: each device operation works
// on the current device of the `UsbDevices` it was made over (the one the
// interface initialisation opened), its result passing that object's
// first-error store once. Register reads report failures only through the
// store, which the status and I2C reads clear before they start.
namespace tarvel {

class UsbScannerTransport final : public ScannerTransport {
 public:
  // Logs the firmware configuration and what the device it opens has to
  // say to `log` when given.
  explicit UsbScannerTransport(usb::UsbDevices& devices, LogSink* log = nullptr)
      : devices_(devices), log_(log ? *log : null_log_) {}

  int InterfaceKind() const override { return kInterfaceUsb; }
  // The device state holds the device; there is no handle of our own.
  bool HandleValid() const override { return true; }

  void Dev_Open() override;
  bool Dev_IsReady() override;
  int Dev_Connect() override;
  int Dev_ConfigureFpga(int keep) override;
  int Dev_Disconnect() override;
  uint8_t Reg_Read8(int reg) override;
  uint16_t Reg_Read16(int reg) override;
  uint32_t Reg_Read32(int reg) override;
  int Reg_Write8(int reg, int value) override;
  int Reg_Write16(int reg, int value) override;
  int Reg_Write32(int reg, uint32_t value) override;
  int Dev_ReadBlock(void* buffer, uint32_t capacity, uint32_t* count) override;
  int Dev_GetScanStatus(ScanStatus* status) override;
  void I2c_InitTemp(int device, int16_t limit) override;
  int16_t I2c_ReadTemp(int device) override;
  uint32_t Dev_ReadLineCounter() override;
  int I2c_Read(uint8_t* buffer, int device, int first, int last) override;
  int I2c_Write(const uint8_t* data, int device, int first, int last) override;
  int I2c_WriteDac(int device, int value) override;
  uint8_t I2c_ReadAdc(int device, int channel) override;
  // The 44 edges of the word as one block write to the clock register.
  void Dev_WriteClockWord(uint16_t word) override;
  // What the pipe reader holds.
  uint32_t Dev_WordsOnHost() override;
  // Stops and restarts the scan-data reader.
  void Dev_DiscardHeldData() override;
  void Dev_PauseReadAhead() override;
  void Dev_ResumeReadAhead() override;
  bool Dev_WaitForData(uint32_t ms) override;
  // The first failure the requests stored.
  int Dev_LostCode() override;

  // The large data PROMs: *length in: bytes asked; out: the bytes moved
  // when 1..65535, else 0. The export's status.
  int LargePromRead(int device, int offset, uint8_t* buffer, uint16_t* length);
  int LargePromWrite(int device, int offset, const uint8_t* data, uint16_t* length);

  // A vendor request to the scanner (index 0): *length in: bytes asked or
  // sent; out: bytes moved. The transport's status.
  int VendorIn(uint8_t request, uint16_t value, uint8_t* buffer, uint32_t* length);
  int VendorOut(uint8_t request, uint16_t value, const uint8_t* data, uint32_t* length);

 private:
  uint32_t ReadRegister(int reg, int bytes);
  int WriteRegister(int reg, int bytes, uint32_t value);

  usb::UsbDevices& devices_;
  // The first connect found a device open (the application's, through the
  // low-level exports): it is used and left open at the disconnect.
  bool first_connect_ = true;
  bool borrowed_ = false;
  static inline NullLogSink null_log_;  // outlives the devices opened without a log
  LogSink& log_;
};

// The transport as the USB one, else null.
UsbScannerTransport* AsUsbTransport(ScannerTransport& transport);

}  // namespace tarvel
