#include "simulator/usb_port.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/ascii.h"
#include "platform/clock.h"
#include "platform/guid.h"
#include "platform/little_endian.h"
#include "platform/scanner_register_map.h"
#include "simulator/bounded_log.h"

namespace sim {

namespace reg = platform::reg;

namespace {

namespace pu = platform::usb;

// The interface a scanner shows when its scenario names none.
constexpr const char* kDefaultGuid = "{1A6B8D02-DF2E-4A05-86DD-AA12B90E7A44}";
constexpr uint32_t kShortTransferOk = 0x00010000;
constexpr uint32_t kMaxPiece = 512;
// A frame of the bus: while data flow, a pending transfer with words waiting
// completes within one, control requests or not. Frames that deliver
// nothing double the bus's interval up to kIdleInterval.
constexpr std::chrono::milliseconds kFrame{1};
constexpr std::chrono::milliseconds kIdleInterval{16};

std::vector<std::string> ParseGuids(const std::string& list) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from <= list.size()) {
    size_t comma = list.find(',', from);
    std::string item = list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (auto g = platform::ParseGuid(item)) out.push_back(platform::GuidText(*g));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if (out.empty()) out.push_back(kDefaultGuid);
  return out;
}

// The data PROMs are addressed with 16 bits, everything else with 8.
bool WideAddress(uint8_t device) { return device == 0xA2 || device == 0xA4 || device == 0xAA; }
uint8_t ClassCode(uint8_t device) { return WideAddress(device) ? (device == 0xAA ? 10 : 9) : 6; }

// Whether a fault counted per request hits this one (a negative count: every
// time); a hit uses up one.
bool TakeFault(std::map<uint32_t, int>& left, uint8_t request) {
  auto it = left.find(request);
  if (it == left.end() || it->second == 0) return false;
  if (it->second > 0) --it->second;
  return true;
}

}  // namespace

UsbScannerBackend::UsbScannerBackend(std::shared_ptr<Scanner> scanner) : scanner_(std::move(scanner)) {
  const Scenario& s = scanner_->scenario();
  guids_ = ParseGuids(s.guid);
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x#", kUsbVendorId, kUsbProductId);
  path_ = std::string(pu::kDevicePathPrefix) + ids + platform::AsciiFold(s.serial) + "#";
  fail_left_ = s.faults.fail_requests;
  short_left_ = s.faults.short_requests;
  timeout_left_ = s.faults.timeout_requests;
  short_standard_left_ = s.faults.short_standard_requests;
}

UsbScannerBackend::~UsbScannerBackend() {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    bus_stop_ = true;
  }
  bus_wake_.Set();
  if (bus_.joinable()) bus_.join();
}

std::vector<std::string> UsbScannerBackend::Enumerate(const std::string& guid) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const std::string& g : guids_)
    if (platform::EqualsIgnoreCase(g, guid)) out.push_back(path_ + platform::AsciiFold(g));
  return out;
}

std::shared_ptr<pu::UsbDevice> UsbScannerBackend::Open(const std::string& path, uint32_t* status) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (const std::string& g : guids_)
    if (platform::AsciiFold(path) == path_ + platform::AsciiFold(g)) {
      if (unplugged_) break;
      return shared_from_this();
    }
  *status = pu::kStatusDeviceNotFound;
  return nullptr;
}

uint16_t UsbScannerBackend::ApiVersion() const { return scanner_->scenario().usb_api_version; }
uint32_t UsbScannerBackend::DriverFlags() const { return scanner_->scenario().usb_driver_flags; }

bool UsbScannerBackend::Gone() {
  ++requests_seen_;
  int after = scanner_->scenario().faults.unplug_after;
  if (after >= 0 && requests_seen_ > static_cast<uint64_t>(after)) unplugged_ = true;
  return unplugged_;
}

void UsbScannerBackend::Unplug() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  unplugged_ = true;
  Pump();
}

uint32_t UsbScannerBackend::Stall(int16_t code) {
  device_error_ = code;
  if (!log_.empty()) log_.back().stalled = true;
  return pu::kStatusStall;
}

