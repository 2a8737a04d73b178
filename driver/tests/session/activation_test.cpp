// What activation and deactivation do to the scanner's registers, and an
// activation refused because the laser is too hot.
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

class Activation : public SessionTest {
 protected:
  void OpenOnTheParallelPort() {
    scenario.fpga_configured = true;
    WriteIni();
    Attach();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    scanner->ClearTrace();
  }
  // The last value written to `reg` (8-bit writes), or -1.
  int LastWrite(int reg) const {
    const std::vector<sim::RegisterAccess> w = scanner->TraceOf(reg, true);
    return w.empty() ? -1 : int(w.back().value);
  }
};

TEST_F(Activation, ActivationAndDeactivationSetTheirRegisters) {
  OpenOnTheParallelPort();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  EXPECT_EQ(scanner->RegisterByte(176) & 0xF0, 0xF0) << "laser mode 11, run mode 11";
  EXPECT_EQ(scanner->RegisterByte(4), 1) << "run";
  EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x73) << "transport (motor code 0x73)";
  EXPECT_EQ(scanner->RegisterByte(144), 0xFF) << "slot pattern 3 for every slot";
  EXPECT_EQ(LastWrite(248), 8) << "the event acknowledged";
  // Register 5 is written 0 as the last write of the activation.
  const std::vector<sim::RegisterAccess> trace = scanner->Trace();
  const sim::RegisterAccess* last_write = nullptr;
  for (const sim::RegisterAccess& a : trace)
    if (a.write) last_write = &a;
  ASSERT_NE(last_write, nullptr);
  EXPECT_EQ(last_write->reg, 5);
  EXPECT_EQ(last_write->value, 0u);
  EXPECT_NE(Get_Status() & (1 << 26), 0) << "active";

  scanner->ClearTrace();
  ASSERT_EQ(Deaktivate_Scanner(), 0);
  EXPECT_EQ(scanner->RegisterByte(176) & 0x30, 0x30) << "laser mode 11 stays";
  EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x72) << "transport runs out (motor code 0x72)";
  EXPECT_EQ(scanner->RegisterByte(144), 0xAA) << "slot pattern 2";
  EXPECT_TRUE(scanner->TraceOf(4, true).empty()) << "the run register is left alone";
  EXPECT_EQ(Get_Status() & (1 << 26), 0) << "no longer active";
  EXPECT_EQ(Close_Scanner(), 0);
}

TEST_F(Activation, ALaserTooHotRefusesTheActivationAndLeavesTheSessionOpen) {
  OpenOnTheParallelPort();
  scanner->SetLaserTemperature(50.5);  // LaserTempWarn 50
  EXPECT_EQ(Aktivate_Scanner(), -1010);
  EXPECT_NE(Log().find("ERROR: Laser temperature too high (50.5)\n"), std::string::npos) << Log();
  EXPECT_TRUE(scanner->TraceOf(163, true).empty()) << "no transport";
  EXPECT_TRUE(scanner->TraceOf(5, true).empty());
  const int status = Get_Status();
  ASSERT_GE(status, 0);
  EXPECT_EQ(status & (1 << 26), 0) << "not active";
  scanner->SetLaserTemperature(40);
  EXPECT_EQ(Aktivate_Scanner(), 0);
  EXPECT_EQ(Close_Scanner(), 0);
}

}  // namespace
