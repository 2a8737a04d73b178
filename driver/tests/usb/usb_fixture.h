#pragma once
// The simulated scanner behind the platform's USB stand-in, a library folder
// of its own (ini beside the library, registry store) and the USB device
// state the test works on: one of its own over a device-setup binding of its
// own, or, for tests through the exports, the library's, left as an
// application leaves it (no device open, the first-error store empty).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../config/config_fixture.h"
#include "driver/api/library.h"
#include "driver/device/usb/low_level.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_scanner.h"
#include "driver/tests/usb/guid.h"
#include "platform/clock.h"
#include "platform/os_version.h"
#include "platform/sync.h"
#include "platform/system_library.h"
#include "simulator/usb_port.h"

namespace usbtest {

// Polls `done` once a millisecond of virtual time, for up to two seconds of
// it. Each Sleep lets time pass only once the reader and the simulated bus
// have nothing left to do, so the verdict does not depend on scheduling.
template <typename F>
bool WaitUntil(F done) {
  for (int i = 0; i < 2000 && !done(); ++i) platform::Sleep(1);
  return done();
}

class UsbTest : public ConfigTest {
 protected:
  UsbTest() : devices(own_devices_.emplace(setup_api)) {}
  // Over the library's state: the exports work on the same devices.
  struct OverTheLibrary {};
  explicit UsbTest(OverTheLibrary) : devices(tarvel::Library().usb_devices) {}

  void SetUp() override {
    ConfigTest::SetUp();
    platform::UseVirtualClock(1000);
    platform::ResetOsVersion();
    scenario.interface = "USB";
    scenario.guid = kGuidType6;
    scenario.fpga_configured = true;
    threads_before_ = platform::LiveThreads();
  }
  void TearDown() override {
    tarvel::usb::Free_Interface(devices);
    devices.SetCurrent(nullptr);
    tarvel::usb::GetLastTarvelError(devices, 1);
    sim::DetachUsb();
    platform::SetSystemLibraryMissing("setupapi.dll", false);
    platform::ResetOsVersion();
    platform::UseRealClock();
    EXPECT_EQ(platform::LiveThreads(), threads_before_) << "a thread was left running";
    EXPECT_EQ(devices.OpenCount(), 0);
    ConfigTest::TearDown();
  }

  // Builds the scanner and shows it on USB.
  void Plug() {
    scanner = std::make_shared<sim::Scanner>(scenario);
    usb = sim::AttachUsb(scanner);
  }
  // Plugs in and opens it as the current device (the reader running).
  void Open() {
    Plug();
    ASSERT_EQ(tarvel::usb::Init_Interface(devices, no_log), 0);
    device = devices.FindCurrent();
    ASSERT_NE(device, nullptr);
    usb->ClearRequests();
    scanner->ClearTrace();
    tarvel::usb::GetLastTarvelError(devices, 1);
  }
  std::vector<sim::VendorAccess> RequestsOf(uint8_t request) const {
    std::vector<sim::VendorAccess> out;
    for (const auto& r : usb->Requests())
      if (r.request == request) out.push_back(r);
    return out;
  }

  tarvel::usb::SetupApiLibrary setup_api;  // the binding of the test's own devices
  std::optional<tarvel::usb::UsbDevices> own_devices_;
  tarvel::usb::UsbDevices& devices;
  tarvel::NullLogSink no_log;  // what the devices the tests open have to say
  sim::Scenario scenario;
  std::shared_ptr<sim::Scanner> scanner;
  std::shared_ptr<sim::UsbScannerBackend> usb;
  tarvel::usb::UsbScanner* device = nullptr;
  int threads_before_ = 0;
};

}  // namespace usbtest
