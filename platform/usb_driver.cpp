#include "platform/usb_driver.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/kernel_device.h"
#include "platform/little_endian.h"
#include "platform/usb_backend.h"
#include "platform/usb_descriptors.h"

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

// The bulk transfers of one device file: those pending, so that cancelling
// and closing can wait until each has completed, and the pipe statistics.
struct Transfers {
  std::mutex mutex;
  std::condition_variable done;
  int count = 0;
  uint32_t succeeded = 0;
  uint32_t failed = 0;
  uint64_t bytes = 0;
  uint32_t average_interval_ms = 0;  // 0: no averaging
  uint64_t average_since_ms = 0;
  uint64_t average_base_bytes = 0;
};

class UsbFile : public DeviceFile {
 public:
  UsbFile(std::shared_ptr<UsbBackend> backend, std::shared_ptr<UsbDevice> device)
      : backend_(std::move(backend)), device_(std::move(device)), transfers_(std::make_shared<Transfers>()) {}
  ~UsbFile() override { CancelIo(); }

  uint32_t Control(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                   uint32_t* returned) override;
  uint32_t Read(void* buffer, uint32_t length, Overlapped* overlapped) override {
    return Submit(buffer, length, overlapped, true);
  }
  uint32_t Write(const void* buffer, uint32_t length, Overlapped* overlapped) override {
    return Submit(const_cast<void*>(buffer), length, overlapped, false);
  }
  void CancelIo() override {
    if (endpoint_ != 0) {
      bool any;
      {
        std::lock_guard<std::mutex> lock(transfers_->mutex);
        any = transfers_->count > 0;
      }
      if (any) device_->AbortPipe(endpoint_);
    }
    std::unique_lock<std::mutex> lock(transfers_->mutex);
    transfers_->done.wait(lock, [&] { return transfers_->count == 0; });
  }

 private:
  uint32_t Submit(void* buffer, uint32_t length, Overlapped* overlapped, bool in);
  // A standard request on endpoint 0; a short answer is no error.
  uint32_t Standard(bool in, uint32_t recipient, uint8_t request, uint16_t value, uint16_t index, void* data,
                    uint32_t length, uint32_t* returned);
  uint32_t ConfigurationInfo(uint8_t* out);
  uint32_t QueryStatistics(uint32_t flags, uint8_t* out);

  std::shared_ptr<UsbBackend> backend_;
  std::shared_ptr<UsbDevice> device_;
  std::shared_ptr<Transfers> transfers_;
  uint8_t endpoint_ = 0;
  uint32_t timeout_ms_ = kDefaultRequestTimeoutMs;
  uint32_t timeout_options_ = 0;
  std::atomic<uint32_t> pipe_flags_{kPipeShortTransferOk};  // read by submissions from other threads
  uint32_t power_state_ = 0;
  uint32_t max_transfer_ = 0;  // of this file's last configuration record
  std::vector<uint8_t> stored_descriptor_;
};

uint32_t UsbFile::Standard(bool in, uint32_t recipient, uint8_t request, uint16_t value, uint16_t index, void* data,
                           uint32_t length, uint32_t* returned) {
  if (recipient > 3) return kStatusBadRecipient;
  ControlSetup s;
  s.flags = kPipeShortTransferOk;
  s.type = 0;
  s.recipient = recipient;
  s.request = request;
  s.value = value;
  s.index = index;
  uint32_t moved = 0;
  uint32_t status = in ? device_->ControlIn(s, data, length, &moved, timeout_ms_)
                       : device_->ControlOut(s, data, length, &moved, timeout_ms_);
  if (status == 0) *returned = std::min(moved, length);
  return status;
}

