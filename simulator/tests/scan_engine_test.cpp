// The scan engine: plates under the programmed geometry become the
// scan-data stream in the scanner memory.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "simulator/scanner_model.h"

namespace {

constexpr uint32_t LineEnd(uint16_t next) { return 0xFFFEu | (uint32_t{next} << 16); }
constexpr uint32_t Skip(uint16_t n) { return 0xFFF1u | (uint32_t{n} << 16); }
constexpr uint32_t Pair(uint16_t a, uint16_t b) { return a | (uint32_t{b} << 16); }

// A line as the stream describes it: runs of samples at pixel positions.
struct Line {
  std::vector<std::pair<int, std::vector<uint16_t>>> runs;
};

// Decodes a stream the way the driver's parser walks it (x moves on by a
// skip's argument and restarts at a line end's argument).
std::vector<Line> Decode(const std::vector<uint32_t>& words, int* final_x = nullptr) {
  std::vector<Line> lines(1);
  int x = 0;
  bool in_run = false;
  for (uint32_t w : words) {
    uint16_t first = w & 0xFFFF, second = w >> 16;
    if (first <= 0xFFF0) {
      if (!in_run) lines.back().runs.push_back({x, {}});
      in_run = true;
      lines.back().runs.back().second.push_back(first);
      lines.back().runs.back().second.push_back(second);
      x += 2;
      continue;
    }
    in_run = false;
    if (first == 0xFFFE) {
      lines.emplace_back();
      x = second;
    } else {
      x += second;
    }
  }
  if (final_x) *final_x = x;
  return lines;
}

class ScanEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseVirtualClock(0);
    scenario.fpga_configured = true;
    scenario.lead_lines = 2;
    scenario.stop_lines = 3;
  }
  void TearDown() override { platform::UseRealClock(); }

  void Build() { scanner = std::make_unique<sim::Scanner>(scenario); }
  void W(int reg, uint32_t v, int width = 8) { ASSERT_TRUE(scanner->WriteRegister(reg, width, v)); }
  uint32_t R(int reg, int width = 8) {
    uint32_t v = 0;
    EXPECT_TRUE(scanner->ReadRegister(reg, width, &v));
    return v;
  }
  // Start 100 (pixel 0 there), 64 pixels, S = 12, threshold 500, offset 0.
  void Geometry(int pixels = 64, uint16_t threshold = 500, int samples = 12) {
    W(192, 95, 16);
    W(194, static_cast<uint32_t>(pixels), 16);
    W(224, threshold, 16);
    W(210, 0, 16);
    W(208, static_cast<uint32_t>(samples - 1));
  }
  void Scan(bool transport = true) {
    W(240, 0x08);  // high voltage on
    W(176, 0xF0);  // laser and run
    W(4, 1);
    if (transport) W(163, 0x73);
  }
  std::vector<uint32_t> Drain() {
    std::vector<uint32_t> words(scanner->WordsWaiting());
    size_t n = scanner->ReadMemory(words.data(), words.size());
    words.resize(n);
    return words;
  }
  sim::Plate PlateAt(int pixel, sim::PlateImage image, int slot = 0, uint32_t at_ms = 0) {
    sim::Plate p;
    p.slot = slot;
    p.at_ms = at_ms;
    p.position = 100 + pixel;
    p.image = std::move(image);
    return p;
  }

  sim::Scenario scenario;
  std::unique_ptr<sim::Scanner> scanner;
};

TEST_F(ScanEngine, OnePlateExactly) {
  sim::PlateImage img = sim::GradientPlate(20, 3, 1000, 1019);
  scenario.plates.push_back(PlateAt(10, img));
  Build();
  Geometry();
  Scan();
  platform::Sleep(20);
  scanner->Update();
  std::vector<uint32_t> words = Drain();
  // The first line (the plate one line from the scan line) is empty and has
  // no marker before it; its line end announces the plate's first pixel.
  std::vector<uint32_t> head(words.begin(), words.begin() + 2);
  EXPECT_EQ(head, (std::vector<uint32_t>{LineEnd(10), Pair(1000, 1001)}));
  std::vector<Line> lines = Decode(words);
  int lit = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].runs.empty()) continue;
    ASSERT_EQ(lines[i].runs.size(), 1u) << i;
    EXPECT_EQ(lines[i].runs[0].first, 10) << i;
    std::vector<uint16_t> row(img.pixels.begin() + lit * 20, img.pixels.begin() + (lit + 1) * 20);
    EXPECT_EQ(lines[i].runs[0].second, row) << i;
    ++lit;
  }
  EXPECT_EQ(lit, 3);
  EXPECT_EQ(scanner->LineCounter(), lines.size()) << "every line counted, the last one still open";
  // The last plate line's end announces an empty line: 64 pixels, no data.
  ASSERT_GT(words.size(), 33u);
  EXPECT_EQ(words[33], LineEnd(64));
}

