// Round trips through the simulated scanner: a phantom plate is scanned, its
// stream read through the device object's block reads, and the stored image
// must equal the phantom.
#include <gtest/gtest.h>

#include "driver/acquisition/image_files.h"
#include "driver/tests/acquisition/stream_helpers.h"
#include "driver/tests/device/sim_fixture.h"
#include "testing/temp_folder.h"

using namespace acqtest;
using tarvel::Acquisition;
using testsupport::TempFolder;

namespace {

constexpr int kStart = 14583;  // Strt_Pix of the 50 um mode
constexpr int kPixels = 6320;  // pixels per line (even: every pair is sent)
constexpr uint16_t kThreshold = 500;

tarvel::ScanMode SimMode() {
  tarvel::ScanMode s = SmallMode(kPixels);
  s.ADC_SW = kThreshold;
  for (int k = 0; k < 7; ++k) s.slot_boundaries[k] = static_cast<int>(k * 45.0 / 182 * kPixels + 0.5);
  return s;
}

sim::Plate At(int x, uint32_t at_ms, int slot, const std::vector<uint16_t>& px, int w, int h) {
  sim::Plate p;
  p.slot = slot;
  p.at_ms = at_ms;
  p.position = kStart + x;
  p.image.width = w;
  p.image.height = h;
  p.image.pixels = px;
  return p;
}

class SimRoundTrip : public devtest::SimDeviceTest {
 protected:
  // Programs the scan and starts the transport.
  void Arm() {
    Start();
    ASSERT_EQ(device->Scan_SetGeometry(12, kThreshold, kStart, kPixels, 4965), 0);
    device->Dev_PulseReset();
    device->Scan_SetHighVoltage(1);
    device->Scan_SetMotorMode(2);
    device->Scan_SetLaserMode(2);
    device->Scan_SetRun(2);
  }

  // The device object's block reads, cut to at most `cap()` bytes.
  class CappedDevice : public tarvel::ScannerStreamDevice {
   public:
    CappedDevice(tarvel::ScannerRegisters& device, std::function<uint32_t()> cap)
        : ScannerStreamDevice(device), cap_(std::move(cap)) {}
    int ReadBlock(uint8_t* buffer, uint32_t capacity, uint32_t* count) override {
      return ScannerStreamDevice::ReadBlock(buffer, std::min(cap_(), capacity), count);
    }

   private:
    std::function<uint32_t()> cap_;
  };

  // Polls with reads of at most `piece` bytes (0: random multiples of 4)
  // until the transport has stopped and nothing waits (and at least
  // `min_ms` have passed).
  void Acquire(Acquisition& acq, uint32_t piece, uint32_t seed = 1, uint64_t min_ms = 0) {
    std::mt19937 rng(seed);
    CappedDevice reads(*device, [&] { return piece ? piece : 4 * (1 + rng() % 3000); });
    tarvel::StreamPoller poller(acq, reads);
    const uint64_t t0 = platform::NowMs();
    bool seen_running = false;
    for (int polls = 0; polls < 400000; ++polls) {
      tarvel::PollResult r;
      ASSERT_EQ(poller.Poll(&r), 0);
      const bool running = r.status.flags & 1;
      seen_running = seen_running || running;
      if (!r.read || r.empty_lines < 0) {
        if (seen_running && !running && r.status.words_waiting == 0 && platform::NowMs() - t0 >= min_ms) break;
        platform::Sleep(1);
      }
    }
  }

  // An acquisition writing into a fresh folder.
  struct Session {
    explicit Session(const tarvel::ScanMode& mode) {
      acq.SetSettings(mode, 0);
      EXPECT_TRUE(acq.OpenTempFile(dir / "Tarvel.tmp"));
      EXPECT_TRUE(acq.SetImageFolder(dir.path()));
      acq.LastNumber();
      acq.Activate();
    }
    Img Image(int n) const {
      StoredImage d = ReadStoredImage(acq.FileName(n));
      return Img{d.width, d.height, d.pixels};
    }
    ImageInfo Info(int n) const {
      ImageInfo i{};
      EXPECT_EQ(tarvel::ReadImageInfo(acq.FileName(n), &i), 0);
      return i;
    }
    TempFolder dir;
    LogCapture log;
    Acquisition acq{LogTo(log)};
  };
};

TEST_F(SimRoundTrip, PhantomComesBackInEveryOrientationAndBinning) {
  struct Case {
    const char* what;
    int rotation;
    bool mirror;
    int binning, xbin;
    int deflash;
  };
  const Case cases[] = {
      {"as scanned", 0, false, 1, 1, 0},
      {"90, mirrored", 90, true, 1, 1, 0},
      {"180", 180, false, 1, 1, 0},
      {"270, mirrored", 270, true, 1, 1, 0},
      {"line pairs", 0, false, 2, 1, 0},
      {"line pairs, every second pixel, 90", 90, false, 2, 2, 0},
      {"DeFlash, mirrored", 0, true, 1, 1, 5000},
  };
  const int W = 200, H = 100, X = 1000;
  const std::vector<uint16_t> phantom = Phantom(W, H, 17, 2000, 40000);
  scenario.plates.push_back(At(X, 20, 0, phantom, W, H));
  Arm();
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!first) {  // the same plate again
      device->Scan_SetRun(0);
      device->Dev_PulseReset();
      scanner->AddPlate(At(X, 0, 0, phantom, W, H));
      device->Scan_SetRun(2);
    }
    first = false;
    auto mode = SimMode();
    mode.rotation = c.rotation;
    mode.mirror = c.mirror;
    mode.binning = c.binning;
    mode.sample_factor = c.xbin;
    mode.deflash = static_cast<int16_t>(c.deflash);
    Session s(mode);
    scanner->ClearTrace();
    Acquire(s.acq, 40960);
    ASSERT_EQ(s.acq.WrittenNumber(), 1) << s.log.Text();
    // The flush with end marked the read position: register 55 written 0.
    EXPECT_EQ(WritesTo(55), std::vector<uint32_t>{0});

