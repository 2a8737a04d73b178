// The USB front end reached directly as the platform's backend: its request
// log stays bounded however long the device is polled.
#include <gtest/gtest.h>

#include <memory>

#include "platform/clock.h"
#include "simulator/usb_port.h"

namespace {

namespace pu = platform::usb;
using enum platform::usb::VendorRequest;

class UsbPort : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseVirtualClock(1000);
    scenario.interface = "USB";
    scenario.fpga_configured = true;
    scanner = std::make_shared<sim::Scanner>(scenario);
    scanner->SetTracing(false);
    usb = std::make_shared<sim::UsbScannerBackend>(scanner);
  }
  void TearDown() override {
    usb.reset();
    platform::UseRealClock();
  }
  // A one-byte register read (kReqRegRead) of register `reg`.
  uint32_t ReadRegister(uint16_t reg) {
    pu::ControlSetup s;
    s.request = kReqRegRead;
    s.index = reg;
    uint8_t byte = 0;
    uint32_t moved = 0;
    return usb->ControlIn(s, &byte, 1, &moved, 1000);
  }

  sim::Scenario scenario;
  std::shared_ptr<sim::Scanner> scanner;
  std::shared_ptr<sim::UsbScannerBackend> usb;
};

TEST_F(UsbPort, TheRequestLogKeepsTheMostRecentRequests) {
  usb->SetRequestLogLimit(100);
  for (uint16_t i = 0; i < 1000; ++i) ASSERT_EQ(ReadRegister(i % 256), 0u) << i;
  const std::vector<sim::VendorAccess> log = usb->Requests();
  ASSERT_LE(log.size(), 100u);
  ASSERT_GE(log.size(), 50u);
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].request, kReqRegRead);
    EXPECT_EQ(log[i].index, (1000 - log.size() + i) % 256) << "the newest requests, in order";
  }
}

// A session polls twice a request per status: the default limit holds the
// log however many polls come, and the requests keep being answered.
TEST_F(UsbPort, TheDefaultLimitBoundsTheLogOfALongPoll) {
  constexpr int kRequests = 3 << 16;
  for (int i = 0; i < kRequests; ++i) ASSERT_EQ(ReadRegister(51), 0u) << i;
  const size_t held = usb->Requests().size();
  EXPECT_LE(held, size_t{1} << 16);
  EXPECT_GE(held, size_t{1} << 15);
}

}  // namespace
