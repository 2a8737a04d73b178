// Parsing the stream into blocks, ranges and their flushing, prescan ring.
#include <gtest/gtest.h>

#include <cerrno>

#include "driver/tests/acquisition/stream_helpers.h"
#include "platform/files.h"
#include "testing/temp_folder.h"

using namespace acqtest;
using tarvel::Acquisition;
using testsupport::TempFolder;

namespace {

// The log of a fresh acquisition in `mode` that parsed the whole scene and
// flushed it with end, its files in `folder`.
std::string ParsedAndFlushed(const tarvel::ScanMode& mode, const Scene& scene, const TempFolder& folder) {
  LogCapture log;
  Acquisition a{LogTo(log)};
  a.SetSettings(mode, 0);
  EXPECT_TRUE(a.OpenTempFile(folder / "t.tmp"));
  a.SetImageFolder(folder.path());
  a.Activate();
  const std::vector<uint8_t> s = Encode(scene);
  int e;
  a.ParsePiece(s.data(), s.size(), &e);
  a.FlushRanges(true);
  a.CloseTempFile();
  return log.Text();
}

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    acq.SetSettings(SmallMode(), 0);
    ASSERT_TRUE(acq.OpenTempFile(dir / "Tarvel.tmp"));
    ASSERT_TRUE(acq.SetImageFolder(dir.path()));
    acq.Activate();
  }
  int Parse(const std::vector<uint8_t>& s) {
    int empty = -5;
    acq.ParsePiece(s.data(), s.size(), &empty);
    return empty;
  }
  std::vector<std::string> Images() const {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(dir.path()))
      if (e.path().extension() == ".QEW") v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
  }
  TempFolder dir;
  LogCapture log;
  Acquisition acq{LogTo(log)};
};

TEST_F(StreamTest, RunSplitAcrossReadsIsOneBlockWithTheOffsetOfItsFirstPart) {
  std::vector<uint8_t> a, b;
  PutSkip(a, 6);
  PutPairs(a, {200, 201, 202, 203});
  PutPairs(b, {204, 205});
  PutEol(b, 10);
  PutPairs(b, {300, 301});
  PutEol(b, 10);
  EXPECT_EQ(Parse(a), 0);
  EXPECT_EQ(acq.Runs().BlockCount(), 0);
  EXPECT_EQ(Parse(b), 0);
  ASSERT_EQ(acq.Runs().BlockCount(), 2);
  EXPECT_EQ(acq.Runs().Block(0).x_from, 6);
  EXPECT_EQ(acq.Runs().Block(0).x_to, 11);
  EXPECT_EQ(acq.Runs().Block(0).line, 0);
  EXPECT_EQ(acq.Runs().Block(0).file_offset, 0);
  EXPECT_EQ(acq.Runs().Block(1).x_from, 10);
  EXPECT_EQ(acq.Runs().Block(1).x_to, 11);
  EXPECT_EQ(acq.Runs().Block(1).line, 1);
  EXPECT_EQ(acq.Runs().Block(1).file_offset, 12);
  EXPECT_EQ(acq.LineCount(), 2);
  acq.CloseTempFile();
  std::string file = ReadAll(dir / "Tarvel.tmp");
  const uint16_t want[] = {200, 201, 202, 203, 204, 205, 300, 301};
  ASSERT_EQ(file.size(), sizeof want);
  EXPECT_EQ(0, std::memcmp(file.data(), want, sizeof want));
}