TEST_F(ScanEngine, RunsArePairsAlignedToEvenPixels) {
  sim::PlateImage img = sim::FlatPlate(5, 1, 2000);
  scenario.plates.push_back(PlateAt(11, img));
  Build();
  Geometry();
  Scan();
  platform::Sleep(10);
  scanner->Update();
  std::vector<Line> lines = Decode(Drain());
  auto it = std::find_if(lines.begin(), lines.end(), [](const Line& l) { return !l.runs.empty(); });
  ASSERT_NE(it, lines.end());
  ASSERT_EQ(it->runs.size(), 1u);
  EXPECT_EQ(it->runs[0].first, 10);
  EXPECT_EQ(it->runs[0].second, (std::vector<uint16_t>{0, 2000, 2000, 2000, 2000, 2000}));
}

TEST_F(ScanEngine, TwoPlatesSideBySideAreSkippedBetween) {
  scenario.plates.push_back(PlateAt(4, sim::FlatPlate(4, 1, 3000), 0));
  scenario.plates.push_back(PlateAt(40, sim::FlatPlate(6, 1, 4000), 1));
  Build();
  Geometry();
  Scan();
  platform::Sleep(10);
  scanner->Update();
  std::vector<uint32_t> words = Drain();
  // An empty lead line, then one lit line: 2 pairs from 4, skip 32, 3 pairs.
  std::vector<uint32_t> expected = {LineEnd(4),       Pair(3000, 3000), Pair(3000, 3000), Skip(32),
                                    Pair(4000, 4000), Pair(4000, 4000), Pair(4000, 4000), LineEnd(64)};
  ASSERT_GE(words.size(), expected.size());
  EXPECT_EQ(std::vector<uint32_t>(words.begin(), words.begin() + expected.size()), expected);
}

TEST_F(ScanEngine, ThresholdOffsetAndLightLevels) {
  scenario.dark = 100;  // per sample: 1200 at S = 12
  scenario.plates.push_back(PlateAt(0, sim::FlatPlate(4, 1, 300)));
  Build();
  Geometry(64, 1000);
  W(210, 1200, 16);  // the converter offset cancels the dark level
  Scan();
  platform::Sleep(10);
  scanner->Update();
  std::vector<Line> lines = Decode(Drain());
  int lit = 0;
  for (const Line& l : lines) lit += !l.runs.empty();
  EXPECT_EQ(lit, 0) << "300 is not above the threshold 1000";
  // The light check's converter sum: dark and ambient (only with HV on), minus the offset.
  W(210, 0, 16);
  scanner->SetAmbient(50);
  R(248);
  EXPECT_EQ(R(228, 16), 1800u);
  W(240, 0x00);
  R(248);
  EXPECT_EQ(R(228, 16), 1200u) << "ambient light reaches the PMT only with the high voltage on";
  W(208, 19);  // S = 20: the sum is halved
  R(248);
  EXPECT_EQ(R(228, 16), 1000u);
}

TEST_F(ScanEngine, FullyLitLinesRunOnWithoutLineEnds) {
  scenario.ambient = 200;
  Build();
  Geometry(32, 1000);
  Scan(false);
  platform::Sleep(5);
  scanner->Update();
  scanner->SetAmbient(0);
  platform::Sleep(3);
  scanner->Update();
  std::vector<uint32_t> words = Drain();
  int line_ends = 0, pairs = 0;
  for (uint32_t w : words) {
    if ((w & 0xFFFF) == 0xFFFE) ++line_ends;
    if ((w & 0xFFFF) <= 0xFFF0) ++pairs;
  }
  EXPECT_EQ(pairs, 16 * 5) << "five lit lines of 16 pairs";
  EXPECT_EQ(words[16 * 5], LineEnd(32)) << "the first line end comes when the light goes";
  EXPECT_EQ(line_ends, 3);
}

TEST_F(ScanEngine, TransportSensorsAndEvents) {
  scenario.plates.push_back(PlateAt(0, sim::FlatPlate(8, 4, 2000), 2, 10));
  Build();
  Geometry();
  W(163, 0x73);
  platform::Sleep(5);
  EXPECT_EQ(R(164) & 0x0F, 0);
  EXPECT_EQ(R(248), 0u) << "armed, no plate: the transport waits";
  platform::Sleep(6);
  EXPECT_EQ(R(164) & 0x0F, 0x04);
  EXPECT_EQ(R(248), 0x09u) << "running, event: plate detected";
  W(248, 8);
  EXPECT_EQ(R(248), 0x01u);
  // The sensor clears after the plate's 4 lines; the transport stops
  // lead + height + stop lines after the plate came.
  platform::Sleep(4);
  EXPECT_EQ(R(164) & 0x0F, 0);
  platform::Sleep(6);
  EXPECT_EQ(R(248), 0x08u) << "stopped, event";
}

