#include "platform/kernel_device.h"

#include "platform/ascii.h"
#include "platform/sync.h"

#include <dlfcn.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace platform {
namespace {

thread_local uint32_t t_last_error = 0;

struct Table {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<DeviceDriver>> drivers;
  std::map<std::string, std::shared_ptr<DeviceDriver>> prefix_drivers;
  std::map<DeviceHandle, std::shared_ptr<DeviceFile>> files;
  DeviceHandle next_handle = 0x100;
  bool simulator_asked = false;
};

Table& TheTable() {
  static Table* table = new Table;  // outlives every static user
  return *table;
}

std::shared_ptr<DeviceDriver> FindDriver(std::string_view name) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  std::string key = AsciiFold(name);
  auto it = t.drivers.find(key);
  if (it != t.drivers.end()) return it->second;
  for (const auto& [prefix, driver] : t.prefix_drivers)
    if (key.compare(0, prefix.size(), prefix) == 0) return driver;
  return nullptr;
}

std::shared_ptr<DeviceFile> FindFile(DeviceHandle handle) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.files.find(handle);
  return it == t.files.end() ? nullptr : it->second;
}

// Loads the simulator beside this library (or on the search path) and lets it
// register its drivers for the scenario named by VORNIX_SCANNER_SIM.
void ActivateSimulatorOnce() {
  Table& t = TheTable();
  {
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.simulator_asked) return;
    t.simulator_asked = true;
  }
  const char* scenario = std::getenv("VORNIX_SCANNER_SIM");
  if (scenario == nullptr || *scenario == '\0') return;
  void* self = dlopen(nullptr, RTLD_NOW);
  auto attach = self ? reinterpret_cast<SimulatorAttachFn>(dlsym(self, kSimulatorAttachSymbol)) : nullptr;
  if (attach == nullptr) {
    void* lib = nullptr;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ActivateSimulatorOnce), &info) && info.dli_fname) {
      std::string dir(info.dli_fname);
      size_t slash = dir.find_last_of('/');
      if (slash != std::string::npos) lib = dlopen((dir.substr(0, slash + 1) + kSimulatorLibrary).c_str(), RTLD_NOW);
    }
    if (lib == nullptr) lib = dlopen(kSimulatorLibrary, RTLD_NOW);
    if (lib != nullptr) attach = reinterpret_cast<SimulatorAttachFn>(dlsym(lib, kSimulatorAttachSymbol));
  }
  if (attach != nullptr) attach(scenario);
}

}  // namespace

uint32_t GetLastError() { return t_last_error; }
void SetLastError(uint32_t error) { t_last_error = error; }

void RegisterDeviceDriver(std::string_view name, std::shared_ptr<DeviceDriver> driver) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (driver)
    t.drivers[AsciiFold(name)] = std::move(driver);
  else
    t.drivers.erase(AsciiFold(name));
}

void UnregisterDeviceDriver(std::string_view name) { RegisterDeviceDriver(name, nullptr); }

void RegisterDevicePrefixDriver(std::string_view prefix, std::shared_ptr<DeviceDriver> driver) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (driver)
    t.prefix_drivers[AsciiFold(prefix)] = std::move(driver);
  else
    t.prefix_drivers.erase(AsciiFold(prefix));
}

void ActivateSimulator() { ActivateSimulatorOnce(); }

void CompleteOverlapped(Overlapped* overlapped, uint32_t status, uint32_t transferred) {
  // Once the status is out, a waiter may free the record and its event: the
  // event is read first, and the status is stored under its lock, which the
  // waiter passes before it returns (Settled).
  Event* event = overlapped->event;
  auto publish = [&] {
    overlapped->transferred = transferred;
    overlapped->status = status;
  };
  if (event == nullptr)
    publish();
  else
    event->SetPublishing(publish);
}

namespace {

// The record's status; once it is no longer pending, the completion that
// stored it has let go of the event.
uint32_t Settled(Overlapped* overlapped) {
  uint32_t status = overlapped->status.load();
  if (status != kErrorIoPending && overlapped->event != nullptr) overlapped->event->Settle();
  return status;
}

}  // namespace

bool DeviceIoControlOverlapped(DeviceHandle handle, uint32_t code, const void* in, uint32_t in_len, void* out,
                               uint32_t out_len, uint32_t* returned, Overlapped* overlapped) {
  uint32_t got = 0;
  bool ok = DeviceIoControl(handle, code, in, in_len, out, out_len, &got);
  if (returned) *returned = got;
  if (overlapped) CompleteOverlapped(overlapped, ok ? 0 : GetLastError(), got);
  return ok;
}

