#include "driver/device/usb/usb_discovery.h"

#include <algorithm>
#include <list>
#include <memory>
#include <string>

#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/result_codes.h"
#include "platform/sync.h"

namespace tarvel::usb {
namespace {

constexpr platform::Guid Family(uint32_t data1, bool f9) {
  return f9 ? platform::Guid{data1, 0xCE55, 0x4048, {0xB5, 0x37, 0xDE, 0xF9, 0xB9, 0xD3, 0x6A, 0x64}}
            : platform::Guid{data1, 0xDF2E, 0x4A05, {0x86, 0xDD, 0xAA, 0x12, 0xB9, 0x0E, 0x7A, 0x44}};
}

const ProbeEntry kProbe[kProbeCount] = {
    {Family(0xF9C09906, true), 12},
    {Family(0xF9C09907, true), 13},
    {Family(0x1A6B8D01, false), 5},
    {Family(0xF9C09901, true), 14},
    {Family(0x1A6B8D02, false), 6},
    {Family(0x1A6B8D03, false), 6},
    {Family(0x1A6B8D05, false), 6},
    {Family(0x1A6B8D06, false), 6},
    {Family(0xF9C09902, true), 15},
    {Family(0xF9C09903, true), 16},
    {Family(0x1A6B8D0A, false), 7},
    {Family(0x1A6B8D08, false), 11},
    {Family(0x1A6B8D0B, false), 10},
    {Family(0x1A6B8D09, false), 9},
    {Family(0x1A6B8D0C, false), 8},
    {Family(0xF9C09905, true), 17},
    {Family(0x1A6B8D00, false), 0},
    {Family(0xF9C09900, true), 3},
    {Family(0x1A6B8D04, false), 1},
    {Family(0x1A6B8D07, false), 2},
    {Family(0xF9C09904, true), 4},
    {{0xCE4C3C83, 0x0E68, 0x4DEA, {0xBB, 0x17, 0xB4, 0x46, 0x11, 0x4C, 0xD6, 0xFD}}, 18},
};

}  // namespace

const ProbeEntry* ProbeTable() { return kProbe; }

UsbDevices::UsbDevices(SetupApiLibrary& setup_api) : setup_api_(setup_api) {}

UsbDevices::~UsbDevices() {
  devices_.clear();
  setup_api_.Destroy(set_);
  setup_api_.Release();
}

int UsbDevices::Count(int* count, const platform::Guid& guid) {
  *count = 0;
  if (!devices_.empty()) return KeepFirstError(KPU_STATUS_OPEN_DEVICES_PRESENT);
  std::lock_guard<platform::CriticalSection> guard(lock_);
  setup_api_.Destroy(set_);
  set_ = nullptr;
  found_ = 0;
  set_ = setup_api_.ClassDevices(guid);
  if (set_ == nullptr) return KeepFirstError(KPU_STATUS_NOT_INITIALIZED);
  std::string path;
  int n = 0;
  while (DevicePathOf(setup_api_, set_, &guid, n, &path) == 0) ++n;
  found_ = n;
  *count = n;
  return n == 0 ? KeepFirstError(KPU_STATUS_NO_DEVICES) : KPU_STATUS_SUCCESS;
}

int UsbDevices::Open(UsbScanner** handle, const platform::Guid& guid, int start, LogSink& log) {
  *handle = nullptr;
  if (set_ == nullptr || found_ == 0) return KeepFirstError(KPU_STATUS_NO_DEVICES);
  std::lock_guard<platform::CriticalSection> guard(lock_);
  for (const auto& d : devices_)
    if (d->DeviceNumber() == 0) return KeepFirstError(KPU_STATUS_IN_USE);
  auto transport = std::make_unique<UsbScanner>(*this);
  int result = transport->Open(0, set_, &guid, start, log);
  if (result != KPU_STATUS_SUCCESS) return KeepFirstError(result);
  *handle = transport.get();
  devices_.push_back(std::move(transport));
  return KPU_STATUS_SUCCESS;
}

UsbScanner* UsbDevices::Find(UsbScanner* handle) const {
  if (handle == nullptr) return nullptr;
  for (const auto& d : devices_)
    if (d.get() == handle) return handle;
  return nullptr;
}

int UsbDevices::Close(UsbScanner* handle) {
  if (Find(handle) == nullptr) return KeepFirstError(KPU_STATUS_INVALID_HANDLE);
  std::lock_guard<platform::CriticalSection> guard(lock_);
  auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) { return d.get() == handle; });
  (*it)->Close();
  devices_.erase(it);
  return KPU_STATUS_SUCCESS;
}

void UsbDevices::PassLock() { std::lock_guard<platform::CriticalSection> guard(lock_); }

void UsbDevices::ReleaseDiscovery() {
  std::lock_guard<platform::CriticalSection> guard(lock_);
  setup_api_.Destroy(set_);
  set_ = nullptr;
  found_ = 0;
  setup_api_.Release();
}

int32_t UsbDevices::KeepFirstError(int32_t status) {
  if (first_error_ == 0) first_error_ = status;
  return status;
}

int32_t UsbDevices::TakeLastError(int32_t clear) {
  int32_t stored = first_error_;
  if ((clear & 0xFF) != 0) first_error_ = 0;
  return stored;
}

}  // namespace tarvel::usb
