#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/kernel_device.h"
#include "simulator/scanner_model.h"

// The scanner's parallel-port (EPP) kernel driver, device "\\.\TARVEL",
// backed by the simulated hardware. Control codes 0x222000 + 4n
// (platform/scanner_register_map.h) as the driver library issues them;
// simulator/README.md lists what each does.
namespace sim {

constexpr const char* kParallelPortDevice = "\\\\.\\TARVEL";

class ParallelPortDriver : public platform::DeviceDriver, public std::enable_shared_from_this<ParallelPortDriver> {
 public:
  explicit ParallelPortDriver(std::shared_ptr<Scanner> scanner);
  std::unique_ptr<platform::DeviceFile> Open(std::string_view name, uint32_t* error) override;

  // One request from an open file (public for the file objects).
  uint32_t Control(const void* file, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                   uint32_t* returned);
  void Closed(const void* file);

  // Observation, for tests.
  Scanner& scanner() { return *scanner_; }
  bool Connected() const;
  int OpenFiles() const;
  int Requests(uint32_t code) const;  // requests seen with this code
  int TotalRequests() const;
  // Called after every request, outside the driver's lock, with its control
  // code (tests re-enter the driver library from it); empty: none.
  void SetRequestHook(std::function<void(uint32_t code)> hook);
  // Test control: the scanner stops answering; every request fails from now
  // on with error 1167, as after `UnplugAfter`.
  void Unplug();

 private:
  uint32_t ControlLocked(const void* file, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                         uint32_t* returned);
  uint32_t Handle(const void* file, uint32_t code, const uint8_t* in, uint32_t in_len, uint8_t* out, uint32_t out_len,
                  uint32_t* returned);

  std::shared_ptr<Scanner> scanner_;
  mutable std::mutex mutex_;
  const void* connected_by_ = nullptr;
  int open_files_ = 0;
  int total_requests_ = 0;
  bool unplugged_ = false;
  std::map<uint32_t, int> requests_;
  std::map<uint32_t, int> failures_left_;
  std::map<uint32_t, int> short_left_;
  std::function<void(uint32_t)> request_hook_;
  uint32_t address_ = 0;
  uint8_t port_config_[16] = {0x04, 0, 0, 0, 0x78, 0x03, 0, 0, 0x78, 0x07, 0, 0, 0x07, 0, 0, 0};
};

// Registers a parallel-port driver for the scanner under "\\.\TARVEL" and
// returns it; DetachParallelPort removes it.
std::shared_ptr<ParallelPortDriver> AttachParallelPort(std::shared_ptr<Scanner> scanner);
void DetachParallelPort();

}  // namespace sim
