// Plates in, image files out: every stored pixel explained by the plate.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <ctime>
#include <map>

#include "driver/acquisition/image_files.h"
#include "driver/acquisition/plate_processing.h"
#include "driver/imaging/fft_filter.h"
#include "driver/tarvel_api.h"
#include "driver/tests/acquisition/failing_new.h"
#include "driver/tests/acquisition/stream_helpers.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "testing/temp_folder.h"

using namespace acqtest;
using tarvel::Acquisition;
using tarvel::ScanMode;
using testsupport::TempFolder;

namespace {

class Pipeline {
 public:
  explicit Pipeline(const ScanMode& mode, int scanner_type = 0) {
    acq.SetSettings(mode, scanner_type);
    EXPECT_TRUE(acq.OpenTempFile(dir / "Tarvel.tmp"));
    EXPECT_TRUE(acq.SetImageFolder(dir.path()));
    acq.SetSerialNumber("SN-4711");
    acq.LastNumber();
    acq.Activate();
  }
  void Run(const Scene& scene, size_t piece = 40960, uint32_t seed = 1) {
    Feeder f{acq};
    f.All(Encode(scene), piece, seed);
  }
  std::string Name(int n) const { return acq.FileName(n); }
  Img Image(int n) const {
    StoredImage d = ReadStoredImage(Name(n));
    return Img{d.width, d.height, d.pixels};
  }
  ImageInfo Info(int n) const {
    ImageInfo i{};
    EXPECT_EQ(tarvel::ReadImageInfo(Name(n), &i), 0);
    return i;
  }
  TempFolder dir;
  LogCapture log;
  Acquisition acq{LogTo(log)};
};

TEST(Assembly, RoundTripInEveryOrientation) {
  const int W = 40, H = 30, X = 20, Y = 5;
  const auto phantom = Phantom(W, H, 7);
  for (int rotation : {0, 90, 180, 270, -90, -180, -270}) {
    for (bool mirror : {false, true}) {
      SCOPED_TRACE(testing::Message() << "rotation " << rotation << " mirror " << mirror);
      auto mode = SmallMode();
      mode.rotation = rotation;
      mode.mirror = mirror;
      mode.mode = 3;
      mode.scale = 1.5f;
      Pipeline p(mode);
      const uint8_t extra[5] = {1, 2, 3, 4, 5};
      p.acq.SetExtraHeader(5, extra);
      Scene scene(256, H + 8);
      scene.Put(X, Y, W, H, phantom);
      p.Run(scene);
      ASSERT_EQ(p.acq.WrittenNumber(), 1);
      Img want = Oriented(Img{W, H, phantom}, rotation, mirror);
      Img got = p.Image(1);
      EXPECT_EQ(got.w, want.w);
      EXPECT_EQ(got.h, want.h);
      EXPECT_TRUE(got.px == want.px);

      ImageInfo info = p.Info(1);
      const bool upright = rotation % 180 == 0;
      EXPECT_EQ(info.size, 108);
      EXPECT_EQ(info.width, upright ? W : H);
      EXPECT_EQ(info.height, upright ? H : W);
      const std::map<int, int> bytes = {{0, 0}, {90, 90}, {180, 180}, {270, 14}, {-90, 14}, {-180, 180}, {-270, 90}};
      EXPECT_EQ(info.rotation, bytes.at(rotation));
      EXPECT_EQ(info.pitch_x, 50000);
      EXPECT_EQ(info.pitch_y, 50000);
      EXPECT_EQ(info.scaled_pitch, 75000);
      EXPECT_FLOAT_EQ(info.scale, 1.5f);
      EXPECT_EQ(info.bits_per_pixel, 16);
      EXPECT_EQ(info.start_position, X);
      EXPECT_EQ(info.scan_mode, 3);
      EXPECT_EQ(info.possible_maximum, 49140);
      EXPECT_STREQ(info.serial_number, "SN-4711");
      EXPECT_EQ(info.extra_length, 5);
      uint8_t back[5] = {};
      EXPECT_EQ(tarvel::ReadExtraHeader(p.Name(1), back), 5);
      EXPECT_EQ(0, std::memcmp(back, extra, 5));
      // Measuring window: a margin of 20 % on every side of the unrotated image.
      Img m = Oriented(Img{W, H, phantom}, 0, mirror);
      uint16_t mx = 0;
      uint64_t sum = 0;
      for (int y = 6; y < H - 6; ++y)
        for (int x = 8; x < W - 8; ++x) {
          mx = std::max(mx, m.at(x, y));
          sum += m.at(x, y);
        }
      EXPECT_EQ(info.maximum, mx);
      EXPECT_EQ(info.average, sum / ((W - 16) * (H - 12)));
      std::string text = p.log.Text();
      EXPECT_NE(text.find("File created: " + p.Name(1) + "\n"), std::string::npos);
      EXPECT_EQ(text.find("   Mirror mode active\n") != std::string::npos, mirror);
    }
  }
}

TEST(Assembly, UnknownRotationStoresTheFileUnrotatedAndSaysSo) {
  const int W = 40, H = 30;
  const auto phantom = Phantom(W, H, 7);
  for (int rotation : {45, 346, 616}) {
    SCOPED_TRACE(testing::Message() << "rotation " << rotation);
    auto mode = SmallMode();
    mode.rotation = rotation;
    Pipeline p(mode);
    Scene scene(256, H + 8);
    scene.Put(20, 5, W, H, phantom);
    p.Run(scene);
    ASSERT_EQ(p.acq.WrittenNumber(), 1);
    Img got = p.Image(1);
    EXPECT_EQ(got.w, W);
    EXPECT_EQ(got.h, H);
    EXPECT_TRUE(got.px == phantom);
    ImageInfo info = p.Info(1);
    EXPECT_EQ(info.rotation, tarvel::RotationByte(rotation));
    EXPECT_EQ(info.width, W);
    EXPECT_EQ(info.height, H);
    std::vector<uint16_t> back(W * H);
    EXPECT_EQ(Read_DiskImage(back.data(), p.Name(1).c_str()), 0);
    EXPECT_TRUE(back == phantom);
  }
}

TEST(Assembly, BinningAveragesLinePairsAndDropsAnOddLastLine) {
  const int W = 40, H = 31;
  const auto phantom = Phantom(W, H, 11);
  for (int xbin : {1, 2}) {
    auto mode = SmallMode();
    mode.binning = 2;
    mode.sample_factor = xbin;
    Pipeline p(mode);
    Scene scene(256, H + 6);
    scene.Put(30, 2, W, H, phantom);
    p.Run(scene);
    Img got = p.Image(1);
    ASSERT_EQ(got.w, W / xbin);
    ASSERT_EQ(got.h, H / 2);
    Img a{W, H, phantom};
    for (int y = 0; y < got.h; ++y)
      for (int x = 0; x < got.w; ++x)
        ASSERT_EQ(got.at(x, y), (a.at(x * xbin, 2 * y) + a.at(x * xbin, 2 * y + 1)) / 2)
            << x << "," << y << " xbin " << xbin;
    EXPECT_NE(p.log.Text().find("   Binning = 2\n"), std::string::npos);
  }
}

// Ceph plates at 5 mm pitch are cropped to 48 x 40 pixels.
TEST(Assembly, CephCropDropsTheDimmerEdgeFirst) {
  const int W = 56, H = 44, X = 20;
  struct Case {
    const char* what;
    bool shaped;
    int left, top;  // first kept column and row
  };
  for (const Case& c : {Case{"shaped", true, 3, 2}, Case{"flat: bottom rows, right columns", false, 0, 0}}) {
    SCOPED_TRACE(c.what);
    std::vector<uint16_t> px(W * H);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        int v = 5000;
        if (c.shaped) {
          if (y < 2) v = 2000;
          if (y >= 42) v = 3000;
          if (x < 3) v -= 500;
          if (x >= 51) v -= 300;
        }
        px[y * W + x] = static_cast<uint16_t>(v + (c.shaped ? (x * 7 + y * 3) % 5 : 0));
      }
    auto mode = SmallMode();
    mode.plate_type = tarvel::kPlateCephalometric;
    mode.pitch_x = mode.pitch_y = 5e-3;
    Pipeline p(mode);
    Scene scene(256, H + 4);
    scene.Put(X, 1, W, H, px);
    p.Run(scene);
    Img got = p.Image(1);
    ASSERT_EQ(got.w, 48);
    ASSERT_EQ(got.h, 40);
    Img a{W, H, px};
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 48; ++x) ASSERT_EQ(got.at(x, y), a.at(x + c.left, y + c.top));
    ImageInfo info = p.Info(1);
    EXPECT_EQ(info.start_position, X + c.left);
    EXPECT_EQ(info.width, 48);
    EXPECT_EQ(info.height, 40);
  }
}