uint32_t UsbFile::ConfigurationInfo(uint8_t* out) {
  std::memset(out, 0, kConfigurationInfoSize);
  uint8_t value = 0;
  uint32_t got = 0;
  uint32_t status = Standard(true, 0, kStdGetConfiguration, 0, 0, &value, 1, &got);
  if (status != 0) return status;
  if (got != 1 || value == 0) return kStatusNotConfigured;
  std::vector<uint8_t> descriptor = stored_descriptor_;
  if (descriptor.empty()) {
    descriptor.resize(0xFFFF);
    status = Standard(true, 0, kStdGetDescriptor, kDescriptorConfiguration << 8, 0, descriptor.data(),
                      static_cast<uint32_t>(descriptor.size()), &got);
    if (status != 0) return status;
    descriptor.resize(got);
    if (got >= 4) descriptor.resize(std::min<uint32_t>(got, LoadLe(descriptor.data() + 2, 2)));
  }
  DescribeConfiguration(descriptor.data(), static_cast<uint32_t>(descriptor.size()), max_transfer_, out);
  return 0;
}

uint32_t UsbFile::QueryStatistics(uint32_t flags, uint8_t* out) {
  std::memset(out, 0, kStatisticsSize);
  Transfers& t = *transfers_;
  std::lock_guard<std::mutex> lock(t.mutex);
  uint64_t now = NowMs();
  uint64_t average = 0;
  if (t.average_interval_ms != 0 && now > t.average_since_ms)
    average = (t.bytes - t.average_base_bytes) * 1000 / (now - t.average_since_ms);
  StoreLe(out, static_cast<uint32_t>(std::min<uint64_t>(average, 0xFFFFFFFFu)), 4);
  StoreLe(out + 4, t.succeeded, 4);
  StoreLe(out + 8, t.failed, 4);
  StoreLe(out + 16, static_cast<uint32_t>(t.bytes), 4);
  StoreLe(out + 20, static_cast<uint32_t>(t.bytes >> 32), 4);
  if (flags & kResetBytes) t.bytes = 0;
  if (flags & kResetRequests) t.succeeded = t.failed = 0;
  if (flags & (kResetBytes | kResetAverage)) {
    t.average_since_ms = now;
    t.average_base_bytes = t.bytes;
  }
  return 0;
}

