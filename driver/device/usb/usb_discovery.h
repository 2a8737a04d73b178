#pragma once
#include <cstdint>
#include <list>
#include <memory>

#include "driver/config/log_sink.h"
#include "driver/config/scanner_type.h"
#include "platform/device_setup.h"
#include "platform/guid.h"
#include "platform/sync.h"

// The scanner's device-interface GUIDs in probe order with the scanner type
// each gives, and `UsbDevices`: the list of open USB devices under its one
// lock, the current device, the scanner type of the probe that found it and
// the first-error store.
namespace tarvel::usb {

class SetupApiLibrary;
class UsbScanner;

struct ProbeEntry {
  platform::Guid guid;
  int scanner_type;
};
constexpr int kProbeCount = 22;
const ProbeEntry* ProbeTable();  // kProbeCount entries

// The USB path's state over the device-setup binding it is given, which
// outlives it. Its end closes what is still open and releases the binding.
// The library's instance is a member of the library's state (driver/api/),
// built at load and destroyed at unload. The low-level operations
// (low_level.h), the exports over them, a session and its USB transport are
// handed the instance they work on, so those over the same one share its
// current device.
class UsbDevices {
 public:
  explicit UsbDevices(SetupApiLibrary& setup_api);
  ~UsbDevices();
  UsbDevices(const UsbDevices&) = delete;
  UsbDevices& operator=(const UsbDevices&) = delete;

  int Count(int* count, const platform::Guid& guid);
  // The device logs to `log`, which outlives it.
  int Open(UsbScanner** handle, const platform::Guid& guid, int start, LogSink& log);
  int Close(UsbScanner* handle);
  // The handle when it is in the list, else null.
  UsbScanner* Find(UsbScanner* handle) const;
  // Takes and at once releases the list lock (waits while a discovery or an
  // open is under way).
  void PassLock();
  // What library unload does: destroys the last discovery's set and
  // releases the discovery library (bound again by the next discovery).
  void ReleaseDiscovery();
  int OpenCount() const { return static_cast<int>(devices_.size()); }
  // The binding the discoveries and the device opens look up through.
  SetupApiLibrary& SetupApi() { return setup_api_; }

  // The current device (opened by the interface initialisation).
  UsbScanner* Current() const { return current_; }
  void SetCurrent(UsbScanner* handle) { current_ = handle; }
  // The current device when it is open, else null (the USB transport's
  // gate, usb_scanner_transport.h, asks it before every device operation).
  UsbScanner* FindCurrent() const { return Find(current_); }

  // The scanner type of the probe that found a device at the last interface
  // initialisation (kept also when the open failed); undefined (18) when it
  // found none. It chooses the FPGA design of the device.
  int ScannerType() const { return scanner_type_; }
  void SetScannerType(int type) { scanner_type_ = type; }

  // The first-error store: `KeepFirstError` fills it when it is empty and
  // returns the status unchanged; `TakeLastError` returns it and empties it
  // when the low byte of `clear` is nonzero. No lock: the exports are
  // called from one thread.
  int32_t KeepFirstError(int32_t status);
  int32_t TakeLastError(int32_t clear);

 private:
  SetupApiLibrary& setup_api_;
  platform::CriticalSection lock_;
  std::list<std::unique_ptr<UsbScanner>> devices_;
  UsbScanner* current_ = nullptr;
  int scanner_type_ = kScannerTypeUndefined;
  platform::DeviceInfoHandle set_ = nullptr;
  int found_ = 0;
  int32_t first_error_ = 0;
};

}  // namespace tarvel::usb