// Plates side by side, in sequence and split by a dark line; every one
// comes back as its own image, the same whatever the pieces.
TEST(Assembly, SeveralPlatesAreTheSameImagesWhateverThePieces) {
  struct Plate {
    int x, y, w, h;
    std::vector<uint16_t> px;
    uint8_t slots;
  };
  std::vector<Plate> plates = {
      {10, 2, 30, 20, Phantom(30, 20, 1), 0x01},
      {100, 2, 30, 20, Phantom(30, 20, 2), 0x0C},
      {10, 40, 20, 10, Phantom(20, 10, 3), 0x01},  // upper half of a split plate
      {150, 40, 24, 10, Phantom(24, 10, 4), 0x18},
      {10, 51, 20, 10, Phantom(20, 10, 5), 0x01},  // lower half below a dark line
  };
  Scene scene(256, 70);
  for (auto& pl : plates) scene.Put(pl.x, pl.y, pl.w, pl.h, pl.px);
  std::vector<std::string> reference;
  uint32_t seed = 3;
  for (size_t piece : {size_t{40960}, size_t{4}, size_t{8}, size_t{12}, size_t{0}, size_t{0}}) {
    SCOPED_TRACE(testing::Message() << "pieces of " << piece);
    Pipeline p(SmallMode());
    p.Run(scene, piece, seed);
    ASSERT_EQ(p.acq.WrittenNumber(), 5);
    std::vector<std::string> files;
    for (int n = 1; n <= 5; ++n) {
      Img got = p.Image(n);
      const Plate& pl = plates[n - 1];
      EXPECT_EQ(got.w, pl.w);
      EXPECT_EQ(got.h, pl.h);
      EXPECT_TRUE(got.px == pl.px) << "image " << n;
      EXPECT_EQ(p.Info(n).slot_bits, pl.slots) << "image " << n;
      files.push_back(ReadAll(p.Name(n)));
    }
    if (reference.empty())
      reference = files;
    else
      EXPECT_TRUE(files == reference);
    ++seed;
  }
}