std::unique_lock<std::recursive_mutex> UsbScannerBackend::RequestLock() {
  while (submitters_.load(std::memory_order_acquire) > 0) std::this_thread::yield();
  return std::unique_lock<std::recursive_mutex>(mutex_);
}

uint32_t UsbScannerBackend::ControlIn(const pu::ControlSetup& setup, void* data, uint32_t length, uint32_t* transferred,
                                      uint32_t) {
  auto lock = RequestLock();
  *transferred = 0;
  if (Gone()) {
    Pump();
    return pu::kStatusDeviceGone;
  }
  if (setup.type == 0) {
    uint32_t status = StandardIn(setup, static_cast<uint8_t*>(data), length, transferred);
    if (status == 0 && TakeFault(short_standard_left_, setup.request)) *transferred /= 2;
    Pump();
    return status;
  }
  AppendBounded(log_, {true, setup.request, setup.value, setup.index, length, false}, log_limit_);
  if (TakeFault(timeout_left_, setup.request)) return pu::kStatusTimeout;
  uint32_t status = TakeFault(fail_left_, setup.request)
                        ? Stall(scanner_->scenario().faults.stall_code)
                        : HandleIn(setup, static_cast<uint8_t*>(data), length, transferred);
  if (status == 0 && TakeFault(short_left_, setup.request)) *transferred /= 2;
  if (status == 0 && *transferred < length && (setup.flags & kShortTransferOk) == 0) status = pu::kStatusShortTransfer;
  Pump();
  return status;
}

uint32_t UsbScannerBackend::ControlOut(const pu::ControlSetup& setup, const void* data, uint32_t length,
                                       uint32_t* transferred, uint32_t) {
  auto lock = RequestLock();
  *transferred = 0;
  if (Gone()) {
    Pump();
    return pu::kStatusDeviceGone;
  }
  if (setup.type == 0) {
    uint32_t status = StandardOut(setup);
    if (status == 0) *transferred = length;
    Pump();
    return status;
  }
  AppendBounded(log_, {false, setup.request, setup.value, setup.index, length, false}, log_limit_);
  if (TakeFault(timeout_left_, setup.request)) return pu::kStatusTimeout;
  uint32_t status = TakeFault(fail_left_, setup.request)
                        ? Stall(scanner_->scenario().faults.stall_code)
                        : HandleOut(setup, static_cast<const uint8_t*>(data), length, transferred);
  if (status == 0 && TakeFault(short_left_, setup.request)) *transferred /= 2;
  Pump();
  return status;
}

