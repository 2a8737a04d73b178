// Arbitrary replies of a USB scanner: each control request is answered from
// the input (a full reply, a short one, one cut to nothing, or a stall with a
// device error code), so the status record, the PROM pieces, the version and
// the device-error reply are parsed from every length, as are the
// descriptors the driver stand-in reads for the configuration info and the
// driver's records (the configuration info straight from the input too).
// Every call must end with a code, never read or write outside its buffers.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/device/usb/low_level.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/device/usb/usbio_records.h"
#include "driver/tests/usb/guid.h"
#include "platform/clock.h"
#include "platform/usb_backend.h"

namespace {

namespace pu = platform::usb;
constexpr const char* kGuid = usbtest::kGuidType6;
constexpr const char* kPath = "\\\\?\\usb#vid_4b58&pid_0050#fuzz#{1a6b8d02-df2e-4a05-86dd-aa12b90e7a44}";

class Replies : public pu::UsbBackend, public pu::UsbDevice, public std::enable_shared_from_this<Replies> {
 public:
  void Feed(const uint8_t* data, size_t size) {
    input_.assign(data, data + size);
    at_ = 0;
  }
  std::vector<std::string> Enumerate(const std::string& guid) override {
    return guid == kGuid ? std::vector<std::string>{kPath} : std::vector<std::string>{};
  }
  std::shared_ptr<pu::UsbDevice> Open(const std::string&, uint32_t*) override { return shared_from_this(); }
  uint32_t ControlIn(const pu::ControlSetup&, void* data, uint32_t length, uint32_t* moved, uint32_t) override {
    uint8_t action = Next();
    if (action % 4 == 3) return pu::kStatusStall;
    uint32_t n = action % 4 == 0 ? length : action % 4 == 1 ? Next() % (length + 1) : 0;
    for (uint32_t i = 0; i < n; ++i) static_cast<uint8_t*>(data)[i] = Next();
    *moved = n;
    return 0;
  }
  uint32_t ControlOut(const pu::ControlSetup&, const void*, uint32_t length, uint32_t* moved, uint32_t) override {
    uint8_t action = Next();
    if (action % 4 == 3) return pu::kStatusStall;
    *moved = action % 4 == 1 ? length / 2 : length;
    return 0;
  }
  uint32_t SetConfiguration(uint16_t, uint16_t, uint16_t) override { return 0; }
  uint32_t ClearConfiguration() override { return 0; }
  uint32_t BulkSubmit(uint8_t, void*, uint32_t, pu::BulkCompletion done) override {
    done(pu::kStatusCancelled, 0);
    return 0;
  }
  uint32_t AbortPipe(uint8_t) override { return 0; }
  uint32_t ResetPipe(uint8_t) override { return 0; }

 private:
  uint8_t Next() { return at_ < input_.size() ? input_[at_++] : 0; }
  std::vector<uint8_t> input_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::shared_ptr<Replies> replies = [] {
    platform::UseVirtualClock(0);  // the reader start's pause takes no time
    auto r = std::make_shared<Replies>();
    pu::RegisterBackend(r);
    return r;
  }();
  namespace ll = tarvel::usb;
  ll::SetupApiLibrary setup_api;  // a fresh device state for every input
  ll::UsbDevices devices(setup_api);
  static tarvel::NullLogSink no_log;
  replies->Feed(data, size);
  if (ll::Init_Interface(devices, no_log) == 0) {
    ScanStatus status;
    ll::GetScanStatus(devices, &status);
    std::vector<uint8_t> prom(1200);
    int32_t length = static_cast<int32_t>(prom.size());
    ll::I2C_LargePROMrd(devices, 0xAA, 0, prom.data(), &length);
    if (length < 0 || length > 1200) std::abort();
    int16_t first, second, lib, drv;
    ll::GetTarvelVersion(devices, &first, &second, &lib, &drv);
    uint8_t fpga[4];
    ll::GetFGPAStatus(devices, fpga);
    ll::RegReadLong(devices, 51);
    ll::I2C_TEMPread(devices, 0x92);
    uint8_t block[44] = {};
    ll::RegWriteBlock(devices, 130, block, 44);
    if (ll::UsbScanner* device = devices.FindCurrent()) {
      ll::UsbConfigurationInfo info;
      device->GetConfigurationInfo(&info);
      if (info.interface_count > ll::kMaxInterfaces || info.pipe_count > ll::kMaxPipes) std::abort();
      uint8_t descriptor[ll::kDeviceDescriptorSize];
      device->GetDeviceDescriptor(descriptor);
      std::vector<uint8_t> text(255);
      uint32_t text_length = static_cast<uint32_t>(text.size());
      device->GetStringDescriptor(text.data(), &text_length, 3, 0x409);
      if (text_length > text.size()) std::abort();
      uint16_t bits;
      device->GetStatus(ll::kToDevice, 0, &bits);
      uint8_t alternate;
      device->GetInterface(0, &alternate);
    }
  }
  ll::UsbConfigurationInfo info;
  ll::DecodeConfigurationInfo(data, static_cast<uint32_t>(size), &info);
  if (info.interface_count > ll::kMaxInterfaces || info.pipe_count > ll::kMaxPipes) std::abort();
  ll::Free_Interface(devices);
  ll::GetLastTarvelError(devices, 1);
  return 0;
}
