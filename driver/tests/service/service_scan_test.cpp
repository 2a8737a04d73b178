// The service scan through command 0x1000 (pitch in nm, 20 seconds) with
// the session's service-scan scenarios: the voltage found in the output
// block, failures returned with out count 0 and the state they leave.
#include "driver/tests/service/service_fixture.h"
#include "driver/tests/session/service_scan_scenarios.h"

using namespace servicetest;

namespace {

class ServiceScanCommand : public sessiontest::ServiceScanScenarios {
 protected:
  void TearDown() override {
    Close_Scanner();
    ServiceScanScenarios::TearDown();
  }
  void Open() {
    WriteIni();
    Attach();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
  }
  static Answer Scan() { return Call(0x1000, U32(sessiontest::kServiceScanPitchNm), 4); }
};

TEST_F(ServiceScanCommand, TheVoltageFoundIsTheOutput) {
  ArrangeFoundVoltage();
  Open();
  const Answer a = Scan();
  EXPECT_EQ(a.result, 0) << Log();
  EXPECT_EQ(a.count, 4);
  EXPECT_EQ(GetU32(a.out, 0), uint32_t(kFoundVolts));
  ExpectRest({0, 0, 0, 0x72});
}

TEST_F(ServiceScanCommand, FailuresAreReturnedWithOutCountZero) {
  for (const Failure& c : Failures()) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.arrange) c.arrange();
    Open();
    if (c.before) c.before();
    const Answer a = Scan();
    EXPECT_EQ(a.result, c.result) << Log();
    EXPECT_EQ(a.count, 0);
    for (uint8_t b : a.out) EXPECT_EQ(b, kUntouched);
    ExpectRest(c.rest);
  }
}

TEST_F(ServiceScanCommand, APitchThatCannotBeScannedIsRefused) {
  Open();
  scanner->ClearTrace();
  EXPECT_EQ(Call(0x1000, U32(0), 4).result, -102);
  EXPECT_EQ(Call(0x1000, U32(1000000), 4).result, -102);
  for (const sim::RegisterAccess& a : scanner->Trace()) EXPECT_FALSE(a.write) << a.reg;
}

}  // namespace