TEST_F(ScanEngine, HighVoltageFollowsTheDacAndDecays) {
  scenario.hv_decay_volts_per_s = 1000;
  Build();
  EXPECT_EQ(scanner->HighVoltage(), 0.0);
  scenario.hv_initial = 800;
  scenario.hv_decay_volts_per_s = 0;
  Build();
  platform::Sleep(10000);
  EXPECT_EQ(scanner->HighVoltage(), 800.0) << "never decays";
  scenario.hv_decay_volts_per_s = 1000;
  Build();
  platform::Sleep(300);
  EXPECT_NEAR(scanner->HighVoltage(), 500.0, 1.0);
}

TEST_F(ScanEngine, LineCounterRunsOnlyWhileScanningAndResets) {
  Build();
  Geometry();
  platform::Sleep(10);
  scanner->Update();
  EXPECT_EQ(scanner->LineCounter(), 0u);
  Scan(false);
  platform::Sleep(10);
  scanner->Update();
  EXPECT_EQ(scanner->LineCounter(), 10u);
  EXPECT_EQ(R(16) | (R(17) << 8) | (R(18) << 16), 10u);
  platform::Sleep(300);
  scanner->Update();
  ASSERT_EQ(scanner->LineCounter() >> 8, 1u);
  EXPECT_EQ(R(17), 1u) << "a read of 17 alone is not held from the last complete read";
  W(240, 0x88);  // reset pulse
  W(240, 0x08);
  EXPECT_EQ(scanner->LineCounter(), 0u);
  EXPECT_EQ(scanner->WordsWaiting(), 0u);
}

TEST_F(ScanEngine, MemoryRingChecksumAndMark) {
  scenario.memory.rows = 1;
  scenario.memory.columns = 1;  // a tiny module: the ring has its minimum of 1024 words
  Build();
  ASSERT_EQ(scanner->MemoryWords(), 1024u);
  std::vector<uint32_t> data;
  for (uint32_t i = 0; i < 1000; ++i) data.push_back(i * 0x00030001u);
  scanner->AppendMemory(data);
  EXPECT_EQ(R(51, 32), 1000u);
  W(32, 0);
  uint32_t got[600];
  ASSERT_EQ(scanner->ReadMemory(got, 600), 600u);
  uint16_t sum = 0;
  for (uint32_t w : got) sum = static_cast<uint16_t>(sum + (w & 0xFFFF) + (w >> 16));
  EXPECT_EQ(R(32, 16), sum);
  EXPECT_EQ(R(8, 32), 600u);
  W(55, 0);
  EXPECT_EQ(R(55, 32), 600u) << "the mark is the read position";
  // Wrapping: 600 more words go round the end of the ring.
  scanner->AppendMemory(std::vector<uint32_t>(600, 0x12345678));
  EXPECT_EQ(R(51, 32), 1000u);
  EXPECT_EQ(scanner->WritePointer(), (1000u + 600u) % 1024u);
  // Full: what does not fit is dropped.
  scanner->AppendMemory(std::vector<uint32_t>(100, 1));
  EXPECT_EQ(R(51, 32), 1023u);
  // Moving the read pointer back makes the words wait again.
  W(8, 0, 32);
  EXPECT_EQ(R(51, 32), (1000u + 600u + 23u) % 1024u);
}

// The USB bulk read of the data port: no bus access while no word waits.
TEST_F(ScanEngine, WaitingMemoryIsReadOnlyWhenWordsWait) {
  Build();
  uint32_t words[4] = {};
  bool refused = true;
  EXPECT_EQ(scanner->ReadWaitingMemory(words, 4, &refused), 0u);
  EXPECT_FALSE(refused);
  EXPECT_TRUE(scanner->TraceOf(0).empty()) << "no data-port access";
  scanner->AppendMemory({5, 6});
  EXPECT_EQ(scanner->ReadWaitingMemory(words, 4, &refused), 2u);
  EXPECT_EQ(words[1], 6u);
  ASSERT_EQ(scanner->TraceOf(0).size(), 1u);
  EXPECT_EQ(scanner->TraceOf(0)[0].value, 2u) << "the words delivered";
  EXPECT_EQ(scanner->WordsWaiting(), 0u);
  // Unconfigured: words wait, the read is refused.
  scenario.fpga_configured = false;
  Build();
  scanner->AppendMemory({1});
  EXPECT_EQ(scanner->ReadWaitingMemory(words, 4, &refused), 0u);
  EXPECT_TRUE(refused);
  EXPECT_EQ(scanner->WordsWaiting(), 1u);
}

