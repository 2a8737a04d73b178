#include "driver/device/usb/usb_discovery.h"

#include <algorithm>
#include <list>
#include <memory>
#include <string>

#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/device/usb/usb_status.h"
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

struct DeviceList {
  DeviceList() { TheSetupApi(); }  // the library outlives the list
  ~DeviceList() {
    devices.clear();
    TheSetupApi().Destroy(set);
    TheSetupApi().Release();
  }
  platform::CriticalSection lock;
  std::list<std::unique_ptr<UsbScanner>> devices;
  UsbScanner* current = nullptr;
  platform::DeviceInfoHandle set = nullptr;
  int found = 0;
};

DeviceList& List() {
  static DeviceList list;  // built at load, its lock deleted at unload
  return list;
}

}  // namespace

const ProbeEntry* ProbeTable() { return kProbe; }

int CountDevices(int* count, const platform::Guid& guid) {
  DeviceList& l = List();
  *count = 0;
  if (!l.devices.empty()) return Keep_FirstError(KPU_STATUS_OPEN_DEVICES_PRESENT);
  SetupApiLibrary& api = TheSetupApi();
  std::lock_guard<platform::CriticalSection> guard(l.lock);
  api.Destroy(l.set);
  l.set = nullptr;
  l.found = 0;
  l.set = api.ClassDevices(guid);
  if (l.set == nullptr) return Keep_FirstError(KPU_STATUS_NOT_INITIALIZED);
  std::string path;
  int n = 0;
  while (DevicePathOf(l.set, &guid, n, &path) == 0) ++n;
  l.found = n;
  *count = n;
  return n == 0 ? Keep_FirstError(KPU_STATUS_NO_DEVICES) : KPU_STATUS_SUCCESS;
}

int OpenDevice(UsbScanner** handle, const platform::Guid& guid, int start) {
  DeviceList& l = List();
  *handle = nullptr;
  if (l.set == nullptr || l.found == 0) return Keep_FirstError(KPU_STATUS_NO_DEVICES);
  std::lock_guard<platform::CriticalSection> guard(l.lock);
  for (const auto& d : l.devices)
    if (d->DeviceNumber() == 0) return Keep_FirstError(KPU_STATUS_IN_USE);
  auto transport = std::make_unique<UsbScanner>();
  int result = transport->Open(0, l.set, &guid, start);
  if (result != KPU_STATUS_SUCCESS) return Keep_FirstError(result);
  *handle = transport.get();
  l.devices.push_back(std::move(transport));
  return KPU_STATUS_SUCCESS;
}

UsbScanner* FindDevice(UsbScanner* handle) {
  if (handle == nullptr) return nullptr;
  for (const auto& d : List().devices)
    if (d.get() == handle) return handle;
  return nullptr;
}

int CloseDevice(UsbScanner* handle) {
  DeviceList& l = List();
  if (FindDevice(handle) == nullptr) return Keep_FirstError(KPU_STATUS_INVALID_HANDLE);
  std::lock_guard<platform::CriticalSection> guard(l.lock);
  auto it = std::find_if(l.devices.begin(), l.devices.end(), [&](const auto& d) { return d.get() == handle; });
  (*it)->Close();
  l.devices.erase(it);
  return KPU_STATUS_SUCCESS;
}

void PassListLock() { std::lock_guard<platform::CriticalSection> guard(List().lock); }

void ReleaseDiscovery() {
  DeviceList& l = List();
  std::lock_guard<platform::CriticalSection> guard(l.lock);
  TheSetupApi().Destroy(l.set);
  l.set = nullptr;
  l.found = 0;
  TheSetupApi().Release();
}

UsbScanner* CurrentDevice() { return List().current; }
void SetCurrentDevice(UsbScanner* handle) { List().current = handle; }
int OpenDeviceCount() { return static_cast<int>(List().devices.size()); }

}  // namespace tarvel::usb