// 0xFFF0, the largest value the scanner sends, is a sample, in the first
// word of a unit as in the second; 0xFFF1 is the first marker (a skip).
TEST_F(StreamTest, TheLargestSampleIsASampleAndTheWordAboveItAMarker) {
  std::vector<uint16_t> samples;
  for (int i = 0; i < 40; ++i) samples.push_back(i % 3 == 0 ? 0xFFF0 : static_cast<uint16_t>(1000 + i));
  std::vector<uint8_t> piece;
  PutPairs(piece, samples);  // 20 units: a stretch of 16 and the rest
  PutSkip(piece, 4);
  PutPairs(piece, {0xFFF0, 0xFFF0});
  PutEol(piece, 0);
  Parse(piece);
  ASSERT_EQ(acq.Runs().BlockCount(), 2);
  EXPECT_EQ(acq.Runs().Block(0).x_from, 0);
  EXPECT_EQ(acq.Runs().Block(0).x_to, 39);
  EXPECT_EQ(acq.Runs().Block(1).x_from, 44);
  EXPECT_EQ(acq.Runs().Block(1).x_to, 45);
  acq.CloseTempFile();
  samples.push_back(0xFFF0);
  samples.push_back(0xFFF0);
  const std::string file = ReadAll(dir / "Tarvel.tmp");
  ASSERT_EQ(file.size(), 2 * samples.size());
  EXPECT_EQ(0, std::memcmp(file.data(), samples.data(), file.size()));
}

TEST_F(StreamTest, UnitsCutAtAnyByteAreCarriedToTheNextPiece) {
  std::vector<uint8_t> s;
  PutPairs(s, {500, 501, 502, 503});
  PutSkip(s, 3);
  PutPairs(s, {600, 601});
  PutEol(s, 4);
  PutPairs(s, {700, 701});
  PutEol(s, 255);
  Acquisition whole;
  whole.SetSettings(SmallMode(), 0);
  TempFolder other;
  ASSERT_TRUE(whole.OpenTempFile(other / "t.tmp"));
  int e;
  whole.ParsePiece(s.data(), s.size(), &e);

  const size_t cuts[] = {1, 3, 5, 7, 2};
  size_t at = 0, i = 0;
  while (at < s.size()) {
    size_t n = std::min(cuts[i++ % 5], s.size() - at);
    acq.ParsePiece(s.data() + at, n, &e);
    at += n;
  }
  ASSERT_EQ(acq.Runs().BlockCount(), whole.Runs().BlockCount());
  ASSERT_EQ(acq.Runs().BlockCount(), 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(acq.Runs().Block(k).x_from, whole.Runs().Block(k).x_from);
    EXPECT_EQ(acq.Runs().Block(k).x_to, whole.Runs().Block(k).x_to);
    EXPECT_EQ(acq.Runs().Block(k).line, whole.Runs().Block(k).line);
    EXPECT_EQ(acq.Runs().Block(k).file_offset, whole.Runs().Block(k).file_offset);
  }
  EXPECT_EQ(acq.Runs().Block(1).x_from, 7);
  EXPECT_EQ(acq.Runs().Block(2).x_from, 4);
  EXPECT_EQ(acq.LineCount(), 2);
}

TEST_F(StreamTest, EmptyLineCount) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint16_t, uint16_t>> units;
    int empty;
  };
  const uint16_t last = 255;
  const Case cases[] = {
      {"lit data at the end", {{1000, 1001}}, 0},
      {"one empty line", {{1000, 1001}, {0xFFFE, last}}, 1},
      {"argument above the last pixel", {{0xFFFE, 4000}, {0xFFFE, last}}, 2},
      {"an ordinary line end", {{0xFFFE, last - 1}}, 0},
      {"a later run sets it back", {{0xFFFE, last}, {0xFFFE, 4}, {1000, 1001}}, 0},
      {"a later run, then an empty line", {{0xFFFE, last}, {1000, 1001}, {0xFFFE, last}}, 1},
      {"skips do not count", {{0xFFF1, 300}}, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> s;
    for (auto [a, b] : c.units) PutUnit(s, a, b);
    EXPECT_EQ(Parse(s), c.empty) << c.what;
    acq.Activate();
  }
  int empty = 0;
  EXPECT_EQ(acq.ReadAndParse(
                [](uint8_t*, uint32_t, uint32_t* got) {
                  *got = 0;
                  return 0;
                },
                &empty),
            0);
  EXPECT_EQ(empty, -1);
  EXPECT_EQ(acq.ReadAndParse(
                [](uint8_t*, uint32_t, uint32_t* got) {
                  *got = 0;
                  return -200;
                },
                &empty),
            -200);
}

