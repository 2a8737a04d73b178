// The test line capture (0x100A): the simulated line's 2856 samples at 32
// samples per pixel, the high voltage at the asked setting, markers passed
// over; the register sequence that takes it.
#include <cmath>

#include "driver/tests/service/service_fixture.h"

using namespace servicetest;

namespace {

constexpr size_t kPixels = 2856;
constexpr size_t kBufferWords = 4688;

class TestLine : public ServiceTest {
 protected:
  // The level the simulator gives every pixel with the laser off: 32 samples
  // of ambient light at the voltage the DAC code makes (halved above 16
  // samples); the dark level cancels against the offset measured at open.
  static uint16_t Level(uint16_t ambient, double nominal_hv, int volts) {
    const int code = std::min(255, int(volts * 0.2047921359819783));
    const double gain = (code / 0.2047921359819783) / nominal_hv;
    return uint16_t(int64_t(32.0 * ambient * gain / 2));
  }
};

TEST_F(TestLine, ReturnsTheLinesSamplesAtTheAskedVoltage) {
  scenario.dark = 40;
  scenario.ambient = 100;
  scenario.nominal_hv = 1200;
  Open();
  for (int volts : {600, 1150}) {
    SCOPED_TRACE(volts);
    scanner->ClearTrace();
    const Answer a = Ctrl(0x100A, U16(uint16_t(volts)), 2 * kBufferWords);
    EXPECT_EQ(a.result, 0);
    ASSERT_EQ(a.count, int32_t(2 * kPixels)) << "a whole line, not cut at 4688 bytes";
    const uint16_t want = Level(100, 1200, volts);
    for (size_t i = 0; i < kPixels; ++i) ASSERT_EQ(a.out[2 * i] | (a.out[2 * i + 1] << 8), want) << i;
    EXPECT_EQ(a.out[2 * kPixels], kUntouched);

    EXPECT_EQ(scanner->TraceOf(196, true).size(), 2u) << "triggered twice";
    // The first read that delivers asks for 4692 bytes, the rest for what remains.
    std::vector<uint32_t> delivered;
    for (const sim::RegisterAccess& r : scanner->TraceOf(0))
      if (r.value != 0) delivered.push_back(r.value);
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_EQ(delivered[0], 4692u / 4);
    EXPECT_EQ(scanner->RegisterByte(208), 31) << "32 samples per pixel";
    EXPECT_EQ(scanner->RegisterByte(194) | (scanner->RegisterByte(195) << 8), int(kPixels));
    EXPECT_EQ(scanner->RegisterByte(224) | (scanner->RegisterByte(225) << 8), 0xFFFF) << "no threshold";
    EXPECT_EQ(scanner->RegisterByte(226), 1) << "sample pitch code of a 2048 gap";
    EXPECT_EQ(scanner->RegisterByte(176) & 0xF0, 0x00) << "laser off, run stopped after the line";
    EXPECT_EQ(scanner->RegisterByte(4), 0);
    const std::vector<sim::RegisterAccess> run = scanner->TraceOf(4, true);
    ASSERT_FALSE(run.empty());
    EXPECT_EQ(run.back().value, 0u);
    EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0x08) << "lamp on";
    EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0) << "transport at rest";
    EXPECT_EQ(scanner->RegisterByte(144), 0);
  }
}

TEST_F(TestLine, OverUsbTheSameLine) {
  scenario.ambient = 100;  // 32 x 100 / 2 with the default gain
  Open(sessiontest::kIni, true);
  const Answer a = Ctrl(0x100A, U16(600), 2 * kBufferWords);
  EXPECT_EQ(a.result, 0);
  ASSERT_EQ(a.count, int32_t(2 * kPixels)) << "only the line taken at the second trigger";
  for (size_t i = 0; i < kPixels; ++i) ASSERT_EQ(a.out[2 * i] | (a.out[2 * i + 1] << 8), 1600) << i;
}

TEST_F(TestLine, TheOutputLengthLimitsTheCopy) {
  scenario.ambient = 100;
  Open();
  const Answer a = Ctrl(0x100A, U16(600), 101);
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(a.count, 100);
  EXPECT_EQ(a.out[100], kUntouched);
  EXPECT_EQ(Ctrl(0x100A, U16(600), 0).count, 0);
}

TEST_F(TestLine, SaturatedSamplesArePassedOverWithTheWordAfterThem) {
  scenario.ambient = 5000;  // 32 x 5000 / 2 = 80000: every sample 0xFFF0
  Open();
  const Answer a = Ctrl(0x100A, U16(600), 2 * kBufferWords);
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(a.count, 0);
}

TEST_F(TestLine, AVoltageAbove1200IsRefusedBeforeAnythingMoves) {
  Open();
  const Answer a = Ctrl(0x100A, U16(1201), 100);
  EXPECT_EQ(a.result, -102);
  EXPECT_EQ(a.count, 0);
  EXPECT_TRUE(scanner->Trace().empty());
}

TEST_F(TestLine, AFailingBlockReadIsTheResult) {
  scenario.ambient = 100;
  Open();
  scanner->SetBadChecksumReads(-1);
  const Answer a = Ctrl(0x100A, U16(600), 2 * kBufferWords);
  scanner->SetBadChecksumReads(0);
  EXPECT_EQ(a.result, -200);
  EXPECT_EQ(a.count, 0);
}

}  // namespace