TEST(Assembly, DeFlashRemovesSpikesAfterMirroring) {
  const int W = 20, H = 12;
  auto px = Phantom(W, H, 9, 1000, 2000);
  px[5 * W + 7] = 30000;  // spikes
  px[6 * W + 7] = 29000;
  px[3 * W + 0] = 40000;  // on the edge: kept
  for (int threshold : {5000, 1, -300}) {
    SCOPED_TRACE(threshold);
    auto mode = SmallMode();
    mode.deflash = static_cast<int16_t>(threshold);
    mode.mirror = true;
    Pipeline p(mode);
    Scene scene(256, H + 4);
    scene.Put(40, 1, W, H, px);
    p.Run(scene);
    Img want = Oriented(Img{W, H, px}, 0, true);
    DeFlashOracle(want, threshold);
    Img got = p.Image(1);
    EXPECT_TRUE(got.px == want.px);
    EXPECT_EQ(got.at(W - 1, 3), 40000);
    EXPECT_NE(p.log.Text().find("   Using DeFlash filter with DeFlash=" + std::to_string(threshold) + "\n"),
              std::string::npos);
  }
}

// The row filter against the oracle over the whole value range (vector
// steps and their tails, sums that overflow 16 bits, odd sums).
TEST(Assembly, DeFlashRowEqualsTheOracleForAllValuesAndWidths) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> any(0, 65535);
  for (int w : {1, 2, 3, 9, 17, 18, 33, 40, 71, 6318})
    for (int threshold : {0, 1, 5000, 65534, 65535, 70000, -300}) {
      SCOPED_TRACE(testing::Message() << "width " << w << " threshold " << threshold);
      Img a{w, 3, {}};
      for (int i = 0; i < 3 * w; ++i) {
        int v = any(rng);
        if (i % 7 == 0) v = (i % 2) ? 65535 : 0;
        a.px.push_back(static_cast<uint16_t>(v));
      }
      Img want = a;
      DeFlashOracle(want, threshold);
      tarvel::DeFlashRow(a.px.data() + w, a.px.data(), a.px.data() + 2 * w, w, threshold);
      EXPECT_TRUE(a.px == want.px);
    }
}

