#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Kernel devices: opening a device by name and synchronous control requests,
// with a per-thread last-error value as the driver code expects it.
//
// Device names route to registered drivers (exact name, compared without
// case). When nothing is registered under a name and the environment variable
// VORNIX_SCANNER_SIM names a scenario file, the simulated scanner library
// (libvornixsim.so) is loaded once and asked to register its drivers; the
// platform never links it.
namespace platform {

// Error values used by the device layer (Windows numbering, which the driver
// logs and passes on).
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotReady = 21;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorIoIncomplete = 996;
constexpr uint32_t kErrorIoPending = 997;

// Share mode of an open device: others may open it to read and write.
constexpr uint32_t kShareReadWrite = 3;

uint32_t GetLastError();
void SetLastError(uint32_t error);

class Event;

// An overlapped operation: the caller's event and the result the driver
// stores when the operation completes (status kErrorIoPending until then).
struct Overlapped {
  Event* event = nullptr;
  std::atomic<uint32_t> status{0};
  std::atomic<uint32_t> transferred{0};
};

// Stores an overlapped operation's result and sets its event, both under
// the event's lock: ReadFile, WriteFile and GetOverlappedResult pass that
// lock once they see the result, so a caller that has its result may free
// the record and its event at once.
void CompleteOverlapped(Overlapped* overlapped, uint32_t status, uint32_t transferred);

// One open instance of a device (what a handle refers to).
class DeviceFile {
 public:
  virtual ~DeviceFile() = default;
  // A control request. On success the driver sets *returned (bytes written
  // to out) and returns 0; otherwise it returns the error value.
  virtual uint32_t Control(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                           uint32_t* returned) = 0;
  // Starts an overlapped read: 0 when under way (the driver completes it
  // later through CompleteOverlapped, possibly before returning), else the
  // error of an immediate failure (nothing was started).
  virtual uint32_t Read(void* /*buffer*/, uint32_t /*length*/, Overlapped* /*overlapped*/) {
    return kErrorInvalidFunction;
  }
  // The same for an overlapped write.
  virtual uint32_t Write(const void* /*buffer*/, uint32_t /*length*/, Overlapped* /*overlapped*/) {
    return kErrorInvalidFunction;
  }
  // Cancels the pending operations of this instance; each completes (with
  // a cancelled status) before this returns.
  virtual void CancelIo() {}
};

class DeviceDriver {
 public:
  virtual ~DeviceDriver() = default;
  // Opens an instance of the named device; on failure returns null and sets
  // *error.
  virtual std::unique_ptr<DeviceFile> Open(std::string_view name, uint32_t* error) = 0;
};

// Registers (or replaces, or with null removes) the driver of a device name.
void RegisterDeviceDriver(std::string_view name, std::shared_ptr<DeviceDriver> driver);
void UnregisterDeviceDriver(std::string_view name);
// The same for every name that begins with `prefix` (exact names first).
void RegisterDevicePrefixDriver(std::string_view prefix, std::shared_ptr<DeviceDriver> driver);

using DeviceHandle = intptr_t;
constexpr DeviceHandle kInvalidDeviceHandle = -1;

// Opens a device by name ("\\.\TARVEL"); kInvalidDeviceHandle with the last
// error set when no driver answers (kErrorFileNotFound) or the driver
// refuses. Access and share flags are accepted as the callers pass them.
DeviceHandle OpenDevice(std::string_view name, uint32_t access = 0, uint32_t share = kShareReadWrite);
// A synchronous control request: true on success with *returned set (0 when
// the request fails). The last error is set on failure only; a success
// leaves it as it was.
bool DeviceIoControl(DeviceHandle handle, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                     uint32_t* returned);
bool CloseDevice(DeviceHandle handle);

// Overlapped control request: our drivers answer control requests at once,
// so this completes the record (status, bytes, event) before it returns
// true; on failure false with the last error (the record completed with it).
bool DeviceIoControlOverlapped(DeviceHandle handle, uint32_t code, const void* in, uint32_t in_len, void* out,
                               uint32_t out_len, uint32_t* returned, Overlapped* overlapped);
// Overlapped read: true when it completed at once (*read set), false with
// last error kErrorIoPending while under way, or false with the error of an
// immediate failure; an immediate failure also completes the record through
// its event, so a waiter on the event never hangs.
bool ReadFile(DeviceHandle handle, void* buffer, uint32_t length, uint32_t* read, Overlapped* overlapped);
// Overlapped write, with the results of ReadFile.
bool WriteFile(DeviceHandle handle, const void* buffer, uint32_t length, uint32_t* written, Overlapped* overlapped);
// The result of an overlapped operation: with `wait`, waits for its event
// without limit while it is pending; without, a pending operation fails with
// kErrorIoIncomplete. False with the operation's error as last error.
bool GetOverlappedResult(DeviceHandle handle, Overlapped* overlapped, uint32_t* transferred, bool wait);
// Cancels the handle's pending operations.
bool CancelIo(DeviceHandle handle);

// Loads the simulator when VORNIX_SCANNER_SIM names a scenario and it was
// not asked yet (device discovery calls it before it lists devices).
void ActivateSimulator();

// The simulator's registration entry point, looked up in libvornixsim.so.
using SimulatorAttachFn = int (*)(const char* scenario_path);
constexpr const char* kSimulatorLibrary = "libvornixsim.so";
constexpr const char* kSimulatorAttachSymbol = "vornix_sim_attach";
// Forgets that the simulator was already asked (tests that change the
// environment variable call it).
void ResetSimulatorActivation();

}  // namespace platform
