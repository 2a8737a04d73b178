#include "simulator/parallel_port.h"

#include <cstring>
#include <vector>

#include "platform/little_endian.h"
#include "platform/scanner_register_map.h"

namespace sim {

namespace reg = platform::reg;

namespace {

using namespace platform::parport;

constexpr uint32_t kPortBase = 0x0378;

class PortFile : public platform::DeviceFile {
 public:
  explicit PortFile(std::shared_ptr<ParallelPortDriver> driver) : driver_(std::move(driver)) {}
  ~PortFile() override { driver_->Closed(this); }
  uint32_t Control(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                   uint32_t* returned) override {
    return driver_->Control(this, code, in, in_len, out, out_len, returned);
  }

 private:
  std::shared_ptr<ParallelPortDriver> driver_;
};

}  // namespace

ParallelPortDriver::ParallelPortDriver(std::shared_ptr<Scanner> scanner) : scanner_(std::move(scanner)) {
  failures_left_ = scanner_->scenario().faults.fail_requests;
  short_left_ = scanner_->scenario().faults.short_requests;
}

std::unique_ptr<platform::DeviceFile> ParallelPortDriver::Open(std::string_view, uint32_t*) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++open_files_;
  return std::make_unique<PortFile>(shared_from_this());
}

void ParallelPortDriver::Closed(const void* file) {
  std::lock_guard<std::mutex> lock(mutex_);
  --open_files_;
  if (connected_by_ == file) connected_by_ = nullptr;
}

bool ParallelPortDriver::Connected() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connected_by_ != nullptr;
}

int ParallelPortDriver::OpenFiles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_files_;
}

int ParallelPortDriver::Requests(uint32_t code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = requests_.find(code);
  return it == requests_.end() ? 0 : it->second;
}

int ParallelPortDriver::TotalRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return total_requests_;
}

uint32_t ParallelPortDriver::Control(const void* file, uint32_t code, const void* in, uint32_t in_len, void* out,
                                     uint32_t out_len, uint32_t* returned) {
  const uint32_t error = ControlLocked(file, code, in, in_len, out, out_len, returned);
  std::function<void(uint32_t)> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hook = request_hook_;
  }
  if (hook) hook(code);
  return error;
}

void ParallelPortDriver::Unplug() {
  std::lock_guard<std::mutex> lock(mutex_);
  unplugged_ = true;
}

void ParallelPortDriver::SetRequestHook(std::function<void(uint32_t code)> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  request_hook_ = std::move(hook);
}

uint32_t ParallelPortDriver::ControlLocked(const void* file, uint32_t code, const void* in, uint32_t in_len, void* out,
                                           uint32_t out_len, uint32_t* returned) {
  std::lock_guard<std::mutex> lock(mutex_);
  *returned = 0;
  ++total_requests_;
  ++requests_[code];
  int unplug = scanner_->scenario().faults.unplug_after;
  if (unplugged_ || (unplug >= 0 && total_requests_ > unplug)) return platform::kErrorDeviceNotConnected;
  auto fail = failures_left_.find(code);
  if (fail != failures_left_.end() && fail->second != 0) {
    if (fail->second > 0) --fail->second;
    return platform::kErrorGenFailure;
  }
  uint32_t error =
      Handle(file, code, static_cast<const uint8_t*>(in), in_len, static_cast<uint8_t*>(out), out_len, returned);
  auto cut = short_left_.find(code);
  if (error == 0 && *returned > 0 && cut != short_left_.end() && cut->second != 0) {
    if (cut->second > 0) --cut->second;
    *returned /= 2;  // the request succeeds with half its answer
  }
  return error;
}