// Rows are mirrored and DeFlash-filtered as they are built; the stored
// pixels must be those of the whole-image order: bin, mirror the image,
// DeFlash it top row down, rotate on writing.
TEST(Assembly, RowByRowDeFlashEqualsTheWholeImageOrder) {
  const int W = 34, H = 27;
  const auto phantom = Phantom(W, H, 31);  // rises above 5000 everywhere
  struct Bin {
    int y, x;
  };
  for (int rotation : {0, 90, 180, 270, -90})
    for (bool mirror : {false, true})
      for (Bin bin : {Bin{1, 1}, Bin{2, 1}, Bin{2, 2}}) {
        SCOPED_TRACE(testing::Message() << "rotation " << rotation << " mirror " << mirror << " binning " << bin.y
                                        << "x" << bin.x);
        auto mode = SmallMode();
        mode.rotation = rotation;
        mode.mirror = mirror;
        mode.binning = bin.y;
        mode.sample_factor = bin.x;
        mode.deflash = 5000;
        Pipeline p(mode);
        Scene scene(256, H + 4);
        scene.Put(12, 1, W, H, phantom);
        p.Run(scene);
        ASSERT_EQ(p.acq.WrittenNumber(), 1);

        Img a{W, H, phantom}, built{W / bin.x, H / bin.y, {}};
        for (int y = 0; y < built.h; ++y)
          for (int x = 0; x < built.w; ++x)
            built.px.push_back(bin.y == 1
                                   ? a.at(x, y)
                                   : static_cast<uint16_t>((a.at(x * bin.x, 2 * y) + a.at(x * bin.x, 2 * y + 1)) / 2));
        Img upright = Oriented(built, 0, mirror);
        Img before = upright;
        DeFlashOracle(upright, 5000);
        ASSERT_FALSE(before.px == upright.px);  // the filter did change pixels
        Img want = Oriented(upright, rotation, false);
        Img got = p.Image(1);
        EXPECT_EQ(got.w, want.w);
        EXPECT_EQ(got.h, want.h);
        EXPECT_TRUE(got.px == want.px);

        // The record measures the filtered pixels.
        const int mx = 20 * upright.w / 100, my = 20 * upright.h / 100;
        uint16_t top = 0;
        uint64_t sum = 0;
        for (int y = my; y < upright.h - my; ++y)
          for (int x = mx; x < upright.w - mx; ++x) {
            top = std::max(top, upright.at(x, y));
            sum += upright.at(x, y);
          }
        ImageInfo info = p.Info(1);
        EXPECT_EQ(info.maximum, top);
        EXPECT_EQ(info.average, sum / ((upright.w - 2 * mx) * (upright.h - 2 * my)));
      }
}

// Two plates flushed together: the whole log, line by line, and the date of
// the record from the clock.
TEST(Assembly, LogOfAFlushAndTheRecordDate) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 4;
  when.tm_hour = 5;
  when.tm_min = 6;
  when.tm_sec = 7;
  when.tm_isdst = -1;
  platform::UseVirtualClock();
  platform::SetVirtualWallTime(std::mktime(&when));
  struct Case {
    bool mirror;
    int deflash;
    const char* extra;
  };
  const Case cases[] = {
      {false, 0, ""},
      {true, 5000, "   Mirror mode active\n   Using DeFlash filter with DeFlash=5000\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mirror);
    auto mode = SmallMode();
    mode.mirror = c.mirror;
    mode.deflash = static_cast<int16_t>(c.deflash);
    Pipeline p(mode);
    std::vector<uint16_t> px(8 * 8, 1000);
    px[3 * 8 + 3] = 2000;
    Scene scene(256, 32);
    scene.Put(10, 1, 8, 8, px);
    scene.Put(100, 20, 8, 8, px);
    p.Run(scene);  // one piece: both plates in one flush
    const std::string tail = std::string(c.extra) + "   Average value=1027, Maximum=2000\n";
    const std::string want =
        "Flushing 2 ranges from the buffer\n"
        "Creating image:\n"
        "   Size: 8 x 8\n"
        "   From (10, 1) to (17, 8)\n"
        "   Binning = 1\n"
        "   Akt_Y=32, LastCollect=16, AnzPixLine=255\n"
        "   Rang=1, AnzRanges=2\n"
        "   Last block searched 8 with Y=20\n" +
        tail + "File created: " + p.Name(1) + "\n" +
        "Creating image:\n"
        "   Size: 8 x 8\n"
        "   From (100, 20) to (107, 27)\n"
        "   Binning = 1\n"
        "   Akt_Y=32, LastCollect=16, AnzPixLine=255\n"
        "   Rang=1, AnzRanges=1\n"
        "   Last block searched 16 with Y=32\n" +
        tail + "File created: " + p.Name(2) + "\n";
    EXPECT_EQ(p.log.Text(), want);
    ImageInfo info = p.Info(2);
    EXPECT_EQ(info.year, 2026);
    EXPECT_EQ(info.month, 3);
    EXPECT_EQ(info.day, 4);
    EXPECT_EQ(info.hour, 5);
    EXPECT_EQ(info.minute, 6);
    EXPECT_EQ(info.second, 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.reserved), 16), std::string(16, '\0'));
  }
  platform::UseRealClock();
}

// trunc((pitch x + pitch y) x Scale x 0.5), saturated for absurd scales.
TEST(Assembly, ScaledPitchOfTheRecord) {
  struct Case {
    float scale;
    int32_t scaled_pitch;
  };
  const Case cases[] = {{1.0f, 50000},      {0.3f, 15000},       {-2.0f, -100000},
                        {1e30f, INT32_MAX}, {-1e30f, INT32_MIN}, {std::nanf(""), 0}};
  for (const Case& c : cases) {
    auto mode = SmallMode();
    mode.pitch_x = 50e-6;
    mode.pitch_y = 50.0004e-6;  // 50000 nm after rounding
    mode.scale = c.scale;
    Pipeline p(mode);
    Scene scene(256, 12);
    scene.Put(10, 1, 8, 8, Phantom(8, 8, 2));
    p.Run(scene);
    EXPECT_EQ(p.Info(1).scaled_pitch, c.scaled_pitch) << c.scale;
  }
}

