#pragma once
#include <cstdint>
#include <string>

#include "driver/config/log_sink.h"
#include "driver/device/scanner_transport.h"
#include "driver/device/usb/usb_discovery.h"

// The USB transport: the one way to the scanners of a `UsbDevices`
// (usb_discovery.h). Every operation works on that object's current device
// (the one the interface initialisation opened, the session's or the
// application's) behind one gate: without an open current device it stores
// -302 and moves nothing.
//
// It has two faces over the same operations:
// - the USB operations, each giving a library status (KPU_STATUS_*, 0 on
//   success) that passed the first-error store once; the low-level exports
//   (low_level.h) are thin adapters over them;
// - the session's `ScannerTransport` operations, in that interface's
//   senses: statuses 0 or an error, register reads reporting failures only
//   through the store, which the status and I2C reads clear before they
//   start.
namespace tarvel {

namespace usb {
// What the line count and the temperature read give on failure, here and
// through their exports (`_Anz_ScanLine@0`: 0x8000000 as written, not
// 0x80000000).
constexpr uint32_t kScanLineFailure = 0x8000000;
constexpr int32_t kTempFailure = -32768;
}  // namespace usb

class UsbScannerTransport final : public ScannerTransport {
 public:
  // Logs the firmware configuration and what the device it opens has to
  // say to `log` when given.
  explicit UsbScannerTransport(usb::UsbDevices& devices, LogSink* log = nullptr)
      : devices_(devices), log_(log ? *log : null_log_) {}

  // ---- USB operations: library statuses ----
  // Probes the interface GUIDs in order and opens the first scanner found
  // as the current device, its scan-data reader running; the probe's
  // scanner type is kept also when the open fails. A failure closes the
  // current device.
  int OpenInterface();
  int CloseInterface();
  // Configures the FPGA from `design_file` (empty: the built-in design of
  // the scanner type), unless `check_first` is set, no file is named and a
  // design is loaded already.
  int ConfigureFirmware(int check_first, const std::string& design_file);
  int ReadFpgaStatus(uint8_t* status);  // 4 bytes
  // *value is 0 when the read failed.
  int ReadRegister(int reg, int bytes, bool increment, uint32_t* value);
  int WriteRegister(int reg, int bytes, bool increment, uint32_t value);
  int WriteRegisterBlock(int reg, const uint8_t* data, int32_t length);
  // The scan data the reader holds, at most `capacity` bytes; *count 0 on
  // any failure. Nothing waiting is KPU_STATUS_NO_DATA, which is no failure
  // and is stored nowhere.
  int ReadScanData(void* buffer, int32_t capacity, uint32_t* count);
  // Stops and restarts the scan-data reader, dropping what it holds.
  int RestartReader();
  // The I2C memories: *length in: bytes asked; out: bytes moved.
  int ReadProm(int device, int address, uint8_t* buffer, uint32_t* length);
  int WriteProm(int device, int address, const uint8_t* data, uint32_t* length);
  // Bytes first..last of an I2C memory; -301 when last < first.
  int ReadPromRange(uint8_t* buffer, int device, uint8_t first, uint8_t last);
  int WritePromRange(const uint8_t* data, int device, uint8_t first, uint8_t last);
  int ReadAdc(int device, int channel, uint8_t* value);
  int WriteDac(int device, int value);
  int SetUpTemperature(int device, int configuration);
  int ReadTemperature(int device, uint16_t* value);
  int ReadLineCount(uint32_t* count);
  int SetUpPolygon(int value);
  // The request time-out in ms, 0 on failure; neither this nor the set
  // (the driver's status, unmapped) stores anything, -302 included.
  uint32_t Timeout();
  int SetTimeout(uint32_t ms);
  // The firmware's two version words and the driver's API version; each
  // pointer may be null, and each is written only when its request succeeds.
  int ReadVersions(int16_t* first, int16_t* second, int16_t* driver_api);
  // The scanner's status record, its error field the store's content.
  int ReadScanStatus(ScanStatus* status);

  // ---- the session's transport ----
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
  bool Dev_ReadsAhead() const override { return true; }
  // The first failure the requests stored.
  int Dev_LostCode() override;
  // The first failed register read since the clear (its status), else 0;
  // the error store is left alone.
  void Dev_ClearNoAnswer() override { failed_read_ = 0; }
  int Dev_NoAnswer() override { return failed_read_; }

  // Vendor requests (index 0) and the large data PROMs, statuses of the
  // USB operations; the PROM length becomes 0 when the bytes moved lie
  // outside 1..65535.
  bool Dev_OffersUsbRequests() const override { return true; }
  int Dev_VendorIn(uint8_t request, uint16_t value, uint8_t* buffer, uint32_t* length) override;
  int Dev_VendorOut(uint8_t request, uint16_t value, const uint8_t* data, uint32_t* length) override;
  int Dev_LargePromRead(int device, int offset, uint8_t* buffer, uint16_t* length) override;
  int Dev_LargePromWrite(int device, int offset, const uint8_t* data, uint16_t* length) override;

 private:
  // Whether the gate stores -302 when there is no device.
  enum class NoDevice { kStored, kNotStored };
  // The gate of every device operation: `op(device)` on the current device
  // when it is open, having passed the list lock; else `failure`.
  template <class Result, class Op>
  Result OnCurrent(Result failure, Op&& op, NoDevice no_device = NoDevice::kStored);

  usb::UsbDevices& devices_;
  // The first connect found a device open (the application's, through the
  // low-level exports): it is used and left open at the disconnect.
  bool first_connect_ = true;
  bool borrowed_ = false;
  int failed_read_ = 0;  // see Dev_NoAnswer
  static inline NullLogSink null_log_;  // outlives the devices opened without a log
  LogSink& log_;
};

}  // namespace tarvel