uint32_t ParallelPortDriver::Handle(const void* file, uint32_t code, const uint8_t* in, uint32_t in_len, uint8_t* out,
                                    uint32_t out_len, uint32_t* returned) {
  using namespace platform;
  switch (code) {
    case kIoPortInfo:
      if (out_len < 4) return kErrorInsufficientBuffer;
      platform::StoreLe(out, kPortBase, 4);
      *returned = 4;
      return 0;
    case kIoPortConfig:
      if (out_len < 16) return kErrorInsufficientBuffer;
      std::memcpy(out, port_config_, 16);
      *returned = 16;
      return 0;
    case kIoSetPortConfig:
      if (in_len < 16) return kErrorInvalidParameter;
      std::memcpy(port_config_, in, 16);
      return 0;
    case kIoConnect:
      if (connected_by_ != nullptr && connected_by_ != file) return kErrorNotReady;  // port claimed
      connected_by_ = file;
      return 0;
    case kIoDisconnect:
      if (connected_by_ == file) connected_by_ = nullptr;
      return 0;
    default: break;
  }
  if (connected_by_ != file) return kErrorNotReady;

  auto reply32 = [&](uint32_t value) -> uint32_t {
    if (out_len < 4) return kErrorInsufficientBuffer;
    platform::StoreLe(out, value, 4);
    *returned = 4;
    return 0;
  };
  auto read = [&](int width) -> uint32_t {
    if (in_len < 4) return kErrorInvalidParameter;
    if (out_len < static_cast<uint32_t>(width / 8)) return kErrorInsufficientBuffer;
    uint32_t value = 0;
    if (!scanner_->ReadRegister(static_cast<int>(platform::LoadLe(in, 4)), width, &value)) return kErrorNotReady;
    platform::StoreLe(out, value, width / 8);
    *returned = static_cast<uint32_t>(width / 8);
    return 0;
  };
  auto write = [&](int reg, int width, const uint8_t* data, uint32_t len) -> uint32_t {
    if (len < static_cast<uint32_t>(width / 8)) return kErrorInvalidParameter;
    uint32_t value = 0;
    for (int i = 0; i < width / 8; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return scanner_->WriteRegister(reg, width, value) ? 0 : kErrorNotReady;
  };

  switch (code) {
    case kIoStatus: return reply32(scanner_->FpgaStatus());
    case kIoFpgaBegin: return reply32(scanner_->FpgaBeginConfiguration());
    case kIoFpgaDownload: {
      if (out_len < 4) return kErrorInsufficientBuffer;
      return reply32(scanner_->FpgaDownload(in, in_len));
    }
    case kIoSetAddress:
      if (in_len < 4) return kErrorInvalidParameter;
      address_ = platform::LoadLe(in, 4);
      return 0;
    case kIoRead8:
    case kIoRead8At: return read(8);
    case kIoRead16:
      if (in_len == 0) {  // block read from the memory data port
        if (address_ != reg::kMemoryData) return kErrorInvalidParameter;
        std::vector<uint32_t> words(out_len / 4);
        bool refused = false;
        size_t n = scanner_->ReadMemory(words.data(), words.size(), &refused);
        if (refused) return kErrorNotReady;
        std::memcpy(out, words.data(), n * 4);
        *returned = static_cast<uint32_t>(n * 4);
        return 0;
      }
      return read(16);
    case kIoRead32: return read(32);
    case kIoWrite8: return write(static_cast<int>(address_), 8, in, in_len);
    case kIoWrite16: return write(static_cast<int>(address_), 16, in, in_len);
    case kIoWrite32: return write(static_cast<int>(address_), 32, in, in_len);
    case kIoWriteAt:  // u32 register, u8 value (record of 8 bytes)
      if (in_len < 5) return kErrorInvalidParameter;
      address_ = platform::LoadLe(in, 4);
      return write(static_cast<int>(address_), 8, in + 4, 1);
    default: return kErrorInvalidFunction;
  }
}

std::shared_ptr<ParallelPortDriver> AttachParallelPort(std::shared_ptr<Scanner> scanner) {
  auto driver = std::make_shared<ParallelPortDriver>(std::move(scanner));
  platform::RegisterDeviceDriver(kParallelPortDevice, driver);
  return driver;
}

void DetachParallelPort() { platform::UnregisterDeviceDriver(kParallelPortDevice); }

}  // namespace sim
