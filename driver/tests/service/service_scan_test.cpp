// The service scan through command 0x1000 (pitch in nm, 20 seconds): the
// voltage found in the output block, the failures with out count 0.
#include "driver/tests/service/service_fixture.h"

using namespace servicetest;

namespace {

constexpr uint32_t kPitchNm = 50000;
// Scan-line position of the first sampled pixel for slot 1 (k = 2):
// Strt_Pix - 75 S - offset with S 12 and offset -28125.
constexpr int kSampleStart = 14583 - 900 + 28125;

class ServiceScanCommand : public ServiceTest {
 protected:
  sim::Plate SlotOnePlate(int height) const {
    sim::Plate p;
    p.slot = 1;
    p.at_ms = 100;
    p.position = kSampleStart - 10;
    p.image = sim::FlatPlate(200, height, 20000);
    return p;
  }
  Answer Scan() { return Ctrl(0x1000, U32(kPitchNm), 4); }
};

TEST_F(ServiceScanCommand, TheVoltageFoundIsTheOutput) {
  scenario.nominal_hv = 600;
  scenario.plates = {SlotOnePlate(6000)};
  Open();
  const Answer a = Scan();
  EXPECT_EQ(a.result, 0) << Log();
  EXPECT_EQ(a.count, 4);
  EXPECT_EQ(GetU32(a.out, 0), 976u);
  EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0) << "high voltage off at the end";
  EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x72);
}

TEST_F(ServiceScanCommand, FailuresAreReturnedWithOutCountZero) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::function<void()> before;
    int result;
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
       -1009},
      {"too bright down to 500 V", [this] { scenario.ambient = 1000; }, nullptr, -10000},
      {"no plate in time", nullptr, nullptr, -1011},
      {"transport stops while lines are awaited", [this] { scenario.plates = {SlotOnePlate(60)}; }, nullptr, -1011},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    if (c.arrange) c.arrange();
    Open();
    if (c.before) c.before();
    const Answer a = Scan();
    EXPECT_EQ(a.result, c.result) << Log();
    EXPECT_EQ(a.count, 0);
    for (uint8_t b : a.out) EXPECT_EQ(b, kUntouched);
    Close_Scanner();
    sim::DetachParallelPort();
  }
}

TEST_F(ServiceScanCommand, APitchThatCannotBeScannedIsRefused) {
  Open();
  EXPECT_EQ(Ctrl(0x1000, U32(0), 4).result, -102);
  EXPECT_EQ(Ctrl(0x1000, U32(1000000), 4).result, -102);
  for (const sim::RegisterAccess& a : scanner->Trace()) EXPECT_FALSE(a.write) << a.reg;
}

}  // namespace
