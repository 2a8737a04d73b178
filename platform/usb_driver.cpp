#include "platform/usb_driver.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/kernel_device.h"
#include "platform/usb_backend.h"

namespace platform::usb {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::shared_ptr<UsbBackend>> backends;
  bool installed = false;
};

Registry& TheRegistry() {
  static Registry* r = new Registry;
  return *r;
}

uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}
void PutLe(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Pending bulk reads of one device file, so that cancelling and closing can
// wait until each has completed.
struct PendingReads {
  std::mutex mutex;
  std::condition_variable done;
  int count = 0;
};

class UsbFile : public DeviceFile {
 public:
  UsbFile(std::shared_ptr<UsbBackend> backend, std::shared_ptr<UsbDevice> device)
      : backend_(std::move(backend)), device_(std::move(device)), pending_(std::make_shared<PendingReads>()) {}
  ~UsbFile() override { CancelIo(); }

  uint32_t Control(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                   uint32_t* returned) override;
  uint32_t Read(void* buffer, uint32_t length, Overlapped* overlapped) override;
  void CancelIo() override {
    if (endpoint_ != 0) {
      bool any;
      {
        std::lock_guard<std::mutex> lock(pending_->mutex);
        any = pending_->count > 0;
      }
      if (any) device_->AbortPipe(endpoint_);
    }
    std::unique_lock<std::mutex> lock(pending_->mutex);
    pending_->done.wait(lock, [&] { return pending_->count == 0; });
  }

 private:
  std::shared_ptr<UsbBackend> backend_;
  std::shared_ptr<UsbDevice> device_;
  std::shared_ptr<PendingReads> pending_;
  uint8_t endpoint_ = 0;
  uint32_t timeout_ms_ = kDefaultRequestTimeoutMs;
  uint32_t timeout_options_ = 0;
};

uint32_t UsbFile::Control(uint32_t code, const void* in_v, uint32_t in_len, void* out_v, uint32_t out_len,
                          uint32_t* returned) {
  const auto* in = static_cast<const uint8_t*>(in_v);
  auto* out = static_cast<uint8_t*>(out_v);
  *returned = 0;
  auto setup = [&](ControlSetup* s) {
    s->flags = Le(in, 4);
    s->type = Le(in + 4, 4);
    s->recipient = Le(in + 8, 4);
    s->request = in[13];
    s->value = static_cast<uint16_t>(Le(in + 14, 2));
    s->index = static_cast<uint16_t>(Le(in + 16, 2));
  };
  switch (code) {
    case kIoDriverInfo:
      if (out_len < kDriverInfoSize) return kStatusOutputTooSmall;
      std::memset(out, 0, kDriverInfoSize);
      PutLe(out, backend_->ApiVersion(), 2);
      *returned = kDriverInfoSize;
      return 0;
    case kIoDriverFlags:
      if (out_len < kDriverFlagsSize) return kStatusOutputTooSmall;
      std::memset(out, 0, kDriverFlagsSize);
      PutLe(out, backend_->DriverFlags(), 4);
      *returned = kDriverFlagsSize;
      return 0;
    case kIoSetConfiguration: {
      if (in_len < kConfigurationSize) return kStatusInputTooSmall;
      uint16_t index = static_cast<uint16_t>(Le(in, 2));
      uint16_t interfaces = static_cast<uint16_t>(Le(in + 2, 2));
      if (interfaces < 1) return kStatusInvalidParameter;
      return device_->SetConfiguration(index, static_cast<uint16_t>(Le(in + 4, 2)),
                                       static_cast<uint16_t>(Le(in + 6, 2)));
    }
    case kIoUnconfigure: return device_->ClearConfiguration();
    case kIoGetTimeout:
      if (out_len < kTimeoutRecordSize) return kStatusOutputTooSmall;
      PutLe(out, timeout_options_, 4);
      PutLe(out + 4, timeout_ms_, 4);
      *returned = kTimeoutRecordSize;
      return 0;
    case kIoSetTimeout:
      if (in_len < kTimeoutRecordSize) return kStatusInputTooSmall;
      timeout_options_ = Le(in, 4);
      timeout_ms_ = Le(in + 4, 4);
      return 0;
    case kIoVendorIn:
    case kIoVendorOut: {
      if (in_len < kVendorRequestSize) return kStatusInputTooSmall;
      ControlSetup s;
      setup(&s);
      uint32_t moved = 0;
      uint32_t status = code == kIoVendorIn ? device_->ControlIn(s, out, out_len, &moved, timeout_ms_)
                                            : device_->ControlOut(s, out, out_len, &moved, timeout_ms_);
      if (status == 0) *returned = std::min(moved, out_len);
      return status;
    }
    case kIoBindPipe:
      if (in_len < 1) return kStatusInputTooSmall;
      if (endpoint_ != 0) return kStatusAlreadyBound;
      endpoint_ = in[0];
      return 0;
    case kIoUnbindPipe:
      if (endpoint_ == 0) return kStatusNotBound;
      CancelIo();
      endpoint_ = 0;
      return 0;
    case kIoResetPipe: return endpoint_ == 0 ? kStatusNotBound : device_->ResetPipe(endpoint_);
    case kIoAbortPipe:
      if (endpoint_ == 0) return kStatusNotBound;
      return device_->AbortPipe(endpoint_);
    default: return kStatusNotSupported;
  }
}

uint32_t UsbFile::Read(void* buffer, uint32_t length, Overlapped* overlapped) {
  if (endpoint_ == 0) return kStatusNotBound;
  if ((endpoint_ & 0x80) == 0) return kStatusBadDirection;
  {
    std::lock_guard<std::mutex> lock(pending_->mutex);
    ++pending_->count;
  }
  std::shared_ptr<PendingReads> pending = pending_;
  uint32_t status = device_->BulkSubmit(endpoint_, buffer, length, [overlapped, pending](uint32_t st, uint32_t n) {
    CompleteOverlapped(overlapped, st, n);
    std::lock_guard<std::mutex> lock(pending->mutex);
    --pending->count;
    pending->done.notify_all();
  });
  if (status != 0) {
    std::lock_guard<std::mutex> lock(pending_->mutex);
    --pending_->count;
    pending_->done.notify_all();
  }
  return status;
}

class UsbDriver : public DeviceDriver {
 public:
  std::unique_ptr<DeviceFile> Open(std::string_view name, uint32_t* error) override {
    std::string path(name);
    std::vector<std::shared_ptr<UsbBackend>> backends;
    {
      Registry& r = TheRegistry();
      std::lock_guard<std::mutex> lock(r.mutex);
      backends = r.backends;
    }
    for (const auto& backend : backends) {
      uint32_t status = kStatusDeviceNotFound;
      std::shared_ptr<UsbDevice> device = backend->Open(path, &status);
      if (device) return std::make_unique<UsbFile>(backend, std::move(device));
    }
    *error = kErrorFileNotFound;
    return nullptr;
  }
};

}  // namespace

void InstallDriver() {
  Registry& r = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.installed) return;
    r.installed = true;
  }
  RegisterDevicePrefixDriver(kDevicePathPrefix, std::make_shared<UsbDriver>());
}

void RegisterBackend(std::shared_ptr<UsbBackend> backend) {
  if (!backend) return;
  InstallDriver();
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.backends.push_back(std::move(backend));
}

void UnregisterBackend(const std::shared_ptr<UsbBackend>& backend) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.backends.erase(std::remove(r.backends.begin(), r.backends.end(), backend), r.backends.end());
}

std::vector<std::string> EnumerateDevices(const std::string& guid) {
  std::vector<std::shared_ptr<UsbBackend>> backends;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    backends = r.backends;
  }
  std::vector<std::string> paths;
  for (const auto& backend : backends)
    for (std::string& p : backend->Enumerate(guid)) paths.push_back(std::move(p));
  return paths;
}

}  // namespace platform::usb
