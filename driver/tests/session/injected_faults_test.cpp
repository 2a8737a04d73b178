// Faults injected through the simulated scanner, each through the exports:
// the code it ends in, and afterwards nothing half-done (scanner at rest,
// no temporary file, no log open).
#include <filesystem>
#include <functional>

#include "driver/config/session_log.h"
#include "driver/tests/session/session_fixture.h"
#include "platform/scanner_register_map.h"

using namespace sessiontest;

namespace {

class InjectedFaults : public SessionTest {};

enum class FailsIn { kOpen, kPoll };

struct FaultCase {
  const char* what;
  std::function<void(sim::Scenario&, std::string& ini)> arrange;
  FailsIn fails_in;
  int code;
  const char* log_line;
  bool configured = true;  // the FPGA was configured, so the transport was set
};

using platform::parport::kIoFpgaBegin;
using platform::parport::kIoPortConfig;
using platform::parport::kIoPortInfo;
using platform::parport::kIoRead16;

void WithRetries(std::string& ini) { ini.insert(0, "[Interface]\nRetry=4\n"); }

sim::OldData OldPlates() {
  sim::OldData old;
  old.start = kStart;
  old.pixels = 6320;
  old.threshold = 100;
  old.plates = {PlateAt(0, 5, 300, sim::GradientPlate(100, 120, 3000, 20000))};
  return old;
}

TEST_F(InjectedFaults, EachEndsInItsCodeWithNothingHalfDone) {
  const FaultCase cases[] = {
      {"SPD EEPROM never acknowledges", [](sim::Scenario& s, std::string&) { s.faults.i2c_nack_first[0xA0] = 1000; },
       FailsIn::kOpen, -100, "ERROR -100: Can not find buffer RAM\n"},
      {"ID PROM never acknowledges while a serial number is configured",
       [](sim::Scenario& s, std::string& ini) {
         s.faults.i2c_nack_first[0xA8] = 1000;
         ini.insert(ini.find("[Scanner]\n") + 10, "SerialNumber=VX0000001\n");
       },
       FailsIn::kOpen, -1013, "ERROR: Wrong serial number; Expected SN: VX0000001\n"},
      {"bad checksums on every read while polling",
       [](sim::Scenario& s, std::string& ini) {
         WithRetries(ini);
         s.faults.bad_checksum_reads = -1;
       },
       FailsIn::kPoll, -200, "ERROR -200: Checksum error or too many retrys\n"},
      {"bad checksums on every read while recovering old data",
       [](sim::Scenario& s, std::string& ini) {
         WithRetries(ini);
         ini.insert(ini.find("[Scanner]\n") + 10, "CheckFIFO=1\n");
         s.old_data = OldPlates();
         s.faults.bad_checksum_reads = -1;
       },
       FailsIn::kOpen, -200, "ERROR -200: Checksum error or too many retrys\n"},
      {"port information request failing",
       [](sim::Scenario& s, std::string&) { s.faults.fail_requests[kIoPortInfo] = -1; }, FailsIn::kOpen, -1001,
       "ERROR 31: Can not open interface\n", false},
      {"configuration start failing",
       [](sim::Scenario& s, std::string&) {
         s.fpga_configured = false;
         s.faults.fail_requests[kIoFpgaBegin] = -1;
       },
       FailsIn::kOpen, -3, "ERROR 31: Can not initialize firmware\n", false},
      {"FPGA rejecting every design",
       [](sim::Scenario& s, std::string&) {
         s.fpga_configured = false;
         s.faults.fpga_reject = true;
       },
       FailsIn::kOpen, -3, "ERROR -1004: Can not initialize firmware\n", false},
      {"FPGA status stuck at configured",
       [](sim::Scenario& s, std::string&) {
         s.fpga_configured = false;
         s.faults.fpga_status_stuck = true;
       },
       FailsIn::kOpen, -3, "ERROR -1005: Can not initialize firmware\n", false},
      {"short port configuration answers",
       [](sim::Scenario& s, std::string&) { s.faults.short_requests[kIoPortConfig] = -1; }, FailsIn::kOpen, -1001,
       "Can not open interface\n", false},
      {"short data-port answers while polling",
       [](sim::Scenario& s, std::string& ini) {
         WithRetries(ini);
         s.faults.short_requests[kIoRead16] = -1;
       },
       FailsIn::kPoll, -200, "ERROR -200: Checksum error or too many retrys\n"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    scenario.plates = {PlateAt(0, 50, 800, sim::FlatPlate(40, 60, 9000))};
    std::string ini = kIni;
    c.arrange(scenario, ini);
    WriteIni(ini);
    Attach();

    const int opened = Open_Scanner(1);
    int code = opened;
    if (c.fails_in == FailsIn::kPoll) {
      ASSERT_EQ(opened, 0) << Log();
      ASSERT_EQ(Aktivate_Scanner(), 0);
      code = 0;
      for (int i = 0; i < 4000 && code >= 0; ++i) {
        code = Get_Status();
        platform::Sleep(5);
      }
      EXPECT_NE(Get_Status(), -4) << "the session stays open";
    }
    EXPECT_EQ(code, c.code);
    const std::string log = Log();
    EXPECT_NE(log.find(c.log_line), std::string::npos) << log;
    if (c.fails_in == FailsIn::kPoll) {
      EXPECT_EQ(Close_Scanner(), 0);
    }
    EXPECT_FALSE(tarvel::Library().session.log.IsOpen());
    EXPECT_EQ(Get_Status(), -4);
    ExpectAtRest(c.configured);
  }
}

}  // namespace