TEST_F(StreamTest, ResetKeepsTheParsePositionForTheNextLine) {
  std::vector<uint8_t> first, second;
  PutPairs(first, {1000, 1001});
  PutEol(first, 255);  // an empty line ...
  PutEol(first, 100);  // ... then the next line starts at pixel 100
  EXPECT_EQ(Parse(first), 1);
  acq.FlushRanges(true);
  acq.Reset();
  PutPairs(second, {2000, 2001});
  PutEol(second, 255);
  Parse(second);
  ASSERT_EQ(acq.Runs().BlockCount(), 1);
  EXPECT_EQ(acq.Runs().Block(0).x_from, 100);
  EXPECT_EQ(acq.Runs().Block(0).file_offset, 0);
  acq.Activate();
  EXPECT_EQ(acq.Parser().ParseX(), 0);
  EXPECT_EQ(acq.LineCount(), 0);
}

TEST_F(StreamTest, FullBlockTableDropsRunsAndLogsOnce) {
  std::vector<uint8_t> s;
  for (int i = 0; i < tarvel::kMaxBlocks + 5; ++i) {
    PutPairs(s, {1000, 1001});
    PutSkip(s, 1);
  }
  PutPairs(s, {1000, 1001});  // the open run of a full table
  Parse(s);
  EXPECT_EQ(acq.Runs().BlockCount(), tarvel::kMaxBlocks);
  Parse(s);
  EXPECT_EQ(acq.Runs().BlockCount(), tarvel::kMaxBlocks);
  EXPECT_EQ(Count(log.Text(),
                  "CRITICAL ERROR: Internal Blockbuffer overflow\n"
                  "   This my be caused by too much light\n"),
            1);
  acq.CloseTempFile();
  EXPECT_EQ(fs::file_size(dir / "Tarvel.tmp"), uint64_t{4} * tarvel::kMaxBlocks);
}

TEST_F(StreamTest, FullRangeTableLogsOnceAndKeepsTheRanges) {
  acq.SetSettings(SmallMode(6000), 0);
  acq.Activate();
  std::vector<uint8_t> s;
  for (int i = 0; i < tarvel::kMaxRanges + 3; ++i) {
    PutPairs(s, {1000, 1001});
    PutSkip(s, 3);  // a gap of three pixels keeps them apart
  }
  PutEol(s, 0);
  Parse(s);
  acq.FlushRanges(false);
  EXPECT_EQ(acq.Ranges().Count(), tarvel::kMaxRanges);
  EXPECT_EQ(Count(log.Text(), "CRITICAL ERROR: Internal Rangebuffer overflow\n"), 1);
  acq.Reset();
  EXPECT_EQ(acq.Ranges().Count(), 0);
}

// Two 12 x 16 boxes, the second right of or below the first with a gap.
TEST_F(StreamTest, BoxesApartStaySeparateAndTouchingBoxesMerge) {
  struct Case {
    bool below;
    int gap;
    int images;
  };
  const Case cases[] = {{false, 1, 2}, {false, 0, 1}, {false, -5, 1}, {true, 1, 2}, {true, 0, 1}};
  int total = 0;
  for (const Case& c : cases) {
    Scene scene(256, 40);
    std::vector<uint16_t> px(12 * 16, 1000);
    scene.Put(10, 2, 12, 16, px);
    if (c.below)
      scene.Put(10, 18 + c.gap, 12, 16, px);
    else
      scene.Put(22 + c.gap, 2, 12, 16, px);
    acq.Activate();
    Parse(Encode(scene));
    acq.FlushRanges(true);
    total += c.images;
    EXPECT_EQ(static_cast<int>(Images().size()), total) << (c.below ? "below" : "right") << " gap " << c.gap;
  }
}

