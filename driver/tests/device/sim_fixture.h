#pragma once
// A device object connected through the platform's kernel-device layer to
// the simulated parallel-port driver and scanner; tests observe the
// scanner's register trace and state.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "driver/config/session_log.h"
#include "driver/tests/device/owned_registers.h"
#include "platform/clock.h"
#include "simulator/parallel_port.h"

namespace devtest {

struct Write {
  int reg;
  uint32_t value;
  bool operator==(const Write&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Write& w) {
  return os << "{" << w.reg << ", 0x" << std::hex << w.value << std::dec << "}";
}

// Register writes since the scanner's last ClearTrace, without the I2C bus
// (128) and clock shift (130) traffic unless asked for.
inline std::vector<Write> RegisterWrites(const sim::Scanner& scanner, bool with_bus = false) {
  std::vector<Write> out;
  for (const sim::RegisterAccess& a : scanner.Trace())
    if (a.write && (with_bus || (a.reg != 128 && a.reg != 130))) out.push_back({a.reg, a.value});
  return out;
}

class SimDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseVirtualClock(1000);
    scenario.fpga_configured = true;
  }
  void TearDown() override {
    device.reset();
    sim::DetachParallelPort();
    platform::UseRealClock();
  }

  // Builds the scanner from `scenario`, opens and connects the device.
  void Start(bool connect = true) {
    scanner = std::make_shared<sim::Scanner>(scenario);
    port = sim::AttachParallelPort(scanner);
    device = std::make_unique<devtest::OwnedRegisters>(std::make_unique<tarvel::EppPort>(&log));
    device->Transport().Dev_Open();
    ASSERT_TRUE(device->Transport().HandleValid());
    if (connect) {
      ASSERT_EQ(device->Transport().Dev_Connect(), 0);
    }
    scanner->ClearTrace();
    scanner->ClearI2cTransactions();
  }

  std::vector<Write> Writes(bool with_bus = false) const { return RegisterWrites(*scanner, with_bus); }
  std::vector<uint32_t> WritesTo(int reg) const {
    std::vector<uint32_t> out;
    for (const sim::RegisterAccess& a : scanner->TraceOf(reg, true)) out.push_back(a.value);
    return out;
  }

  sim::Scenario scenario;
  std::shared_ptr<sim::Scanner> scanner;
  std::shared_ptr<sim::ParallelPortDriver> port;
  tarvel::SessionLogSink log;
  std::unique_ptr<devtest::OwnedRegisters> device;
};

}  // namespace devtest
