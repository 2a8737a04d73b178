#pragma once
#include <cstdint>
#include <vector>

#include "driver/config/log_sink.h"
#include "driver/config/tarvel_records.h"
#include "driver/device/usb/usb_bulk_reader.h"
#include "driver/device/usb/usbio_device.h"
#include "platform/scanner_register_map.h"

// `UsbScanner`: one opened USB scanner: the configured device, its request
// time-out and the scan-data reader on endpoint 0x82, and the scanner's
// vendor requests. Every result is a library status code passed through the
// first-error store of the `UsbDevices` that opened it (usb_discovery.h),
// but a block read that finds nothing waiting (KPU_STATUS_NO_DATA), which
// stores nothing. Its one caller above this layer is the USB transport
// (usb_scanner_transport.h).
namespace tarvel::usb {

using platform::usb::kScanDataEndpoint;
constexpr uint32_t kMaxPiece = 512;

// Vendor request numbers (platform/scanner_register_map.h).
using enum platform::usb::VendorRequest;

// The scan-data transfers for the system and driver (asked for 10 x 32768).
struct TransferSizing {
  uint32_t count;
  uint32_t size;
};
TransferSizing ChooseTransfers(unsigned os_major, unsigned os_minor, const char* service_pack, bool driver_flag,
                               uint32_t asked_count, uint32_t asked_size);

class UsbDevices;

class UsbScanner : public UsbIoDevice {
 public:
  explicit UsbScanner(UsbDevices& devices) : devices_(devices) {}
  ~UsbScanner() override { Close(); }

  // The scan-data reader logs to `log`, which outlives the open device.
  int Open(int number, platform::DeviceInfoHandle set, const platform::Guid* guid, int start, LogSink& log);
  int Close();
  int DeviceNumber() const { return number_; }
  UsbBulkReader& Reader() { return reader_; }
  UsbDevices& Devices() { return devices_; }

  // Vendor requests; *length in: asked, out: moved.
  int VendorIn(uint8_t request, uint16_t value, uint16_t index, void* buffer, uint32_t* length);
  int VendorOut(uint8_t request, uint16_t value, uint16_t index, const void* data, uint32_t* length);
  int FetchDeviceError();

  int PromRead(uint8_t device, uint16_t address, uint8_t* buffer, uint32_t* length);
  int PromWrite(uint8_t device, uint16_t address, const uint8_t* data, uint32_t* length);
  int RegRead(int reg, int bytes, bool increment, uint32_t* value);
  int RegWrite(int reg, int bytes, bool increment, uint32_t value);
  int RegWriteBlock(int reg, const uint8_t* data, uint32_t length);
  int ReadAdc(uint8_t device, uint8_t channel, uint8_t* value);
  int WriteDac(uint8_t device, uint8_t value);
  int TempSetup(uint8_t device, uint16_t configuration);
  int ReadTemp(uint8_t device, uint16_t* value);
  int LineCount(uint32_t* count);
  int PolygonSetup(uint16_t value);
  int Version(uint8_t record[5]);
  int FpgaStatus(uint8_t status[4]);
  int ScanStatus(::ScanStatus* record);
  int ReadBlock(void* buffer, uint32_t length, uint32_t* count);
  int StartReader();
  int StopReader();
  int ClearReader();
  uint32_t GetTimeout();
  uint32_t SetTimeout(uint32_t ms);  // the driver's status, unmapped

  int SendFpgaDesign(const uint8_t* data, size_t length);
  int LoadFirmwareHex(const char* path, uint16_t first_offset, uint16_t start_address);

 private:
  int Configure();
  UsbDevices& devices_;
  UsbBulkReader reader_;
  int number_ = -1;
  uint16_t alternate_ = 0;
  uint8_t endpoint_ = kScanDataEndpoint;
  uint32_t timeout_ms_ = 1000;
};

}  // namespace tarvel::usb