uint32_t UsbFile::Control(uint32_t code, const void* in_v, uint32_t in_len, void* out_v, uint32_t out_len,
                          uint32_t* returned) {
  const auto* in = static_cast<const uint8_t*>(in_v);
  auto* out = static_cast<uint8_t*>(out_v);
  *returned = 0;
  auto setup = [&](ControlSetup* s) {
    s->flags = LoadLe(in, 4);
    s->type = LoadLe(in + 4, 4);
    s->recipient = LoadLe(in + 8, 4);
    s->request = in[13];
    s->value = static_cast<uint16_t>(LoadLe(in + 14, 2));
    s->index = static_cast<uint16_t>(LoadLe(in + 16, 2));
  };
  switch (code) {
    case kIoDriverInfo:
      if (out_len < kDriverInfoSize) return kStatusOutputTooSmall;
      std::memset(out, 0, kDriverInfoSize);
      StoreLe(out, backend_->ApiVersion(), 2);
      *returned = kDriverInfoSize;
      return 0;
    case kIoDriverFlags:
      if (out_len < kDriverFlagsSize) return kStatusOutputTooSmall;
      std::memset(out, 0, kDriverFlagsSize);
      StoreLe(out, backend_->DriverFlags(), 4);
      *returned = kDriverFlagsSize;
      return 0;
    case kIoSetConfiguration: {
      if (in_len < kConfigurationSize) return kStatusInputTooSmall;
      uint16_t index = static_cast<uint16_t>(LoadLe(in, 2));
      uint16_t interfaces = static_cast<uint16_t>(LoadLe(in + 2, 2));
      if (interfaces < 1) return kStatusInvalidParameter;
      max_transfer_ = LoadLe(in + 8, 4);
      return device_->SetConfiguration(index, static_cast<uint16_t>(LoadLe(in + 4, 2)),
                                       static_cast<uint16_t>(LoadLe(in + 6, 2)));
    }
    case kIoUnconfigure: return device_->ClearConfiguration();
    case kIoGetTimeout:
      if (out_len < kTimeoutRecordSize) return kStatusOutputTooSmall;
      StoreLe(out, timeout_options_, 4);
      StoreLe(out + 4, timeout_ms_, 4);
      *returned = kTimeoutRecordSize;
      return 0;
    case kIoSetTimeout:
      if (in_len < kTimeoutRecordSize) return kStatusInputTooSmall;
      timeout_options_ = LoadLe(in, 4);
      timeout_ms_ = LoadLe(in + 4, 4);
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
    case kIoGetDescriptor:
    case kIoSetDescriptor:
      if (in_len < kDescriptorRecordSize) return kStatusInputTooSmall;
      return Standard(code == kIoGetDescriptor, LoadLe(in, 4),
                      code == kIoGetDescriptor ? kStdGetDescriptor : kStdSetDescriptor,
                      static_cast<uint16_t>((in[4] << 8) | in[5]), static_cast<uint16_t>(LoadLe(in + 6, 2)), out,
                      out_len, returned);
    case kIoSetFeature:
    case kIoClearFeature:
      if (in_len < kFeatureRecordSize) return kStatusInputTooSmall;
      return Standard(false, LoadLe(in, 4), code == kIoSetFeature ? kStdSetFeature : kStdClearFeature,
                      static_cast<uint16_t>(LoadLe(in + 4, 2)), static_cast<uint16_t>(LoadLe(in + 6, 2)), nullptr, 0,
                      returned);
    case kIoGetStatus:
      if (in_len < kStatusRecordSize) return kStatusInputTooSmall;
      if (out_len < 2) return kStatusOutputTooSmall;
      return Standard(true, LoadLe(in, 4), kStdGetStatus, 0, static_cast<uint16_t>(LoadLe(in + 4, 2)), out, 2,
                      returned);
    case kIoGetConfiguration:
      if (out_len < 1) return kStatusOutputTooSmall;
      return Standard(true, 0, kStdGetConfiguration, 0, 0, out, 1, returned);
    case kIoGetInterface:
      if (in_len < 2) return kStatusInputTooSmall;
      if (out_len < 1) return kStatusOutputTooSmall;
      return Standard(true, 1, kStdGetInterface, 0, static_cast<uint16_t>(LoadLe(in, 2)), out, 1, returned);
    case kIoSetInterface:
      if (in_len < kInterfaceSelectionSize) return kStatusInputTooSmall;
      return Standard(false, 1, kStdSetInterface, static_cast<uint16_t>(LoadLe(in + 2, 2)),
                      static_cast<uint16_t>(LoadLe(in, 2)), nullptr, 0, returned);
    case kIoStoreConfigDescriptor:
      if (!ValidConfigDescriptor(in, in_len)) return kStatusBadConfigDescriptor;
      stored_descriptor_.assign(in, in + in_len);
      return 0;
    case kIoConfigurationInfo: {
      if (out_len < kConfigurationInfoSize) return kStatusOutputTooSmall;
      uint32_t status = ConfigurationInfo(out);
      if (status == 0) *returned = kConfigurationInfoSize;
      return status;
    }
    case kIoResetDevice:
    case kIoCyclePort: return device_->ResetDevice();
    case kIoFrameNumber:
      if (out_len < 4) return kStatusOutputTooSmall;
      StoreLe(out, static_cast<uint32_t>(NowMs()), 4);  // one frame a millisecond
      *returned = 4;
      return 0;
    case kIoSetPowerState:
      if (in_len < 4) return kStatusInputTooSmall;
      if (LoadLe(in, 4) > 3) return kStatusInvalidParameter;
      power_state_ = LoadLe(in, 4);
      return 0;
    case kIoGetPowerState:
      if (out_len < 4) return kStatusOutputTooSmall;
      StoreLe(out, power_state_, 4);
      *returned = 4;
      return 0;
    case kIoBandwidthInfo:
      if (out_len < kBandwidthInfoSize) return kStatusOutputTooSmall;
      std::memset(out, 0, kBandwidthInfoSize);
      StoreLe(out, kFrameBandwidthBits, 4);
      *returned = kBandwidthInfoSize;
      return 0;
    case kIoGetPipeParameters:
      if (endpoint_ == 0) return kStatusNotBound;
      if (out_len < 4) return kStatusOutputTooSmall;
      StoreLe(out, pipe_flags_, 4);
      *returned = 4;
      return 0;
    case kIoSetPipeParameters:
      if (endpoint_ == 0) return kStatusNotBound;
      if (in_len < 4) return kStatusInputTooSmall;
      pipe_flags_ = LoadLe(in, 4);
      return 0;
    case kIoSetupPipeStatistics: {
      if (endpoint_ == 0) return kStatusNotBound;
      if (in_len < kStatisticsSetupSize) return kStatusInputTooSmall;
      std::lock_guard<std::mutex> lock(transfers_->mutex);
      transfers_->average_interval_ms = LoadLe(in, 4);
      transfers_->average_since_ms = NowMs();
      transfers_->average_base_bytes = transfers_->bytes;
      return 0;
    }
    case kIoQueryPipeStatistics:
      if (endpoint_ == 0) return kStatusNotBound;
      if (in_len < 4) return kStatusInputTooSmall;
      if (out_len < kStatisticsSize) return kStatusOutputTooSmall;
      *returned = kStatisticsSize;
      return QueryStatistics(LoadLe(in, 4), out);
    case kIoPipeControlIn:
    case kIoPipeControlOut: {
      if (endpoint_ == 0) return kStatusNotBound;
      if (in_len < kPipeControlSize) return kStatusInputTooSmall;
      ControlSetup s;
      s.flags = LoadLe(in, 4);
      s.type = (in[4] >> 5) & 3;
      s.recipient = in[4] & 0x1F;
      s.request = in[5];
      s.value = static_cast<uint16_t>(LoadLe(in + 6, 2));
      s.index = static_cast<uint16_t>(LoadLe(in + 8, 2));
      uint32_t moved = 0;
      uint32_t status = device_->PipeControl(endpoint_, code == kIoPipeControlIn, s, out, out_len, &moved, timeout_ms_);
      if (status == 0) *returned = std::min(moved, out_len);
      return status;
    }
    default: return kStatusNotSupported;
  }
}