uint32_t UsbScannerBackend::HandleIn(const pu::ControlSetup& s, uint8_t* out, uint32_t length, uint32_t* moved) {
  auto reply = [&](const uint8_t* bytes, uint32_t n) -> uint32_t {
    if (length < n) return Stall(kDevErrLength);
    std::memcpy(out, bytes, n);
    *moved = n;
    return 0;
  };
  auto read = [&](int r, int width, uint32_t* v) { return scanner_->ReadRegister(r, width, v); };
  uint8_t device = static_cast<uint8_t>(s.value & 0xFF);
  switch (s.request) {
    case kReqPromRead: {
      if ((s.value >> 8) != ClassCode(device)) return Stall(kDevErrParam);
      if (length == 0 || length > kMaxPiece) return Stall(kDevErrLength);
      std::vector<uint8_t> address;
      if (WideAddress(device)) address.push_back(static_cast<uint8_t>(s.index >> 8));
      address.push_back(static_cast<uint8_t>(s.index));
      std::vector<uint8_t> bytes;
      if (!scanner_->FirmwareI2c(device, address, length, &bytes)) return Stall(kDevErrI2cWrite);
      return reply(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    case kReqAdc: {
      if (s.index > 3) return Stall(kDevErrParam);
      std::vector<uint8_t> bytes;
      if (!scanner_->FirmwareI2c(device, {static_cast<uint8_t>(0x40 + s.index)}, 2, &bytes))
        return Stall(kDevErrI2cWrite);
      return reply(&bytes[1], 1);
    }
    case kReqTempRead: {
      std::vector<uint8_t> bytes;
      if (!scanner_->FirmwareI2c(device, {0x00}, 2, &bytes)) return Stall(kDevErrI2cWrite);
      uint8_t le[2] = {bytes[1], bytes[0]};
      return reply(le, 2);
    }
    case kReqRegRead: {
      if (length != 1 && length != 2 && length != 4) return Stall(kDevErrLength);
      uint32_t v = 0;
      if (!read(s.index, static_cast<int>(8 * length), &v)) return Stall(kDevErrExecute);
      uint8_t le[4];
      platform::StoreLe(le, v, 4);
      return reply(le, length);
    }
    case kReqLineCount: {
      uint8_t le[4];
      platform::StoreLe(le, scanner_->FirmwareLineCount(), 4);
      return reply(le, 4);
    }
    case kReqScanStatus: {
      uint32_t flags = 0, sensors = 0, outputs = 0, further = 0, waiting = 0;
      if (!read(reg::kStatus, 8, &flags) || !read(reg::kSlots, 8, &sensors) || !read(reg::kSlotOutputs, 8, &outputs) ||
          !read(reg::kFurtherStatus, 8, &further) || !read(reg::kWordsWaiting, 32, &waiting))
        return Stall(kDevErrExecute);
      uint8_t record[12] = {static_cast<uint8_t>(flags), static_cast<uint8_t>(sensors & 0x0F),
                            static_cast<uint8_t>(outputs), static_cast<uint8_t>(further)};
      platform::StoreLe(record + 4, scanner_->FirmwareLineCount(), 4);
      platform::StoreLe(record + 8, waiting, 4);
      return reply(record, 12);
    }
    case kReqVersion: {
      const Scenario& sc = scanner_->scenario();
      uint8_t record[5] = {};
      platform::StoreLe(record, sc.firmware_minor, 2);
      platform::StoreLe(record + 2, sc.firmware_major, 2);
      return reply(record, 5);
    }
    case kReqFpgaStatus: {
      uint8_t le[4];
      platform::StoreLe(le, scanner_->FpgaStatus(), 4);
      return reply(le, 4);
    }
    case kReqDeviceError: {
      uint8_t record[4] = {};
      platform::StoreLe(record, static_cast<uint16_t>(device_error_), 2);
      device_error_ = 0;
      return reply(record, 4);
    }
    default: return Stall(kDevErrNotImplemented);
  }
}

uint32_t UsbScannerBackend::HandleOut(const pu::ControlSetup& s, const uint8_t* data, uint32_t length,
                                      uint32_t* moved) {
  uint8_t device = static_cast<uint8_t>(s.value & 0xFF);
  auto i2c = [&](const std::vector<uint8_t>& bytes) -> uint32_t {
    return scanner_->FirmwareI2c(device, bytes, 0, nullptr) ? 0 : Stall(kDevErrI2cWrite);
  };
  uint32_t status = 0;
  switch (s.request) {
    case kReqPromWrite: {
      if ((s.value >> 8) != ClassCode(device)) return Stall(kDevErrParam);
      if (length == 0 || length > kMaxPiece) return Stall(kDevErrLength);
      std::vector<uint8_t> bytes;
      if (WideAddress(device)) bytes.push_back(static_cast<uint8_t>(s.index >> 8));
      bytes.push_back(static_cast<uint8_t>(s.index));
      bytes.insert(bytes.end(), data, data + length);
      status = i2c(bytes);
      break;
    }
    case kReqDac: status = i2c({0x40, static_cast<uint8_t>(s.index)}); break;
    case kReqTempSetup: {
      auto limit = s.index;
      auto hysteresis = static_cast<uint16_t>(limit - 0x300);
      auto low = static_cast<uint8_t>(limit & 0xFF);
      status = i2c({0x01, 0x00});
      if (status == 0) status = i2c({0x03, static_cast<uint8_t>(limit >> 8), low});
      if (status == 0) status = i2c({0x02, static_cast<uint8_t>(hysteresis >> 8), low});
      if (status == 0) status = i2c({0x51});
      break;
    }
    case kReqRegWrite: {
      if (length == 0) return Stall(kDevErrLength);
      bool ok = true;
      if (length == 1 || length == 2 || length == 4) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < length; ++i) v |= static_cast<uint32_t>(data[i]) << (8 * i);
        ok = scanner_->WriteRegister(s.index, static_cast<int>(8 * length), v);
      } else {
        // a block: successive writes to one register (consecutive ones with auto-increment)
        for (uint32_t i = 0; i < length && ok; ++i)
          ok = scanner_->WriteRegister(s.value == 1 ? s.index + static_cast<int>(i) : s.index, 8, data[i]);
      }
      if (!ok) return Stall(kDevErrExecute);
      break;
    }
    case kReqPolygon: polygon_ = s.value; break;
    case kReqFpgaPiece: {
      if (length > kMaxPiece) return Stall(kDevErrLength);
      if (s.value == 0) {
        scanner_->FpgaBeginConfiguration();
        design_.clear();
        piece_sizes_.clear();
        next_piece_ = 0;
      }
      if (s.value != next_piece_) return Stall(kDevErrParam);
      design_.insert(design_.end(), data, data + length);
      piece_sizes_.push_back(length);
      ++next_piece_;
      if (length < kMaxPiece) {
        if (scanner_->FpgaDownload(design_.data(), design_.size()) & kFpgaConfiguredBit) {
          loaded_design_.clear();
          for (size_t i = 16; i < design_.size() && i < 48 && design_[i] >= 0x20 && design_[i] < 0x7F; ++i)
            loaded_design_ += static_cast<char>(design_[i]);
        } else {
          loaded_design_.clear();
        }
        next_piece_ = 0;
      }
      break;
    }
    case kReqFirmwareData:
      for (uint32_t i = 0; i < length; ++i) firmware_[static_cast<uint16_t>(s.index + i)] = data[i];
      break;
    case kReqFirmwareStart: firmware_start_ = s.index; break;
    default: return Stall(kDevErrNotImplemented);
  }
  if (status == 0) *moved = length;
  return status;
}

