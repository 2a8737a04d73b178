#include "platform/system_library.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/device_setup.h"
#include "platform/kernel_device.h"
#include "platform/usb_backend.h"

namespace platform {

struct DeviceInfoSet {
  Guid guid;
  std::vector<std::string> paths;
};

struct SystemLibrary {
  std::string name;
};

namespace {

struct State {
  std::mutex mutex;
  std::set<std::string> missing;  // library names
  std::set<std::string> missing_procs;  // "LIBRARY!Proc"
};
State& TheState() {
  static State* s = new State;
  return *s;
}
std::atomic<int> g_loads{0};

// ---- setupapi ----

DeviceInfoHandle GetClassDevs(const Guid* guid, const char*, void*, uint32_t flags) {
  if (guid == nullptr || (flags & kDigcfDeviceInterface) == 0) {
    SetLastError(kErrorInvalidParameter);
    return reinterpret_cast<DeviceInfoHandle>(kInvalidDeviceInfoHandle);
  }
  ActivateSimulator();
  auto* set = new DeviceInfoSet;
  set->guid = *guid;
  set->paths = usb::EnumerateDevices(GuidText(*guid));
  return set;
}

int DestroyDeviceInfoList(DeviceInfoHandle set) {
  if (set == nullptr || reinterpret_cast<uintptr_t>(set) == kInvalidDeviceInfoHandle) {
    SetLastError(kErrorInvalidHandle);
    return 0;
  }
  delete set;
  return 1;
}

int EnumDeviceInterfaces(DeviceInfoHandle set, void*, const Guid* guid, uint32_t index, DeviceInterfaceData* data) {
  if (set == nullptr || guid == nullptr || data == nullptr || data->size != 28) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  if (!(*guid == set->guid) || index >= set->paths.size()) {
    SetLastError(kErrorNoMoreItems);
    return 0;
  }
  data->interface_class = *guid;
  data->flags = 1;
  data->reserved = index;
  return 1;
}

int GetDeviceInterfaceDetail(DeviceInfoHandle set, DeviceInterfaceData* data, void* detail, uint32_t size,
                             uint32_t* required, void*) {
  if (set == nullptr || data == nullptr || data->reserved >= set->paths.size()) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  const std::string& path = set->paths[data->reserved];
  uint32_t needed = kDetailPathOffset + static_cast<uint32_t>(path.size()) + 1;
  if (required) *required = needed;
  if (detail == nullptr || size < needed) {
    SetLastError(kErrorInsufficientBuffer);
    return 0;
  }
  uint32_t field = 0;
  std::memcpy(&field, detail, 4);
  if (field != kDetailSizeField) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  std::memcpy(static_cast<char*>(detail) + kDetailPathOffset, path.c_str(), path.size() + 1);
  return 1;
}

}  // namespace

SystemLibrary* LoadSystemLibrary(std::string_view name) {
  std::string key = AsciiFold(name);
  State& s = TheState();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (key != AsciiFold(kDeviceSetupLibrary) || s.missing.count(key)) {
      SetLastError(126);
      return nullptr;
    }
  }
  ++g_loads;
  return new SystemLibrary{key};
}

void* GetSystemProc(SystemLibrary* library, std::string_view name) {
  if (library == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  State& s = TheState();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.missing_procs.count(library->name + "!" + std::string(name))) {
      SetLastError(127);
      return nullptr;
    }
  }
  if (name == "SetupDiGetClassDevsA") return reinterpret_cast<void*>(&GetClassDevs);
  if (name == "SetupDiDestroyDeviceInfoList") return reinterpret_cast<void*>(&DestroyDeviceInfoList);
  if (name == "SetupDiEnumDeviceInterfaces") return reinterpret_cast<void*>(&EnumDeviceInterfaces);
  if (name == "SetupDiGetDeviceInterfaceDetailA") return reinterpret_cast<void*>(&GetDeviceInterfaceDetail);
  SetLastError(127);
  return nullptr;
}

void FreeSystemLibrary(SystemLibrary* library) {
  if (library == nullptr) return;
  delete library;
  --g_loads;
}

int SystemLibraryLoads() { return g_loads; }

void SetSystemLibraryMissing(std::string_view name, bool missing) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (missing)
    s.missing.insert(AsciiFold(name));
  else
    s.missing.erase(AsciiFold(name));
}

void SetSystemProcMissing(std::string_view library, std::string_view proc, bool missing) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string key = AsciiFold(library) + "!" + std::string(proc);
  if (missing)
    s.missing_procs.insert(key);
  else
    s.missing_procs.erase(key);
}

}  // namespace platform
