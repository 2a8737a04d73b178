// The service scan on the simulated scanner, called on the device of an
// open session, and its block counter.
#include "driver/service/service_scan.h"
#include "driver/api/library.h"
#include "driver/tests/session/service_scan_scenarios.h"

using namespace sessiontest;

namespace {

constexpr int kPitchNm = kServiceScanPitchNm;
constexpr int kSeconds = kServiceScanSeconds;

class ServiceScan : public ServiceScanScenarios {
 protected:
  int Run(const std::function<void()>& before = nullptr) {
    WriteIni();
    Attach();
    EXPECT_EQ(Open_Scanner(1), 0) << Log();
    if (before) before();
    tarvel::Session& s = tarvel::Library().session;
    return tarvel::Service_Scan(s.Device(), s.mode, kPitchNm, kSeconds, s.log);
  }
};

TEST_F(ServiceScan, FindsTheVoltageWhoseMeanStaysBelowTheTarget) {
  ArrangeFoundVoltage();
  EXPECT_EQ(Run(), kFoundVolts) << Log();
  ExpectRest({0, 0, 0, 0x72});
  EXPECT_EQ(tarvel::Library().session.mode.ADC_Ovs, 12);
}

TEST_F(ServiceScan, FailuresAndTheStateTheyLeave) {
  for (const Failure& c : Failures()) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.arrange) c.arrange();
    const int result = Run([&] {
      if (c.before) c.before();
    });
    EXPECT_EQ(result, c.result) << Log();
    ExpectRest(c.rest);
    Close_Scanner();
  }
}

TEST_F(ServiceScan, RefusesWhatCannotBeScannedBeforeAnythingMoves) {
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  tarvel::Session& s = tarvel::Library().session;
  scanner->ClearTrace();
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 0, kSeconds, s.log), -102);
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 1000, kSeconds, s.log), -102);  // S below 2
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 1000000, kSeconds, s.log), -102);  // S above 32
  s.mode.RPM = 0;
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, kPitchNm, kSeconds, s.log), -102);
  for (const sim::RegisterAccess& a : scanner->Trace()) EXPECT_FALSE(a.write) << a.reg;
}

TEST_F(ServiceScan, SampleLinesCountsPositionsLineEndsAndSums) {
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  // Two samples, an end whose next start reaches the limit, a skip of 5, an
  // end below it and a lone last word (the count rounded up).
  scanner->AppendMemory({0x00030002u, 0x00C8FFFEu, 0x0005FFF1u, 0x0010FFFEu});
  tarvel::Session& s = tarvel::Library().session;
  int lines = 0, lit = 0;
  int64_t sum = 0;
  EXPECT_EQ(tarvel::Scan_SampleLines(s.Device(), 150, &lines, &lit, &sum), 2 + 6);
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(lit, 1);
  EXPECT_EQ(sum, 5);
  EXPECT_EQ(tarvel::Scan_SampleLines(s.Device(), 150, &lines, &lit, &sum), 0);  // nothing waits
  scanner->AppendMemory({0x00010001u});
  scanner->SetBadChecksumReads(-1);
  EXPECT_EQ(tarvel::Scan_SampleLines(s.Device(), 150, &lines, &lit, &sum), -200);
  scanner->SetBadChecksumReads(0);
}

}  // namespace
