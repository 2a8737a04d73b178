#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/scanner_register_map.h"
#include "platform/sync.h"
#include "platform/usb_backend.h"
#include "simulator/scanner_model.h"

// The scanner's USB front end: one backend of the platform's USB
// kernel-driver stand-in, over the same hardware model as the parallel
// port. One configuration, interface 0, the bulk IN endpoint 0x82 carrying
// the scan-data stream, and the vendor requests 1-14 and 16-18 of the
// scanner's firmware, beside the standard requests of endpoint 0.
// simulator/README.md lists what each request does.
namespace sim {

using platform::usb::kScanDataEndpoint;
constexpr uint16_t kUsbVendorId = 0x4B58;
constexpr uint16_t kUsbProductId = 0x0050;

// Vendor request numbers (platform/scanner_register_map.h).
using enum platform::usb::VendorRequest;

// The scanner's own error codes (request 18).
constexpr int16_t kDevErrI2cWrite = -502;  // not acknowledged
constexpr int16_t kDevErrParam = -508;
constexpr int16_t kDevErrLength = -509;
constexpr int16_t kDevErrExecute = -510;
constexpr int16_t kDevErrNotImplemented = -999;

// One vendor request as the firmware saw it (for tests).
struct VendorAccess {
  bool in = false;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
  uint32_t length = 0;
  bool stalled = false;
};

class UsbScannerBackend : public platform::usb::UsbBackend,
                          public platform::usb::UsbDevice,
                          public std::enable_shared_from_this<UsbScannerBackend> {
 public:
  explicit UsbScannerBackend(std::shared_ptr<Scanner> scanner);
  ~UsbScannerBackend() override;
  UsbScannerBackend(const UsbScannerBackend&) = delete;
  UsbScannerBackend& operator=(const UsbScannerBackend&) = delete;

  // Backend
  std::vector<std::string> Enumerate(const std::string& guid) override;
  std::shared_ptr<platform::usb::UsbDevice> Open(const std::string& path, uint32_t* status) override;
  uint16_t ApiVersion() const override;
  uint32_t DriverFlags() const override;

  // Device
  uint32_t ControlIn(const platform::usb::ControlSetup& setup, void* data, uint32_t length, uint32_t* transferred,
                     uint32_t timeout_ms) override;
  uint32_t ControlOut(const platform::usb::ControlSetup& setup, const void* data, uint32_t length,
                      uint32_t* transferred, uint32_t timeout_ms) override;
  uint32_t SetConfiguration(uint16_t configuration_index, uint16_t interface, uint16_t alternate) override;
  uint32_t ClearConfiguration() override;
  uint32_t BulkSubmit(uint8_t endpoint, void* data, uint32_t length, platform::usb::BulkCompletion done) override;
  uint32_t AbortPipe(uint8_t endpoint) override;
  uint32_t ResetPipe(uint8_t endpoint) override;
  uint32_t ResetDevice() override;

  // Observation, for tests.
  Scanner& scanner() { return *scanner_; }
  std::string DevicePath() const { return path_; }
  // The most recent vendor requests: when the log holds its limit (default
  // 65536), its older half is dropped, so a long session stays bounded.
  std::vector<VendorAccess> Requests() const;
  void ClearRequests();
  void SetRequestLogLimit(size_t requests);
  // Label of the last design the FPGA accepted ("" when none): the text at
  // the start of the design's payload.
  std::string LoadedDesign() const;
  std::vector<uint32_t> FpgaPieceSizes() const;
  bool Configured() const;
  int PendingTransfers() const;
  int BulkTransfers() const;  // completed with data
  int BulkSubmits() const;  // submissions, refused ones included
  uint16_t PolygonValue() const;
  uint16_t FirmwareStart() const;
  std::map<uint16_t, uint8_t> FirmwareBytes() const;
  bool EndpointHalted() const;
  int DeviceResets() const;
  // Test control: unplug now (every request and transfer fails from now on).
  void Unplug();

 private:
  bool Gone();  // counts a request; true once unplugged
  // The device's lock for a control request. A bulk submission waiting for
  // the lock goes first: the host controller queues bulk reads beside
  // control traffic, so a caller polling without pause cannot hold the scan
  // data back (the lock is not fair by itself).
  std::unique_lock<std::recursive_mutex> RequestLock();
  uint32_t Stall(int16_t code);
  uint32_t HandleIn(const platform::usb::ControlSetup& s, uint8_t* data, uint32_t length, uint32_t* moved);
  uint32_t HandleOut(const platform::usb::ControlSetup& s, const uint8_t* data, uint32_t length, uint32_t* moved);
  // The standard requests of endpoint 0 (usb_standard_requests.cpp).
  uint32_t StandardIn(const platform::usb::ControlSetup& s, uint8_t* data, uint32_t length, uint32_t* moved);
  uint32_t StandardOut(const platform::usb::ControlSetup& s);
  // Completes pending transfers with the data waiting; true when it
  // delivered any.
  bool Pump();
  // The bus, from the first submission on: while a transfer is pending it
  // pumps once a frame, so that the transfer completes by itself when no
  // control request comes; while nothing arrives it looks less and less
  // often (bus_interval_), and with nothing pending it sleeps until a
  // submission.
  void BusLoop();

  struct Transfer {
    uint8_t* data;
    uint32_t length;
    platform::usb::BulkCompletion done;
  };

  std::shared_ptr<Scanner> scanner_;
  std::vector<std::string> guids_;
  std::string path_;
  mutable std::recursive_mutex mutex_;
  std::atomic<int> submitters_{0};  // bulk submissions waiting for mutex_
  bool configured_ = false;
  bool unplugged_ = false;
  uint64_t requests_seen_ = 0;  // every request since attach, for UnplugAfter
  int16_t device_error_ = 0;
  std::map<uint32_t, int> fail_left_;
  std::map<uint32_t, int> short_left_;
  std::map<uint32_t, int> timeout_left_;
  std::map<uint32_t, int> short_standard_left_;
  bool remote_wakeup_ = false;
  bool halted_ = false;  // endpoint 0x82
  int device_resets_ = 0;
  std::vector<VendorAccess> log_;
  size_t log_limit_ = size_t{1} << 16;
  std::deque<Transfer> pending_;
  std::vector<uint32_t> pump_words_;  // words for a host buffer not aligned for them
  std::thread bus_;  // started by the first submission
  platform::Event bus_wake_{false, false};
  std::chrono::milliseconds bus_interval_{1};
  bool bus_stop_ = false;
  int bulk_done_ = 0;
  int bulk_submits_ = 0;
  // FPGA download in pieces
  std::vector<uint8_t> design_;
  int next_piece_ = 0;
  std::vector<uint32_t> piece_sizes_;
  std::string loaded_design_;
  uint16_t polygon_ = 0;
  uint16_t firmware_start_ = 0;
  std::map<uint16_t, uint8_t> firmware_;
};

// Registers the USB front end for the scanner with the platform's USB
// stand-in (in place of any registered before) and returns it; DetachUsb
// removes every simulated front end the stand-in holds.
std::shared_ptr<UsbScannerBackend> AttachUsb(std::shared_ptr<Scanner> scanner);
void DetachUsb();

}  // namespace sim
