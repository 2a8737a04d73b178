// The service scan on the simulated scanner, called on the device of an
// open session, and its block counter.
#include "driver/session/service_scan.h"
#include "driver/session/session.h"
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

constexpr int kPitchNm = 50000;
constexpr int kSeconds = 20;
// Scan-line position of the first sampled pixel for slot 1 (k = 2):
// Strt_Pix - 75 S - offset with S 12 and offset -28125.
constexpr int kSampleStart = 14583 - 900 + 28125;

class ServiceScan : public SessionTest {
 protected:
  int Run(const std::function<void()>& before = nullptr) {
    WriteIni();
    Attach();
    EXPECT_EQ(Open_Scanner(1), 0) << Log();
    if (before) before();
    tarvel::Session& s = tarvel::CurrentSession();
    return tarvel::Service_Scan(s.Device(), s.mode, kPitchNm, kSeconds);
  }
  sim::Plate SlotOnePlate(int height) const {
    sim::Plate p;
    p.slot = 1;
    p.at_ms = 100;
    p.position = kSampleStart - 10;
    p.image = sim::FlatPlate(200, height, 20000);
    return p;
  }
  struct Rest {
    uint8_t slot_outputs, high_voltage, laser_run, motor;
  };
  Rest State() const {
    return {scanner->RegisterByte(144), static_cast<uint8_t>(scanner->RegisterByte(240) & 0x08),
            static_cast<uint8_t>(scanner->RegisterByte(176) & 0xF0),
            static_cast<uint8_t>(scanner->RegisterByte(163) & 0x73)};
  }
};

TEST_F(ServiceScan, FindsTheVoltageWhoseMeanStaysBelowTheTarget) {
  // Plate values scale with HV / 600 V (HV as the 8-bit DAC sets it): the
  // mean stays below 2700 x 12 up to DAC code 199; the halving search stops
  // at 976 V (code 199).
  scenario.nominal_hv = 600;
  scenario.plates = {SlotOnePlate(6000)};
  EXPECT_EQ(Run(), 976) << Log();
  const Rest r = State();
  EXPECT_EQ(r.slot_outputs, 0);
  EXPECT_EQ(r.high_voltage, 0);
  EXPECT_EQ(r.laser_run, 0);
  EXPECT_EQ(r.motor, 0x72);
  EXPECT_EQ(tarvel::CurrentSession().mode.ADC_Ovs, 12);
}

TEST_F(ServiceScan, FailuresAndTheStateTheyLeave) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::function<void()> before;
    int result;
    Rest rest;
  };
  const Case cases[] = {
      {"plate already in slot 1",
       [this] {
         sim::Plate p = SlotOnePlate(3000);
         p.at_ms = 0;
         scenario.plates = {p};
       },
       [this] {
         ASSERT_EQ(Aktivate_Scanner(), 0);
         PollUntil([](int s) { return (s & 0x0200) != 0; }, 1000);
         ASSERT_EQ(Deaktivate_Scanner(), 0);
       },
       -1009,
       {0x55 & 0x3C, 0, 0, 0}},
      {"too bright down to 500 V", [this] { scenario.ambient = 1000; }, nullptr, -10000, {0x55 & 0x3C, 0, 0, 0}},
      {"no plate in time", nullptr, nullptr, -1011, {0, 0, 0, 0x73}},
      {"transport stops while lines are awaited",
       [this] { scenario.plates = {SlotOnePlate(60)}; },
       nullptr,
       -1011,
       {0xAA & 0x3C, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (c.arrange) c.arrange();
    const int result = Run([&] {
      if (c.before) c.before();
    });
    EXPECT_EQ(result, c.result) << Log();
    const Rest r = State();
    EXPECT_EQ(r.slot_outputs, c.rest.slot_outputs);
    EXPECT_EQ(r.high_voltage, c.rest.high_voltage);
    EXPECT_EQ(r.laser_run, c.rest.laser_run);
    EXPECT_EQ(r.motor, c.rest.motor);
    Close_Scanner();
  }
}

TEST_F(ServiceScan, RefusesWhatCannotBeScannedBeforeAnythingMoves) {
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  tarvel::Session& s = tarvel::CurrentSession();
  scanner->ClearTrace();
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 0, kSeconds), -102);
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 1000, kSeconds), -102);  // S below 2
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, 1000000, kSeconds), -102);  // S above 32
  s.mode.RPM = 0;
  EXPECT_EQ(tarvel::Service_Scan(s.Device(), s.mode, kPitchNm, kSeconds), -102);
  for (const sim::RegisterAccess& a : scanner->Trace()) EXPECT_FALSE(a.write) << a.reg;
}

TEST_F(ServiceScan, SampleLinesCountsPositionsLineEndsAndSums) {
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  // Two samples, an end whose next start reaches the limit, a skip of 5, an
  // end below it and a lone last word (the count rounded up).
  scanner->AppendMemory({0x00030002u, 0x00C8FFFEu, 0x0005FFF1u, 0x0010FFFEu});
  tarvel::Session& s = tarvel::CurrentSession();
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