TEST_F(ScanEngine, TraceAndI2cLogKeepTheMostRecentEntries) {
  Build();
  scanner->SetTraceLimits(100, 4);
  for (uint32_t i = 0; i < 1000; ++i) W(144, i & 0xFF);
  std::vector<sim::RegisterAccess> trace = scanner->Trace();
  ASSERT_LE(trace.size(), 100u);
  ASSERT_GE(trace.size(), 50u);
  for (size_t i = 0; i < trace.size(); ++i)
    EXPECT_EQ(trace[i].value, (1000 - trace.size() + i) & 0xFF) << "the newest accesses, in order";
  // Ten selections of the temperature sensor: START, address byte, STOP.
  for (int n = 0; n < 10; ++n) {
    for (uint32_t v : {0x82, 0x02, 0x00, 0x80}) W(128, v);
    for (int bit = 7; bit >= 0; --bit) {
      uint32_t d = ((0x92 >> bit) & 1) ? 0x80 : 0x00;
      for (uint32_t v : {d, d + 2, d}) W(128, v);
    }
    for (uint32_t v : {0x80, 0x82, 0x80, 0x00, 0x02, 0x82}) W(128, v);
  }
  auto log = scanner->I2cTransactions();
  EXPECT_LE(log.size(), 4u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().address, 0x92);
  EXPECT_TRUE(log.back().acknowledged);
}

TEST_F(ScanEngine, UnconfiguredFpgaRefusesRegisters) {
  scenario.fpga_configured = false;
  Build();
  uint32_t v = 7;
  EXPECT_FALSE(scanner->ReadRegister(248, 8, &v));
  EXPECT_EQ(v, 0u);
  EXPECT_FALSE(scanner->WriteRegister(176, 8, 1));
  EXPECT_FALSE(scanner->Trace().back().ok);
  scanner->AppendMemory({1, 2, 3});
  uint32_t words[3] = {};
  bool refused = false;
  EXPECT_EQ(scanner->ReadMemory(words, 3, &refused), 0u);
  EXPECT_TRUE(refused) << "the data port is refused too";
  EXPECT_EQ(scanner->WordsWaiting(), 3u);
}

TEST_F(ScanEngine, OldDataInMemory) {
  sim::OldData old;
  old.start = 100;
  old.pixels = 64;
  old.threshold = 500;
  sim::Plate p = PlateAt(6, sim::FlatPlate(4, 2, 900));
  p.at_ms = 1;  // its first row on line 1
  old.plates.push_back(p);
  old.read_offset_words = 2;
  scenario.fpga_configured = false;
  scenario.old_data = old;
  Build();
  EXPECT_TRUE(scanner->FpgaConfigured()) << "memory kept its data, so the FPGA kept its design";
  EXPECT_EQ(R(55, 32), 0u);
  EXPECT_EQ(R(8, 32), 2u);
  W(8, 0, 32);
  std::vector<uint32_t> words = Drain();
  std::vector<uint32_t> expected = {LineEnd(6),     Pair(900, 900), Pair(900, 900), LineEnd(6),
                                    Pair(900, 900), Pair(900, 900), LineEnd(64),    LineEnd(64),
                                    LineEnd(64),    LineEnd(64),    LineEnd(64)};
  EXPECT_EQ(words, expected);
}

TEST_F(ScanEngine, TestLineTriggerTakesTheWholeLineAtItsSecondWrite) {
  scenario.dark = 10;  // S = 4: 40 on every pixel, below the threshold
  Build();
  Geometry(6, 500, 4);
  scanner->AppendMemory({1, 2, 3});
  W(196, 1);
  EXPECT_EQ(scanner->WordsWaiting(), 0u) << "armed: the memory emptied, nothing taken yet";
  W(196, 1);
  EXPECT_EQ(R(8, 32), 0u);
  EXPECT_EQ(Drain(), (std::vector<uint32_t>{Pair(40, 40), Pair(40, 40), Pair(40, 40)}))
      << "every pair, whatever the threshold";
  W(196, 0);
  W(196, 1);
  EXPECT_EQ(scanner->WordsWaiting(), 0u) << "another value disarms: this 1 arms again";
  // The line stays open: the next scanned line (nothing lit) ends it.
  W(196, 1);
  Scan(false);
  platform::Sleep(1);
  scanner->Update();
  std::vector<uint32_t> words = Drain();
  ASSERT_GE(words.size(), 4u);
  EXPECT_EQ(words[3], LineEnd(6));
}

TEST_F(ScanEngine, TransferTestWordsCountOnAcrossWrites) {
  scenario.transfer_test_words = 5;
  Build();
  W(5, 1);
  W(5, 0);
  W(5, 1);
  EXPECT_EQ(Drain(), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

}  // namespace
