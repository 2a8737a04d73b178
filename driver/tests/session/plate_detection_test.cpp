// Plates found beside light that makes no plate, through the exports: sparse
// speckles never fill the range table, so the plate beside them comes out
// exact; light that does fill it costs the plate beside it, which is then
// reported lost and never handed out cut.
#include <random>

#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

constexpr int kLost = -1;

// `width` x `height` of dark pixels with about `per_mille` / 1000 of them at
// `value`.
sim::PlateImage Speckles(int width, int height, int per_mille, uint16_t value, uint32_t seed) {
  sim::PlateImage p = sim::FlatPlate(width, height, 0);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(0, 999);
  for (uint16_t& v : p.pixels)
    if (d(rng) < per_mille) v = value;
  return p;
}

// Stripes two pixels wide, two apart: each one a range of its own, none of
// them a plate (too small), all of them running at once.
sim::PlateImage Comb(int stripes, int height, uint16_t value) {
  sim::PlateImage p = sim::FlatPlate(4 * stripes, height, 0);
  for (int y = 0; y < height; ++y)
    for (int s = 0; s < stripes; ++s) p.pixels[static_cast<size_t>(y) * p.width + 4 * s] = value;
  return p;
}

class PlateDetection : public SessionTest {
 protected:
  // A fresh session over either interface, active, with these plates.
  void StartPass(bool usb, std::vector<sim::Plate> plates) {
    StartAfresh();
    scenario.plates = std::move(plates);
    WriteIni();
    AttachOver(usb);
    scanner->SetTracing(false);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Aktivate_Scanner(), 0);
  }
  // Polls a pass through; the images handed out and the -1 answers.
  std::vector<std::string> Pass(int* lost) {
    std::vector<std::string> names;
    bool ran = false;
    *lost = 0;
    const uint64_t until = platform::NowMs() + 60000;
    while (platform::NowMs() < until) {
      const int status = Get_Status();
      if (status == kLost) {
        ++*lost;
        continue;
      }
      EXPECT_GE(status, 0) << Log();
      if (status < 0) break;
      for (int pending = status & 0xFF; pending > 0; --pending) {
        char name[256];
        if (Get_ImageName(name) > 0) names.push_back(name);
      }
      const bool running = status & (1 << 25);
      ran = ran || running;
      if (ran && !running && (status & ((1 << 27) | 0xFF)) == 0 && scanner->WordsWaiting() == 0) break;
      platform::Sleep(5);
    }
    return names;
  }
  void ExpectExact(const std::string& name, const sim::PlateImage& want) {
    SCOPED_TRACE(name);
    const StoredImage got = ReadStoredImage(name);
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    EXPECT_TRUE(got.pixels == want.pixels);
  }
};

TEST_F(PlateDetection, SpeckledBandBesideAPlateLeavesThePlateExact) {
  const sim::PlateImage band = Speckles(3000, 1500, 5, 140, 7);  // 0.5 % at 140 against Threshold=100
  const sim::PlateImage plate = sim::NoisePlate(400, 300, 1000, 40000, 3);
  for (bool usb : {false, true}) {
    SCOPED_TRACE(usb ? "USB" : "parallel port");
    ASSERT_NO_FATAL_FAILURE(StartPass(usb, {PlateAt(0, 100, 0, band), PlateAt(1, 300, 3200, plate)}));
    int lost = 0;
    const std::vector<std::string> names = Pass(&lost);
    EXPECT_EQ(lost, 0);
    ASSERT_EQ(names.size(), 1u) << Log();
    ExpectExact(names[0], plate);
    EXPECT_EQ(Log().find("Rangebuffer overflow"), std::string::npos);
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

TEST_F(PlateDetection, PlateCutByAFullRangeTableIsReportedLostAndTheNextComesOutExact) {
  const sim::PlateImage comb = Comb(1000, 20, 5000);
  const sim::PlateImage cut = sim::NoisePlate(400, 300, 1000, 40000, 4);
  const sim::PlateImage next = sim::NoisePlate(300, 200, 1000, 40000, 5);
  for (bool usb : {false, true}) {
    SCOPED_TRACE(usb ? "USB" : "parallel port");
    // The comb comes first on each of its lines: the plate's first rows find
    // no place. The next plate passes where the comb was, once it has ended.
    ASSERT_NO_FATAL_FAILURE(
        StartPass(usb, {PlateAt(0, 100, 0, comb), PlateAt(1, 100, 4200, cut), PlateAt(2, 300, 1000, next)}));
    int lost = 0;
    const std::vector<std::string> names = Pass(&lost);
    const std::string log = Log();
    EXPECT_EQ(lost, 1) << log;
    ASSERT_EQ(names.size(), 1u) << log;
    ExpectExact(names[0], next);
    EXPECT_NE(log.find("CRITICAL ERROR: Internal Rangebuffer overflow\n"), std::string::npos);
    EXPECT_NE(log.find("ERROR: Plate from (4200, "), std::string::npos) << log;
    EXPECT_NE(log.find("lost: rows not placed in the full range table\n"), std::string::npos) << log;
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

// Values that would let no plate through are taken as missing: the plate
// comes out, and the log names the keys.
TEST_F(PlateDetection, UnusableThresholdAndRatioStillMakeThePlate) {
  const sim::PlateImage plate = sim::NoisePlate(200, 300, 1000, 40000, 6);
  StartAfresh();
  std::string ini = kIni;
  ini.replace(ini.find("Threshold=100\n"), 14, "Threshold=-1\n");
  ini.insert(ini.find("[Scanner]\n") + 10, "MaxAspectRatio=abc\n");
  WriteIni(ini);
  scenario.plates = {PlateAt(0, 100, 800, plate)};
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  int lost = 0;
  const std::vector<std::string> names = Pass(&lost);
  ASSERT_EQ(names.size(), 1u) << Log();
  ExpectExact(names[0], plate);
  const std::string log = Log();
  EXPECT_NE(log.find("WARNING: Unusable value '-1' of Threshold in [Param_#1]"), std::string::npos) << log;
  EXPECT_NE(log.find("WARNING: Unusable value 'abc' of MaxAspectRatio in [Scanner]"), std::string::npos) << log;
}

}  // namespace