namespace {

// Starts an overlapped transfer through `start` and reports it as ReadFile
// and WriteFile do.
template <typename Start>
bool StartOverlapped(DeviceHandle handle, uint32_t* moved, Overlapped* overlapped, Start start) {
  if (moved) *moved = 0;
  std::shared_ptr<DeviceFile> file = FindFile(handle);
  uint32_t error = kErrorInvalidHandle;
  if (file && overlapped == nullptr) error = kErrorInvalidParameter;
  if (file && overlapped != nullptr) {
    overlapped->status = kErrorIoPending;
    overlapped->transferred = 0;
    if (overlapped->event) overlapped->event->Reset();
    error = start(*file);
    if (error == 0) {
      uint32_t status = Settled(overlapped);
      if (status == kErrorIoPending) {
        SetLastError(kErrorIoPending);
        return false;
      }
      if (status == 0) {
        if (moved) *moved = overlapped->transferred;
        return true;
      }
      SetLastError(status);
      return false;
    }
  }
  if (overlapped) CompleteOverlapped(overlapped, error, 0);
  SetLastError(error);
  return false;
}

}  // namespace

bool ReadFile(DeviceHandle handle, void* buffer, uint32_t length, uint32_t* read, Overlapped* overlapped) {
  return StartOverlapped(handle, read, overlapped,
                         [&](DeviceFile& file) { return file.Read(buffer, length, overlapped); });
}

bool WriteFile(DeviceHandle handle, const void* buffer, uint32_t length, uint32_t* written, Overlapped* overlapped) {
  return StartOverlapped(handle, written, overlapped,
                         [&](DeviceFile& file) { return file.Write(buffer, length, overlapped); });
}

bool GetOverlappedResult(DeviceHandle /*handle*/, Overlapped* overlapped, uint32_t* transferred, bool wait) {
  if (overlapped == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  uint32_t status = Settled(overlapped);
  if (status == kErrorIoPending) {
    if (!wait || overlapped->event == nullptr) {
      SetLastError(kErrorIoIncomplete);
      return false;
    }
    while ((status = Settled(overlapped)) == kErrorIoPending) WaitForEvent(*overlapped->event, kInfinite);
    overlapped->event->Set();  // leave it signalled for other waiters, as a completed operation does
  }
  if (transferred) *transferred = overlapped->transferred;
  if (status != 0) {
    SetLastError(status);
    return false;
  }
  return true;
}

bool CancelIo(DeviceHandle handle) {
  std::shared_ptr<DeviceFile> file = FindFile(handle);
  if (!file) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  file->CancelIo();
  return true;
}

void ResetSimulatorActivation() {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.simulator_asked = false;
}

DeviceHandle OpenDevice(std::string_view name, uint32_t /*access*/, uint32_t /*share*/) {
  std::shared_ptr<DeviceDriver> driver = FindDriver(name);
  if (!driver) {
    ActivateSimulatorOnce();
    driver = FindDriver(name);
  }
  if (!driver) {
    SetLastError(kErrorFileNotFound);
    return kInvalidDeviceHandle;
  }
  uint32_t error = kErrorGenFailure;
  std::unique_ptr<DeviceFile> file = driver->Open(name, &error);
  if (!file) {
    SetLastError(error != 0 ? error : kErrorGenFailure);
    return kInvalidDeviceHandle;
  }
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  DeviceHandle handle = t.next_handle;
  t.next_handle += 4;
  t.files[handle] = std::move(file);
  return handle;
}

bool DeviceIoControl(DeviceHandle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                     uint32_t* returned) {
  if (returned) *returned = 0;
  std::shared_ptr<DeviceFile> file = FindFile(handle);
  if (!file) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  if ((in == nullptr && in_len != 0) || (out == nullptr && out_len != 0)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  uint32_t got = 0;
  uint32_t error = file->Control(code, in, in_len, out, out_len, &got);
  if (error != 0) {
    SetLastError(error);
    return false;
  }
  if (returned) *returned = got > out_len ? out_len : got;
  return true;
}

bool CloseDevice(DeviceHandle handle) {
  std::shared_ptr<DeviceFile> file;
  {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.files.find(handle);
    if (it == t.files.end()) {
      SetLastError(kErrorInvalidHandle);
      return false;
    }
    file = std::move(it->second);
    t.files.erase(it);
  }
  file.reset();  // the instance closes outside the table lock
  return true;
}

}  // namespace platform