uint32_t UsbFile::Submit(void* buffer, uint32_t length, Overlapped* overlapped, bool in) {
  if (endpoint_ == 0) return kStatusNotBound;
  if (((endpoint_ & 0x80) != 0) != in) return kStatusBadDirection;
  {
    std::lock_guard<std::mutex> lock(transfers_->mutex);
    ++transfers_->count;
  }
  std::shared_ptr<Transfers> transfers = transfers_;
  bool short_ok = (pipe_flags_ & kPipeShortTransferOk) != 0;
  uint32_t status = device_->BulkSubmit(endpoint_, buffer, length,
                                        [overlapped, transfers, length, short_ok](uint32_t st, uint32_t n) {
                                          if (st == 0 && n < length && !short_ok) st = kStatusShortTransfer;
                                          {
                                            std::lock_guard<std::mutex> lock(transfers->mutex);
                                            if (st == 0) {
                                              ++transfers->succeeded;
                                              transfers->bytes += n;
                                            } else {
                                              ++transfers->failed;
                                            }
                                          }
                                          CompleteOverlapped(overlapped, st, n);
                                          std::lock_guard<std::mutex> lock(transfers->mutex);
                                          --transfers->count;
                                          transfers->done.notify_all();
                                        });
  if (status != 0) {
    std::lock_guard<std::mutex> lock(transfers_->mutex);
    --transfers_->count;
    transfers_->done.notify_all();
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

std::vector<std::shared_ptr<UsbBackend>> RegisteredBackends() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.backends;
}

std::vector<std::string> EnumerateDevices(const std::string& guid) {
  std::vector<std::string> paths;
  for (const auto& backend : RegisteredBackends())
    for (std::string& p : backend->Enumerate(guid)) paths.push_back(std::move(p));
  return paths;
}

}  // namespace platform::usb