uint32_t UsbScannerBackend::SetConfiguration(uint16_t configuration_index, uint16_t interface, uint16_t alternate) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (unplugged_) return pu::kStatusDeviceGone;
  if (configuration_index != 0 || interface != 0 || alternate != 0) return pu::kStatusInvalidParameter;
  configured_ = true;
  return 0;
}

uint32_t UsbScannerBackend::ClearConfiguration() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  AbortPipe(kScanDataEndpoint);
  configured_ = false;
  return 0;
}

uint32_t UsbScannerBackend::BulkSubmit(uint8_t endpoint, void* data, uint32_t length, pu::BulkCompletion done) {
  ++submitters_;
  std::unique_lock<std::recursive_mutex> lock(mutex_);
  --submitters_;
  ++bulk_submits_;
  if (endpoint != kScanDataEndpoint) return pu::kStatusPipeNotFound;
  if (unplugged_) return pu::kStatusDeviceGone;
  if (!configured_) return pu::kStatusNotConfigured;
  if (halted_) return pu::kStatusStall;
  pending_.push_back({static_cast<uint8_t*>(data), length, std::move(done)});
  Pump();  // with words waiting it completes at once
  if (!bus_.joinable()) {
    // The bus takes part in the virtual time: the clock does not pass a
    // frame while the bus has a delivery to make.
    platform::AddClockParticipant();
    bus_ = std::thread([this] {
      platform::SetClockParticipant(true);
      BusLoop();
      platform::SetClockParticipant(false);
      platform::RemoveClockParticipant();
    });
  } else if (!pending_.empty() && (pending_.size() == 1 || bus_interval_ > kFrame)) {
    bus_interval_ = kFrame;  // a submission left pending: the bus looks once a frame again
    bus_wake_.Set();
  }
  return 0;
}

void UsbScannerBackend::BusLoop() {
  std::unique_lock<std::recursive_mutex> lock(mutex_);
  while (!bus_stop_) {
    // Frames only while a transfer is pending; the pipe aborted (the device
    // unconfigured or closed), the bus sleeps until the next submission.
    // A platform wait, on the active clock: under the virtual one the
    // frames are virtual milliseconds and the clock waits for the bus.
    uint32_t ms = pending_.empty() ? platform::kInfinite : static_cast<uint32_t>(bus_interval_.count());
    lock.unlock();
    platform::WaitForEvent(bus_wake_, ms);
    lock.lock();
    if (!bus_stop_ && !Pump()) bus_interval_ = std::min(bus_interval_ * 2, kIdleInterval);
  }
}