    Img want{W, H, phantom};
    if (c.binning == 2) {
      Img b{W / c.xbin, H / 2, {}};
      for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x)
          b.px.push_back(static_cast<uint16_t>((want.at(x * c.xbin, 2 * y) + want.at(x * c.xbin, 2 * y + 1)) / 2));
      want = b;
    }
    Img upright = Oriented(want, 0, c.mirror);
    if (c.deflash) DeFlashOracle(upright, c.deflash);
    Img expected = Oriented(upright, c.rotation, false);
    Img got = s.Image(1);
    EXPECT_EQ(got.w, expected.w);
    EXPECT_EQ(got.h, expected.h);
    EXPECT_TRUE(got.px == expected.px);

    ImageInfo info = s.Info(1);
    EXPECT_EQ(info.width, expected.w);
    EXPECT_EQ(info.height, expected.h);
    EXPECT_EQ(info.start_position, X);
    EXPECT_EQ(info.slot_bits, 0x01);
    EXPECT_EQ(info.rotation, tarvel::RotationByte(c.rotation));
    EXPECT_EQ(info.possible_maximum, mode.MaxPixVal);
  }
}

TEST_F(SimRoundTrip, CephPlateIsCroppedFromTheDimmerSide) {
  const int W = 56, H = 44, X = 2000;
  std::vector<uint16_t> px(W * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) px[y * W + x] = static_cast<uint16_t>(x < 8 ? 3000 : 9000 + y);
  scenario.plates.push_back(At(X, 20, 1, px, W, H));
  Arm();
  auto mode = SimMode();
  mode.plate_type = tarvel::kPlateCephalometric;
  mode.pitch_x = mode.pitch_y = 5e-3;  // 48 x 40 pixels are 241 x 202 mm
  Session s(mode);
  Acquire(s.acq, 40960);
  ASSERT_EQ(s.acq.WrittenNumber(), 1);
  Img got = s.Image(1);
  ASSERT_EQ(got.w, 48);
  ASSERT_EQ(got.h, 40);
  Img a{W, H, px};
  // The eight dim columns on the left go; the dimmer top rows go.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(got.at(x, y), a.at(x + 8, y + 4));
  EXPECT_EQ(s.Info(1).start_position, X + 8);
}

TEST_F(SimRoundTrip, PlatesOfOnePassWhateverThePieces) {
  const std::vector<uint16_t> a = Phantom(200, 100, 1, 2000, 40000), b = Phantom(200, 100, 2, 2000, 40000),
                              c = Phantom(160, 80, 3, 2000, 40000);
  scenario.plates.push_back(At(1000, 20, 0, a, 200, 100));  // slot 0
  scenario.plates.push_back(At(2000, 20, 1, b, 200, 100));  // beside it, slot 1
  scenario.plates.push_back(At(3500, 200, 2, c, 160, 80));  // later, slot 2
  scenario.plates.push_back(At(5000, 400, 3, std::vector<uint16_t>(20 * 20, 3000), 20, 20));  // too small
  scenario.plates.push_back(At(100, 500, 0, std::vector<uint16_t>(400 * 40, 3000), 400, 40));  // too wide
  Arm();
  std::vector<std::string> reference;
  uint32_t seed = 1;
  for (uint32_t piece : {40960u, 4u, 0u}) {
    SCOPED_TRACE(piece);
    if (!reference.empty()) {
      device->Scan_SetRun(0);
      device->Dev_PulseReset();
      for (const sim::Plate& p : scenario.plates) scanner->AddPlate(p);
      device->Scan_SetRun(2);
    }
    auto mode = SimMode();
    mode.min_image_pixels = 401;
    Session s(mode);
    Acquire(s.acq, piece, seed++, 1000);
    ASSERT_EQ(s.acq.WrittenNumber(), 3) << s.log.Text();
    const std::vector<uint16_t>* want[] = {&a, &b, &c};
    const uint8_t slots[] = {0x01, 0x02, 0x04};
    std::vector<std::string> files;
    for (int n = 1; n <= 3; ++n) {
      EXPECT_TRUE(s.Image(n).px == *want[n - 1]) << n;
      EXPECT_EQ(s.Info(n).slot_bits, slots[n - 1]) << n;
      files.push_back(ReadAll(s.acq.FileName(n)));
    }
    const std::string text = s.log.Text();
    EXPECT_NE(text.find("1 Ranges were removed as too small\n"), std::string::npos);
    EXPECT_NE(text.find("Range with bad X/Y ratio was removed; Ratio = 10.00, max =  3.00\n"), std::string::npos);
    if (reference.empty())
      reference = files;
    else
      EXPECT_TRUE(files == reference);
  }
}

TEST_F(SimRoundTrip, EraseModeWritesNothing) {
  scenario.plates.push_back(At(1000, 20, 0, Phantom(200, 100, 4, 2000, 40000), 200, 100));
  Arm();
  auto mode = SimMode();
  mode.plate_type = tarvel::kPlateErase;
  Session s(mode);
  Acquire(s.acq, 40960);
  EXPECT_EQ(s.acq.WrittenNumber(), 0);
  EXPECT_EQ(s.log.Text().find("Creating image"), std::string::npos);
  int files = 0;
  for (auto& e : fs::directory_iterator(s.dir.path())) files += e.path().extension() == ".QEW";
  EXPECT_EQ(files, 0);
}

}  // namespace