TEST_F(StreamTest, RangeEndingOnTheLastParsedLineIsNotFinished) {
  std::vector<uint8_t> s;
  PutPairs(s, {1000, 1001});
  PutEol(s, 0);  // block on line 0, Akt_Y 1: line 0 is Akt_Y - 1
  Parse(s);
  acq.FlushRanges(false);
  EXPECT_EQ(acq.Ranges().Count(), 1);
  s.clear();
  PutEol(s, 0);  // Akt_Y 2: line 0 is Akt_Y - 2
  Parse(s);
  acq.FlushRanges(false);
  EXPECT_EQ(acq.Ranges().Count(), 0);
}

TEST_F(StreamTest, DiscardedRangesAndTheirLogLines) {
  struct Case {
    const char* what;
    int plate_type, x, w, h;
    int64_t min_area;
    const char* line;  // expected log text, null: none
  };
  const Case cases[] = {
      {"too small", 0, 10, 10, 10, 101, "1 Ranges were removed as too small\n"},
      {"too wide", 0, 10, 40, 10, 0, "Range with bad X/Y ratio was removed; Ratio =  4.00, max =  3.00\n"},
      {"too tall", 0, 10, 10, 31, 0, "Range with bad X/Y ratio was removed; Ratio =  0.32, max =  3.00\n"},
      {"past the line end", 0, 252, 6, 6, 0, "Range was removed: Passed end of the scan line at 257!\n"},
      {"erase mode", 3, 10, 20, 20, 0, nullptr},
  };
  for (const Case& c : cases) {
    auto mode = SmallMode();
    mode.plate_type = c.plate_type;
    mode.min_image_pixels = c.min_area;
    // Lines one pixel wider than the mode so that a plate can pass the end.
    Scene scene(258, c.h + 3);
    scene.Put(c.x, 1, c.w, c.h, std::vector<uint16_t>(static_cast<size_t>(c.w) * c.h, 1000));
    TempFolder d2;
    const std::string text = ParsedAndFlushed(mode, scene, d2);
    SCOPED_TRACE(c.what);
    if (c.line) {
      EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
    EXPECT_EQ(text.find("Creating image"), std::string::npos);
    if (c.min_area > 0) {
      EXPECT_EQ(text.find("Range with bad"), std::string::npos);
    }
    if (c.plate_type == 3) {
      EXPECT_EQ(text, "Flushing 1 ranges from the buffer\n");
    }
    int files = 0;
    for (auto& f : fs::directory_iterator(d2.path())) files += f.path().extension() == ".QEW";
    EXPECT_EQ(files, 0);
  }
}

// A range exactly at a limit is kept: the minimum area, the largest side
// ratio either way, the last pixel of the line.
TEST_F(StreamTest, RangesExactlyAtTheLimitsBecomeImages) {
  struct Case {
    const char* what;
    int x, w, h;
    int64_t min_area;
  };
  const Case cases[] = {
      {"area equal to the minimum", 10, 10, 10, 100},
      {"three times as wide", 10, 30, 10, 0},
      {"three times as tall", 10, 10, 30, 0},
      {"ending on the last pixel", 250, 6, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto mode = SmallMode();
    mode.min_image_pixels = c.min_area;
    Scene scene(256, c.h + 3);
    scene.Put(c.x, 1, c.w, c.h, Phantom(c.w, c.h, 5));
    TempFolder d2;
    const std::string text = ParsedAndFlushed(mode, scene, d2);
    EXPECT_EQ(Count(text, "Creating image"), 1) << text;
  }
}

// A range that grows beside another one after it was made (here on a line
// below the other's end) merges with it once their boxes are adjacent, on
// whichever side the later one lies.
TEST_F(StreamTest, RangesWhoseBoxesBecomeAdjacentMergeWhicheverComesFirst) {
  for (bool later_on_the_left : {true, false}) {
    SCOPED_TRACE(later_on_the_left ? "later range on the left" : "later range on the right");
    Scene scene(256, 40);
    const std::vector<uint16_t> lit(12 * 30, 1000);
    // The first range: 12 x 4 at line 2.
    const int first_x = later_on_the_left ? 100 : 60;
    scene.Put(first_x, 2, 12, 4, lit);
    // The later one starts a line below, apart, and widens to touch the
    // first's box from line 7 on (below the first's last line + 1).
    const int later_x = later_on_the_left ? 60 : 110;
    scene.Put(later_x, 3, 12, 20, lit);
    if (later_on_the_left) {
      scene.Put(later_x, 7, 100 - later_x, 10, std::vector<uint16_t>(size_t(100 - later_x) * 10, 1000));
    } else {
      scene.Put(first_x + 12, 7, later_x - (first_x + 12), 10,
                std::vector<uint16_t>(size_t(later_x - first_x - 12) * 10, 1000));
    }
    acq.Activate();
    const int before = Count(log.Text(), "Creating image");
    Parse(Encode(scene));
    acq.FlushRanges(true);
    EXPECT_EQ(Count(log.Text(), "Creating image"), before + 1) << log.Text();
  }
}

TEST_F(StreamTest, TemporaryFileFolderIsCreatedAndAResetReusesTheFile) {
  Acquisition a;
  ASSERT_TRUE(a.OpenTempFile(dir / "sub/deeper/Tarvel.tmp"));
  a.Activate();
  std::vector<uint8_t> s;
  PutPairs(s, {1, 2, 3, 4});
  PutEol(s, 0);
  int e;
  a.ParsePiece(s.data(), s.size(), &e);
  a.Reset();
  a.ParsePiece(s.data(), s.size(), &e);
  EXPECT_EQ(a.Runs().Block(0).file_offset, 0);
  a.CloseTempFile();
  EXPECT_EQ(fs::file_size(dir / "sub/deeper/Tarvel.tmp"), 8u);
  EXPECT_FALSE(a.OpenTempFile(dir / "Tarvel.tmp/inside"));
  EXPECT_FALSE(a.TempFileOpen());
}

std::vector<uint8_t> ThreeLinesOfFourSamples() {
  std::vector<uint8_t> s;
  for (int line = 0; line < 3; ++line) {
    PutPairs(s, {1, 2, 3, 4});
    PutEol(s, 0);
  }
  return s;
}

TEST_F(StreamTest, TemporaryFileWriteErrorIsLoggedOnceAndOffsetsStayTrue) {
  Acquisition a{LogTo(log)};
  fs::create_symlink("/dev/full", dir / "full.tmp");  // every write fails
  ASSERT_TRUE(a.OpenTempFile(dir / "full.tmp"));
  a.Activate();
  const std::vector<uint8_t> s = ThreeLinesOfFourSamples();
  int e;
  a.ParsePiece(s.data(), s.size(), &e);
  ASSERT_EQ(a.Runs().BlockCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(a.Runs().Block(i).file_offset, 8 * i);
    EXPECT_TRUE(a.Runs().Block(i).lost);
  }
  EXPECT_EQ(a.Runs().WriteError(), ENOSPC);
  EXPECT_EQ(Count(log.Text(), "ERROR: File write error for Block[0]\n"), 1);
  EXPECT_EQ(Count(log.Text(), "File write error"), 1);
}

// A reset empties the file: what earlier plates left is gone, and the
// blocks after it are stored again.
TEST_F(StreamTest, ResetEmptiesTheTemporaryFile) {
  Acquisition a{LogTo(log)};
  ASSERT_TRUE(a.OpenTempFile(dir / "Tarvel.tmp"));
  a.Activate();
  const std::vector<uint8_t> s = ThreeLinesOfFourSamples();
  int e;
  a.ParsePiece(s.data(), s.size(), &e);
  EXPECT_EQ(fs::file_size(dir / "Tarvel.tmp"), 24u);
  platform::SetFileFaultPlan(platform::FileFaultPlan{dir.path(), -1, 0, -1, ENOSPC});
  a.ParsePiece(s.data(), s.size(), &e);
  EXPECT_TRUE(a.Runs().Block(3).lost);
  a.Reset();
  platform::SetFileFaultPlan(std::nullopt);
  EXPECT_EQ(fs::file_size(dir / "Tarvel.tmp"), 0u);
  EXPECT_EQ(a.Runs().WriteError(), 0);
  a.ParsePiece(s.data(), s.size(), &e);
  ASSERT_EQ(a.Runs().BlockCount(), 3);
  EXPECT_FALSE(a.Runs().Block(0).lost);
  EXPECT_EQ(fs::file_size(dir / "Tarvel.tmp"), 24u);
}

TEST_F(StreamTest, PrescanSetup) {
  EXPECT_EQ(acq.PrescanSetup(1024), -102);
  EXPECT_FALSE(acq.PrescanWaiting());
  EXPECT_EQ(acq.PrescanSetup(0), 0);
  EXPECT_EQ(acq.PrescanSetup(-3), 0);
  // An interval that computes to 0 takes every line.
  auto mode = SmallMode();
  mode.pitch_y = 1e-9;
  acq.SetSettings(mode, 0);
  EXPECT_EQ(acq.PrescanSetup(100), 0);
  std::vector<uint8_t> s;
  PutEol(s, 0);
  PutEol(s, 0);
  Parse(s);
  EXPECT_TRUE(acq.PrescanWaiting());
}

// interval = trunc(binning x pitch y / pitch x x step) / sample factor;
// step = AnzPixLine / samples = 4. Pitches are exact binary fractions.
TEST_F(StreamTest, PrescanIntervalFromBinningPitchesAndSampleFactor) {
  struct Case {
    int binning, xbin;
    double ratio;
    int interval;
  };
  const Case cases[] = {{1, 1, 1.0, 4}, {2, 1, 1.0, 8},  {2, 2, 1.0, 4},
                        {1, 1, 1.5, 6}, {1, 1, 0.25, 1}, {1, 1, 0.125, 1}};  // 0.5 lines: every line
  for (const Case& c : cases) {
    auto mode = SmallMode(257);
    mode.binning = c.binning;
    mode.sample_factor = c.xbin;
    mode.pitch_x = 1.0 / 16384;
    mode.pitch_y = c.ratio / 16384;
    acq.SetSettings(mode, 0);
    acq.Activate();
    ASSERT_EQ(acq.PrescanSetup(64), 0);
    std::vector<uint8_t> s;
    for (int y = 0; y < 12; ++y) PutEol(s, 0);
    Parse(s);
    int taken = 0;
    uint8_t line[64];
    for (; acq.PrescanWaiting() && taken < 16; ++taken) acq.PrescanTake(line);
    EXPECT_EQ(taken, 12 / c.interval) << c.binning << " " << c.xbin << " " << c.ratio;
  }
}

TEST_F(StreamTest, PrescanLinesAreScaledSamplesOfTheLineJustEnded) {
  auto mode = SmallMode(257);  // AnzPixLine 256
  mode.ADC_Ovs = 12;  // divisor 192
  acq.SetSettings(mode, 0);
  acq.Activate();
  ASSERT_EQ(acq.PrescanSetup(64), 0);  // every 4th pixel of every 4th line
  std::vector<uint8_t> s;
  std::vector<uint16_t> line(256);
  for (int i = 0; i < 256; ++i) line[i] = static_cast<uint16_t>(i * 150);
  for (int y = 0; y < 4; ++y) {
    PutPairs(s, line);
    PutEol(s, 0);
  }
  Parse(s);
  ASSERT_TRUE(acq.PrescanWaiting());
  uint8_t got[64];
  acq.PrescanTake(got);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(got[i], static_cast<uint8_t>(-(i * 4 * 150 / 192))) << i;
  EXPECT_FALSE(acq.PrescanWaiting());
  // An empty ring gives the line at the read index again without moving on.
  uint8_t again[64], third[64];
  acq.PrescanTake(again);
  acq.PrescanTake(third);
  EXPECT_EQ(0, std::memcmp(again, third, 64));
  EXPECT_FALSE(acq.PrescanWaiting());
}

}  // namespace