TEST(Assembly, MeasuringWindowOfEightyPercent) {
  const int W = 1000, H = 100;
  std::vector<uint16_t> px(W * H, 1000);
  for (int y = 0; y < H; ++y) {
    px[y * W + 199] = 40000;  // just outside
    px[y * W + 200] = 30000;  // first column inside
  }
  px[9 * W + 500] = 45000;  // row 9: outside
  auto mode = SmallMode(1100);
  mode.max_aspect_ratio = 20;
  Pipeline p(mode);
  Scene scene(1100, H + 4);
  scene.Put(50, 1, W, H, px);
  p.Run(scene);
  ImageInfo info = p.Info(1);
  EXPECT_EQ(info.maximum, 30000);
  EXPECT_EQ(info.average, (599 * 1000 + 30000) / 600);
  EXPECT_NE(p.log.Text().find("   Average value=1048, Maximum=30000\n"), std::string::npos);
}

TEST(Assembly, NormalizationFactorsAndTheMaximumValue) {
  auto mode = SmallMode();
  Pipeline p(mode);
  std::vector<double> factors(256, 0.5);
  factors[11] = 2.0;
  p.acq.SetNormalization(factors);
  std::vector<uint16_t> px = {1001, 30000, 49139, 1001, 1001, 1001, 1001, 1001};
  px.resize(8 * 8, 1001);
  Scene scene(256, 12);
  scene.Put(10, 1, 8, 8, px);
  p.Run(scene);
  Img got = p.Image(1);
  EXPECT_EQ(got.at(0, 0), 500);  // trunc(1001 * 0.5)
  EXPECT_EQ(got.at(1, 0), 49140);  // 30000 * 2 passes the maximum
  EXPECT_EQ(got.at(2, 0), 24569);  // trunc(49139 * 0.5)
  EXPECT_EQ(got.at(1, 1), 2002);
}

TEST(Assembly, FilterNumberChoosesThePairs) {
  const int W = 24, H = 20;
  const auto phantom = Phantom(W, H, 21);
  std::vector<uint16_t> filtered(phantom.size());
  tarvel::FilterParams params;
  ASSERT_TRUE(tarvel::FilterImageFFT(W, H, phantom.data(), filtered.data(), 50000, 50000, params));
  struct Case {
    int filter;
    bool enabled;
    std::vector<bool> images;
  };  // true: filtered
  const Case cases[] = {
      {-2, true, {false, true}}, {-2, false, {false}}, {3, true, {true}}, {3, false, {false}}, {0, true, {false}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "filter " << c.filter << " enabled " << c.enabled);
    auto mode = SmallMode();
    mode.filter = c.filter;
    mode.filter_name = "Sharp";
    Pipeline p(mode);
    p.acq.SetFilterEnabled(c.enabled);
    Scene scene(256, H + 4);
    scene.Put(10, 1, W, H, phantom);
    p.Run(scene);
    ASSERT_EQ(p.acq.WrittenNumber(), static_cast<int>(c.images.size()));
    for (size_t i = 0; i < c.images.size(); ++i)
      EXPECT_TRUE(p.Image(static_cast<int>(i) + 1).px == (c.images[i] ? filtered : phantom)) << i;
    if (c.images.size() == 2) {
      EXPECT_EQ(ReadAll(tarvel::InfoFileName(p.Name(1))), ReadAll(tarvel::InfoFileName(p.Name(2))));
    }
    EXPECT_EQ(p.log.Text().find("    Applied image filter: Sharp\n") != std::string::npos, c.filter != 0 && c.enabled);
  }
  // A flat plate cannot be filtered: the pair keeps the unfiltered pixels.
  auto mode = SmallMode();
  mode.filter = 3;
  mode.filter_name = "Sharp";
  Pipeline p(mode);
  Scene scene(256, H + 4);
  scene.Put(10, 1, W, H, std::vector<uint16_t>(W * H, 5000));
  p.Run(scene);
  EXPECT_TRUE(p.Image(1).px == std::vector<uint16_t>(W * H, 5000));
  EXPECT_NE(p.log.Text().find("ERROR: Filter 3 (Sharp) failed\n"), std::string::npos);
}