bool UsbScannerBackend::Pump() {
  bool delivered = false;
  while (!pending_.empty()) {
    Transfer& t = pending_.front();
    if (unplugged_) {
      Transfer gone = std::move(t);
      pending_.pop_front();
      gone.done(pu::kStatusDeviceGone, 0);
      continue;
    }
    if (!configured_ || t.length < 4) break;
    // Straight into the host's buffer when it is aligned for words.
    uint32_t* into = reinterpret_cast<uintptr_t>(t.data) % alignof(uint32_t) == 0
                         ? reinterpret_cast<uint32_t*>(t.data)
                         : (pump_words_.resize(t.length / 4), pump_words_.data());
    bool refused = false;
    size_t n = scanner_->ReadWaitingMemory(into, t.length / 4, &refused);
    if (refused || n == 0) break;
    if (into != reinterpret_cast<uint32_t*>(t.data)) std::memcpy(t.data, into, n * 4);
    Transfer full = std::move(t);
    pending_.pop_front();
    ++bulk_done_;
    delivered = true;
    full.done(0, static_cast<uint32_t>(n * 4));
  }
  if (delivered) bus_interval_ = kFrame;
  return delivered;
}

uint32_t UsbScannerBackend::AbortPipe(uint8_t endpoint) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (endpoint != kScanDataEndpoint) return pu::kStatusPipeNotFound;
  while (!pending_.empty()) {
    Transfer t = std::move(pending_.front());
    pending_.pop_front();
    t.done(pu::kStatusCancelled, 0);
  }
  return 0;
}

uint32_t UsbScannerBackend::ResetPipe(uint8_t endpoint) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (unplugged_) return pu::kStatusDeviceGone;
  if (endpoint != kScanDataEndpoint) return pu::kStatusPipeNotFound;
  halted_ = false;
  return 0;
}

uint32_t UsbScannerBackend::ResetDevice() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (unplugged_) return pu::kStatusDeviceGone;
  AbortPipe(kScanDataEndpoint);
  configured_ = false;
  halted_ = false;
  remote_wakeup_ = false;
  ++device_resets_;
  return 0;
}

std::vector<VendorAccess> UsbScannerBackend::Requests() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return log_;
}
void UsbScannerBackend::ClearRequests() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  log_.clear();
}
void UsbScannerBackend::SetRequestLogLimit(size_t requests) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  log_limit_ = LogLimit(requests);
}
std::string UsbScannerBackend::LoadedDesign() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return loaded_design_;
}
std::vector<uint32_t> UsbScannerBackend::FpgaPieceSizes() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return piece_sizes_;
}
bool UsbScannerBackend::EndpointHalted() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return halted_;
}
int UsbScannerBackend::DeviceResets() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return device_resets_;
}
bool UsbScannerBackend::Configured() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return configured_;
}
int UsbScannerBackend::PendingTransfers() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<int>(pending_.size());
}
int UsbScannerBackend::BulkTransfers() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return bulk_done_;
}
int UsbScannerBackend::BulkSubmits() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return bulk_submits_;
}
uint16_t UsbScannerBackend::PolygonValue() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return polygon_;
}
uint16_t UsbScannerBackend::FirmwareStart() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return firmware_start_;
}
std::map<uint16_t, uint8_t> UsbScannerBackend::FirmwareBytes() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return firmware_;
}

std::shared_ptr<UsbScannerBackend> AttachUsb(std::shared_ptr<Scanner> scanner) {
  auto backend = std::make_shared<UsbScannerBackend>(std::move(scanner));
  DetachUsb();
  platform::usb::RegisterBackend(backend);
  return backend;
}

void DetachUsb() {
  // Held here until the loop ends, so that none ends under the stand-in's lock.
  const std::vector<std::shared_ptr<pu::UsbBackend>> registered = pu::RegisteredBackends();
  for (const auto& backend : registered)
    if (std::dynamic_pointer_cast<UsbScannerBackend>(backend)) pu::UnregisterBackend(backend);
}

}  // namespace sim