TEST(Assembly, IntraoralScannerRefusesPlatesAbove95mm) {
  platform::RecordingUi ui;
  for (int type : {5, 14, 6}) {
    auto mode = SmallMode();
    mode.pitch_x = mode.pitch_y = 5e-3;  // 20 pixels: 100 mm
    Pipeline p(mode, type);
    Scene scene(256, 24);
    scene.Put(10, 1, 20, 16, std::vector<uint16_t>(20 * 16, 3000));
    p.Run(scene);
    EXPECT_EQ(p.acq.WrittenNumber(), type == 6 ? 1 : 0) << type;
    if (type != 6) {
      EXPECT_NE(p.log.Text().find("ERROR : The plate is too large (100 by 80 mm)"), std::string::npos);
    }
  }
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].caption, "Error - Plate too large");
  EXPECT_NE(ui.boxes[0].text.find("An image could not be created."), std::string::npos);
}

// A plate whose files cannot all be written leaves none of them and uses no
// number; its cause is logged and the plate counted as discarded. The next
// plate, with the fault gone, takes the number.
TEST(Assembly, FailedWritesLeaveNoFileOfThePlateAndUseNoNumber) {
  const auto phantom = Phantom(8, 8, 1);
  struct Case {
    const char* what;
    int filter;
    platform::FileFaultPlan plan;
    const char* line;  // the writer's line; the plate line follows
    const char* cause;
  };
  const Case cases[] = {
      {"image folder read-only",
       0,
       {"", -1, -1, 0, EROFS},
       "ERROR: Cannot create image file %1\n",
       "image file %1 not written (Read-only file system)"},
      {"image file finds the disk full",
       0,
       {"", -1, 0, -1, ENOSPC},
       "ERROR: Cannot write image file %1\n",
       "image file %1 not written (No space left on device)"},
      {"information file finds the disk full",
       0,
       {"", -1, 2, -1, ENOSPC},
       "ERROR: Cannot write information file %t1\n",
       "information file %t1 not written (No space left on device)"},
      {"filtered image of a pair finds the disk full",
       -2,
       {"", -1, 4, -1, ENOSPC},
       "ERROR: Cannot write image file %2\n",
       "image file %2 not written (No space left on device)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto mode = SmallMode();
    mode.filter = c.filter;
    Pipeline p(mode);
    Scene scene(256, 12);
    scene.Put(10, 1, 8, 8, phantom);
    auto fill = [&](std::string text) {
      for (auto [mark, name] :
           {std::pair{"%t1", tarvel::InfoFileName(p.Name(1))}, {"%1", p.Name(1)}, {"%2", p.Name(2)}})
        for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, std::string(mark).size(), name);
      return text;
    };
    // The images in a folder of their own: only their writes count.
    ASSERT_TRUE(platform::CreateDirectory(p.dir / "images"));
    ASSERT_TRUE(p.acq.SetImageFolder(p.dir / "images"));
    platform::FileFaultPlan plan = c.plan;
    plan.folder = p.dir / "images";
    platform::SetFileFaultPlan(plan);
    p.Run(scene);
    platform::SetFileFaultPlan(std::nullopt);
    EXPECT_EQ(p.acq.WrittenNumber(), 0);
    EXPECT_EQ(p.acq.TakeDiscardedPlates(), 1);
    EXPECT_EQ(p.acq.TakeDiscardedPlates(), 0);
    for (const std::string& name : {p.Name(1), p.Name(2)}) {
      EXPECT_FALSE(fs::exists(name)) << name;
      EXPECT_FALSE(fs::exists(tarvel::InfoFileName(name))) << name;
    }
    const std::string text = p.log.Text();
    EXPECT_NE(text.find(fill(c.line) + "ERROR: Plate from (10, 1) to (17, 8) lost: " + fill(c.cause) + "\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("File created"), c.filter < 0 ? text.find("File created: " + p.Name(1)) : std::string::npos);

    p.acq.Activate();
    p.Run(scene);
    EXPECT_EQ(p.acq.WrittenNumber(), c.filter < 0 ? 2 : 1);
    EXPECT_TRUE(p.Image(1).px == phantom);
    EXPECT_EQ(p.acq.TakeDiscardedPlates(), 0);
  }
}

// Runs that cannot be read back make no image: the plate is discarded with
// the first block that failed, never built with the threshold in its place.
TEST(Assembly, ReadBackErrorsMakeNoImage) {
  for (const bool cut_short : {true, false}) {
    SCOPED_TRACE(cut_short ? "file cut short" : "reads failing");
    Pipeline p(SmallMode());
    ASSERT_EQ(p.acq.PrescanSetup(255), 0);  // every line end flushes the temporary file
    Scene scene(256, 12);
    const auto px = Phantom(8, 8, 5);
    scene.Put(10, 1, 8, 8, px);
    std::vector<uint8_t> s = Encode(scene);
    int empty = 0;
    p.acq.ParsePiece(s.data(), s.size(), &empty);
    ASSERT_GT(empty, 0);
    if (cut_short)
      fs::resize_file(p.dir / "Tarvel.tmp", 4 * 16);  // lines 1 to 4 stay
    else
      platform::SetFileFaultPlan(platform::FileFaultPlan{p.dir.path(), 4, -1, -1, EIO});
    p.acq.FlushRanges(true);
    platform::SetFileFaultPlan(std::nullopt);
    EXPECT_EQ(p.acq.WrittenNumber(), 0);
    EXPECT_EQ(p.acq.TakeDiscardedPlates(), 1);
    const std::string text = p.log.Text();
    EXPECT_EQ(Count(text, "ERROR: File read error for Block["), 1);
    EXPECT_NE(text.find(std::string("ERROR: File read error for Block[4]\n"
                                    "ERROR: Plate from (10, 1) to (17, 8) lost: temporary data file not read back") +
                        (cut_short ? "\n" : " (Input/output error)\n")),
              std::string::npos)
        << text;
  }
}

TEST(Assembly, ExtraHeaderThatIsNotThereIsRecordedEmpty) {
  const uint8_t bytes[4] = {9, 8, 7, 6};
  struct Case {
    int32_t length;
    const uint8_t* block;
    int32_t recorded;
  };
  for (const Case& c : {Case{4, bytes, 4}, Case{-3, bytes, 0}, Case{4, nullptr, 0}, Case{0, bytes, 0}}) {
    Pipeline p(SmallMode());
    p.acq.SetExtraHeader(c.length, c.block);
    Scene scene(256, 12);
    scene.Put(10, 1, 8, 8, Phantom(8, 8, 1));
    p.Run(scene);
    EXPECT_EQ(p.Info(1).extra_length, c.recorded) << c.length;
    EXPECT_EQ(fs::file_size(tarvel::InfoFileName(p.Name(1))), 101u + c.recorded) << c.length;
  }
}

// Sides are u16 in the file: a plate of 65536 lines makes no image.
TEST(Assembly, PlateLongerThanTheFileCanHoldIsRefused) {
  auto mode = SmallMode();
  mode.max_aspect_ratio = 1e6;
  Pipeline p(mode);
  std::vector<uint8_t> s;
  PutEol(s, 10);
  for (int y = 0; y < 65536; ++y) {
    PutUnit(s, 1000, 1000);
    PutEol(s, 10);
  }
  PutEol(s, 255);
  Feeder f{p.acq};
  f.All(s, 40960);
  EXPECT_EQ(p.acq.WrittenNumber(), 0);
  EXPECT_NE(p.log.Text().find("   Size: 2 x 65536\n"), std::string::npos);
  EXPECT_NE(p.log.Text().find("ERROR: Can not allocate buffer memory\n"), std::string::npos);
}

// The time stamp and the error box come through the seams the acquisition
// was given, not from the platform.
TEST(Assembly, RecordTimeAndErrorBoxComeThroughTheSeams) {
  platform::RecordingUi platform_ui;
  std::vector<std::string> captions;
  LogCapture log;
  tarvel::AcquisitionSeams seams = LogTo(log);
  seams.local_time = [] {
    std::tm t{};
    t.tm_year = 2031 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 24;
    t.tm_hour = 23;
    return t;
  };
  seams.error_box = [&](const std::string&, const std::string& caption) { captions.push_back(caption); };
  TempFolder dir;
  for (int type : {0, 5}) {
    auto mode = SmallMode();
    mode.pitch_x = mode.pitch_y = 5e-3;  // 20 pixels: 100 mm
    Acquisition acq(seams);
    acq.SetSettings(mode, type);
    ASSERT_TRUE(acq.OpenTempFile(dir / "Tarvel.tmp"));
    ASSERT_TRUE(acq.SetImageFolder(dir.path()));
    acq.LastNumber();
    acq.Activate();
    Scene scene(256, 24);
    scene.Put(10, 1, 20, 16, std::vector<uint16_t>(20 * 16, 3000));
    Feeder{acq}.All(Encode(scene), 40960);
    if (type == 0) {
      ImageInfo info{};
      ASSERT_EQ(tarvel::ReadImageInfo(acq.FileName(1), &info), 0);
      EXPECT_EQ(info.year, 2031);
      EXPECT_EQ(info.month, 12);
      EXPECT_EQ(info.day, 24);
      EXPECT_EQ(info.hour, 23);
    }
  }
  EXPECT_EQ(captions, std::vector<std::string>{"Error - Plate too large"});
  EXPECT_TRUE(platform_ui.boxes.empty());
}

// No memory for the factor table, the filter's copy or the turned copy: the
// range makes no image, its number is not used, and the next plate is made.
TEST(Assembly, AllocationFailureMakesNoImageOfThatRange) {
  const int W = 40, H = 30, X = 20;  // factor table 60 doubles, pixels 2400 bytes
  struct Case {
    const char* what;
    int rotation;
    int filter;
    size_t bytes;
  };
  const Case cases[] = {
      {"factor table", 0, 0, (X + W) * sizeof(double)},
      {"filter copy", 0, 3, W * H * 2},
      {"turned copy", 90, 0, W * H * 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto mode = SmallMode();
    mode.rotation = c.rotation;
    mode.filter = c.filter;
    mode.filter_name = "Sharp";
    Pipeline p(mode);
    Scene scene(256, H + 4);
    scene.Put(X, 1, W, H, Phantom(W, H, 3));
    // The first plate leaves its pixel memory for the next: only the
    // buffer under test is allocated at the armed size.
    p.Run(scene);
    ASSERT_EQ(p.acq.WrittenNumber(), 1);
    p.acq.Activate();
    acqtest::FailAllocationsOf(c.bytes);
    p.Run(scene);
    EXPECT_GE(acqtest::StopFailingAllocations(), 1);
    EXPECT_EQ(p.acq.WrittenNumber(), 1);
    EXPECT_FALSE(fs::exists(p.Name(2)));
    EXPECT_FALSE(fs::exists(tarvel::InfoFileName(p.Name(2))));
    EXPECT_EQ(Count(p.log.Text(), "ERROR: Can not allocate buffer memory\n"), 1);
    p.acq.Activate();
    p.Run(scene);
    EXPECT_EQ(p.acq.WrittenNumber(), 2);
    EXPECT_TRUE(fs::exists(p.Name(2)));
  }
}

TEST(Assembly, NumbersContinueFromTheFolderAndAreHandedOutInOrder) {
  TempFolder dir;
  for (const char* n : {"KP000007.QEW", "kp000012.qew", "KPabc.QEW", "KP0000099.txt", "XX000500.QEW"})
    std::ofstream(dir / n) << "x";
  Acquisition acq;
  ASSERT_TRUE(acq.SetImageFolder(dir.path()));
  EXPECT_EQ(acq.LastNumber(), 12);
  std::ofstream(dir / "KP1234567.QEW") << "x";
  EXPECT_EQ(acq.LastNumber(), 1234567);
  EXPECT_EQ(acq.PendingCount(), 0);
  char name[256] = "junk";
  EXPECT_EQ(acq.NextName(name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(acq.FileName(7), dir.path() + "/KP000007.QEW");
  EXPECT_EQ(acq.FileName(1234568), dir.path() + "/KP1234568.QEW");
  // The folder is bounded so that every name fits 256 characters.
  EXPECT_FALSE(acq.SetImageFolder(std::string(tarvel::kMaxImageFolder + 1, 'a')));
  ASSERT_TRUE(acq.SetImageFolder(std::string(tarvel::kMaxImageFolder, 'a')));
  EXPECT_LT(acq.FileName(INT32_MAX).size(), 256u);
}

// A stray file of the highest number leaves no number to write: the plate is
// logged as lost, nothing is overwritten.
TEST(Assembly, NumbersStopAtTheLargestInteger) {
  Pipeline p(SmallMode());
  std::ofstream(p.dir / "KP2147483647.QEW") << "x";
  ASSERT_EQ(p.acq.LastNumber(), INT32_MAX);
  Scene scene(256, 12);
  scene.Put(10, 1, 8, 8, Phantom(8, 8, 1));
  p.Run(scene);
  EXPECT_EQ(p.acq.WrittenNumber(), INT32_MAX);
  EXPECT_EQ(ReadAll(p.dir / "KP2147483647.QEW"), "x");
  EXPECT_NE(p.log.Text().find("ERROR: No available names for image files\n"
                              "ERROR: Plate from (10, 1) to (17, 8) lost: no image names left\n"),
            std::string::npos);
  EXPECT_EQ(p.acq.TakeDiscardedPlates(), 1);
  char name[256];
  EXPECT_EQ(p.acq.NextName(name), 0);
}

TEST(Assembly, PendingImagesAreHandedOutInProductionOrder) {
  Pipeline p(SmallMode());
  Scene scene(256, 30);
  scene.Put(10, 1, 10, 10, Phantom(10, 10, 1));
  scene.Put(10, 15, 10, 10, Phantom(10, 10, 2));
  p.Run(scene);
  ASSERT_EQ(p.acq.PendingCount(), 2);
  char name[256];
  EXPECT_EQ(p.acq.NextName(name), 2);
  EXPECT_EQ(name, p.Name(1));
  EXPECT_EQ(p.acq.NextName(name), 1);
  EXPECT_EQ(name, p.Name(2));
  EXPECT_EQ(p.acq.NextName(name), 0);
  EXPECT_STREQ(name, "");
}

}  // namespace
