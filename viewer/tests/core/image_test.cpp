#include "viewer/core/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "fennic/fennic_api.h"
#include "viewer/core/display_core.h"
#include "viewer/core/region_save.h"
#include "viewer/core/settings.h"
#include "viewer/tests/core/test_support.h"

namespace viewer {
namespace {

using test::MessageRecorder;
using test::TempFolder;
using test::WriteRaw;

// The sampling loop as the model states it, in 64 bits.
uint32_t NaiveSubsample(uint64_t w, uint64_t h, uint32_t limit) {
  uint64_t n = 1;
  if (limit != 0)
    while ((w / n) * (h / n) * 2 > limit) ++n;
  return static_cast<uint32_t>(n);
}

uint16_t Tone(uint32_t x, uint32_t y) { return static_cast<uint16_t>((x * 37 + y * 101) % 65536); }

// The truncated mean of the N x N block of stored pixel (i, j).
uint16_t BlockMean(uint32_t i, uint32_t j, uint32_t n, uint32_t ox = 0, uint32_t oy = 0) {
  uint64_t sum = 0;
  for (uint32_t b = 0; b < n; ++b)
    for (uint32_t a = 0; a < n; ++a) sum += Tone(ox + i * n + a, oy + j * n + b);
  return static_cast<uint16_t>(sum / (uint64_t{n} * n));
}

std::vector<uint8_t> QewFile(const ScanInfo& info) {
  std::vector<uint8_t> bytes(4 + sizeof info + size_t{info.width} * info.height * 2, 0x11);
  const uint8_t magic[] = {'Q', 'E', 'W', 2};
  std::memcpy(bytes.data(), magic, sizeof magic);
  std::memcpy(bytes.data() + sizeof magic, &info, sizeof info);
  return bytes;
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image.OnChange = [this](CImage* changed) {
      EXPECT_EQ(changed, &image);
      ++changes;
    };
  }

  void ExpectPixels(uint32_t n, uint32_t ox, uint32_t oy) {
    ASSERT_FALSE(image.IsEmpty());
    ASSERT_EQ(image.Sampling(), n);
    for (uint32_t j = 0; j < image.StoredHeight(); ++j)
      for (uint32_t i = 0; i < image.StoredWidth(); ++i)
        ASSERT_EQ(image.Pixels()[size_t{j} * image.StoredWidth() + i], BlockMean(i, j, n, ox, oy)) << i << "," << j;
  }

  TempFolder folder;
  MessageRecorder boxes;
  ViewerSettings settings;
  CImage image{settings};
  int changes = 0;
};

TEST(Subsample, SmallestFactorThatFits) {
  const struct {
    uint64_t w, h;
    uint32_t limit, n;
  } cases[] = {
      {2000, 2500, 4000000, 2},
      {2000, 2500, 10000000, 1},  // equality fits
      {2000, 2500, 9999999, 2},
      {2000, 2500, 0, 1},
      {8000, 10000, 0, 1},
      {8000, 10000, 16000000, 4},
      {65535, 65535, 1, 65536},
      {1, 1, 1, 2},
      {0, 0, 1, 1},
      // products beyond 32 bits
      {65535, 65535, 4000000000u, 2},
      {2147483647, 2147483647, 4000000000u, 48019},
  };
  for (const auto& c : cases) EXPECT_EQ(CImage::SubsampleFor(c.w, c.h, c.limit), c.n) << c.w << "x" << c.h;
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    const uint64_t w = random() % 5000 + 1, h = random() % 5000 + 1;
    const uint32_t limit = random() % 60000000 + 1;
    ASSERT_EQ(CImage::SubsampleFor(w, h, limit), NaiveSubsample(w, h, limit)) << w << " " << h << " " << limit;
  }
}

TEST_F(ImageTest, ScannerImageOpensAsRawData) {
  const std::string name = folder / "KP000001.QEW";
  WriteRaw(name, 30, 20, Tone);
  for (bool picture : {false, true}) {
    if (picture)
      image.OpenPicture(name);
    else
      image.Open(name);
    EXPECT_EQ(image.FileType(), kFileRaw);
    EXPECT_EQ(image.FileName(), name);
    EXPECT_EQ(image.GetScanInfo().source, kSourceUnknown);
    EXPECT_EQ(image.GetScanInfo().width, 30u);
    EXPECT_EQ(image.StoredHeight(), 20u);
    ExpectPixels(1, 0, 0);
    EXPECT_EQ(image.MinTone(), 0);
    EXPECT_EQ(image.MaxTone(), Tone(29, 19));
  }
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(boxes.boxes.empty());
  image.Close();
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.FileType(), kFileNone);
  EXPECT_FALSE(image.HasFileName());
  EXPECT_EQ(image.MaxTone(), 0);
  EXPECT_EQ(changes, 3);
}

TEST_F(ImageTest, BitmapTypeByOpenCommand) {
  const std::string raw = folder / "a.raw", bmp = folder / "a.bmp";
  WriteRaw(raw, 4, 3, Tone);
  image.Open(raw);
  ASSERT_TRUE(image.SaveAs(kFileBitmap, bmp));
  EXPECT_EQ(image.FileType(), kFileBreadboard);  // the library's bitmap writer
  image.Open(bmp);
  EXPECT_EQ(image.FileType(), kFileBreadboard);
  ExpectPixels(1, 0, 0);  // 16-bit values come back
  image.OpenPicture(bmp);
  EXPECT_EQ(image.FileType(), kFileBitmap);
  EXPECT_FALSE(image.IsEmpty());
}

TEST_F(ImageTest, LimitChoosesTheSampling) {
  const std::string name = folder / "big.raw";
  WriteRaw(name, 2000, 2500, Tone);
  settings.maxImageSize = 4000000;
  image.Open(name);
  EXPECT_EQ(image.StoredWidth(), 1000u);
  EXPECT_EQ(image.StoredHeight(), 1250u);
  ExpectPixels(2, 0, 0);
  settings.maxImageSize = 10000000;
  image.Open(name);
  ExpectPixels(1, 0, 0);
}

// Every family fennic writes comes back whole, at full resolution and
// sampled.
TEST_F(ImageTest, EveryWrittenFormatLoadsFullAndSampled) {
  const std::string raw = folder / "source.raw";
  WriteRaw(raw, 3000, 1200, Tone);
  const struct {
    uint32_t type, opened;
    const char* name;
  } cases[] = {{kFileRaw, kFileRaw, "a.raw"},
               {kFileBitmap, kFileBreadboard, "a.bmp"},
               {kFileTiff16, kFileTiff16, "a.tif"},
               {kFileQew, kFileQew, "a.qew"}};
  for (const auto& c : cases) {
    settings.maxImageSize = 0;
    image.Open(raw);
    ASSERT_TRUE(image.SaveAs(c.type, folder / c.name)) << c.name;
    for (uint32_t n : {1u, 2u}) {
      settings.maxImageSize = n == 1 ? 0 : 3000 * 1200 * 2 / 4;
      image.Open(folder / c.name);
      EXPECT_EQ(image.FileType(), c.opened) << c.name;
      ExpectPixels(n, 0, 0);
    }
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

// A factor beyond the image's sides leaves no stored pixel: the image is
// held (not empty) with the tone range of an empty one, and shows nothing.
TEST_F(ImageTest, SamplingBeyondTheSidesLeavesNoStoredPixel) {
  const std::string name = folder / "one.raw";
  WriteRaw(name, 1, 1, [](uint32_t, uint32_t) { return 500; });
  settings.maxImageSize = 1;
  image.Open(name);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(image.Sampling(), 2u);
  EXPECT_EQ(image.StoredWidth(), 0u);
  EXPECT_FALSE(image.IsEmpty());
  EXPECT_EQ(image.MinTone(), 0);
  EXPECT_EQ(image.MaxTone(), 0);
  EXPECT_EQ(image.PixelAt(0, 0), 0u);
  DisplayCore core;
  core.SetClientSize(40, 30);
  core.SetData(image.Record());
  core.Render(100, 100);
  EXPECT_EQ(core.Source().width, 0);
  Point p{20, 15};
  core.ScreenToImage(p);
  EXPECT_EQ(p, (Point{0, 0}));
}

TEST_F(ImageTest, CropInMemoryKeepsTheSampling) {
  const std::string name = folder / "a.raw";
  WriteRaw(name, 40, 30, Tone);
  image.Open(name);
  image.Crop(25, 20, 5, 3);  // corners in any order
  EXPECT_EQ(image.GetScanInfo().originX, 5u);
  EXPECT_EQ(image.GetScanInfo().originY, 3u);
  EXPECT_EQ(image.GetScanInfo().width, 21u);
  EXPECT_EQ(image.GetScanInfo().height, 18u);
  ExpectPixels(1, 5, 3);
  image.Crop(-100, 10, 1000, 1000);  // pulled onto the edges
  EXPECT_EQ(image.GetScanInfo().originX, 5u);
  EXPECT_EQ(image.GetScanInfo().originY, 10u);
  EXPECT_EQ(image.GetScanInfo().width, 21u);
  EXPECT_EQ(image.GetScanInfo().height, 11u);
  ExpectPixels(1, 5, 10);
  EXPECT_EQ(image.PixelAt(5, 10), Tone(5, 10));
  EXPECT_EQ(image.PixelAt(4, 10), 0u);  // left of the origin
  EXPECT_EQ(image.PixelAt(5, 9), 0u);  // above it
  EXPECT_EQ(image.PixelAt(26, 10), 0u);  // beyond the last column
  EXPECT_EQ(image.PixelAt(25, 21), 0u);  // below the last row
  EXPECT_EQ(image.PixelAt(25, 20), Tone(25, 20));
}

TEST_F(ImageTest, CropAtSamplingReadsTheRegionAgain) {
  const std::string name = folder / "big.raw";
  WriteRaw(name, 2000, 2500, Tone);
  settings.maxImageSize = 4000000;
  image.Open(name);
  ASSERT_EQ(image.Sampling(), 2u);
  image.Crop(101, 203, 1100, 1702);  // 1000 x 1500 fits at N = 1
  EXPECT_EQ(image.StoredWidth(), 1000u);
  ExpectPixels(1, 101, 203);

  image.Open(name);
  image.Crop(0, 0, 1999, 1499);  // 2000 x 1500 x 2 still too large: N = 2
  ExpectPixels(2, 0, 0);
  EXPECT_EQ(image.StoredHeight(), 750u);

  // The file is gone: the error is shown and the image stays as it was.
  const ImageRecord before = image.Record();
  std::remove(name.c_str());
  const int seen = changes;
  image.Crop(10, 10, 20, 20);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Error 6 trying to load the image.\n\rThe file could not be found or opened.");
  EXPECT_EQ(boxes.boxes[0].button, MessageButton::Abort);
  EXPECT_EQ(image.Record().pixels, before.pixels);
  EXPECT_EQ(image.GetScanInfo().height, 1500u);
  EXPECT_EQ(changes, seen);
}

TEST_F(ImageTest, ToneRangeCountsEveryPixel) {
  const struct {
    uint16_t w, h;
    uint32_t minAt, maxAt;
  } cases[] = {{37, 3, 110, 0}, {37, 3, 0, 110}, {8, 2, 9, 15},
               {3, 1, 1, 2},    {1, 1, 0, 0},    {2000, 600, 1199999, 1000000}};
  for (const auto& c : cases) {
    const std::string name = folder / "range.raw";
    const uint32_t w = c.w;
    WriteRaw(name, c.w, c.h, [&](uint32_t x, uint32_t y) {
      const uint32_t i = y * w + x;
      return i == c.minAt ? 7 : i == c.maxAt ? 60000 : 1000 + i % 5000;
    });
    image.Open(name);
    EXPECT_EQ(image.MinTone(), 7) << c.w << "x" << c.h;
    EXPECT_EQ(image.MaxTone(), c.minAt == c.maxAt ? 7 : 60000) << c.w << "x" << c.h;
  }
}

TEST_F(ImageTest, TestPattern) {
  image.CreateTestPattern();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(image.GetScanInfo().source, kSourceComputer);
  EXPECT_EQ(image.FileType(), kFileNone);
  EXPECT_FALSE(image.HasFileName());
  EXPECT_NE(image.GetScanInfo().timestamp.high, 0u);
  ASSERT_EQ(image.Sampling(), 1u);
  std::vector<bool> seen(65536);
  for (int i = 0; i < 65536; ++i) seen[image.Pixels()[i]] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 65536);
  EXPECT_EQ(image.PixelAt(10, 3), 778u);
  EXPECT_EQ(image.MinTone(), 0);
  EXPECT_EQ(image.MaxTone(), 65535);

  image.Crop(10, 3, 19, 3);
  ASSERT_EQ(image.StoredWidth(), 10u);
  ASSERT_EQ(image.StoredHeight(), 1u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(image.Pixels()[i], 778 + i);

  settings.maxImageSize = 256 * 256 * 2 - 1;
  image.CreateTestPattern();
  ASSERT_EQ(image.Sampling(), 2u);
  EXPECT_EQ(image.StoredWidth(), 128u);
  EXPECT_EQ(image.Pixels()[5 * 128 + 7], 256 * 5 * 2 + 7 * 2);  // top-left of its block
  EXPECT_EQ(image.PixelAt(15, 11), uint32_t(256 * 10 + 14));
  image.Crop(20, 20, 29, 29);  // no file: cut in memory at N = 2
  EXPECT_EQ(image.Sampling(), 2u);
  EXPECT_EQ(image.StoredWidth(), 5u);
  EXPECT_EQ(image.Pixels()[0], 256 * 20 + 20);
}

TEST_F(ImageTest, CoordinateConversions) {
  settings.maxImageSize = 256 * 256 * 2 - 1;
  image.CreateTestPattern();
  image.Crop(10, 20, 200, 200);
  const struct {
    int32_t x, y, sx, sy;
  } cases[] = {{10, 20, 0, 0}, {11, 21, 0, 0}, {13, 23, 2, 2}, {12, 22, 1, 1}, {9, 19, 0, 0}, {7, 17, -2, -2}};
  for (const auto& c : cases) {
    int32_t x = c.x, y = c.y;
    image.FullToStored(x, y);  // rounded to nearest, ties to even
    EXPECT_EQ(x, c.sx) << c.x;
    EXPECT_EQ(y, c.sy) << c.y;
  }
  Point p{3, 4};
  image.StoredPointToFull(p);
  EXPECT_EQ(p, (Point{16, 28}));
  Rect r{10, 20, 30, 40};
  image.FullRectToStored(r);
  EXPECT_EQ(r, (Rect{0, 0, 10, 10}));
}

TEST_F(ImageTest, FailuresAreReportedWithTheirTexts) {
  const std::string shortFile = folder / "three", missing = folder / "missing.raw",
                    truncated = folder / "truncated.raw", badBitmap = folder / "bad.bmp";
  test::WriteBytes(shortFile, {1, 2, 3});
  test::WriteBytes(truncated, {100, 0, 100, 0, 1, 2, 3, 4});
  test::WriteBytes(badBitmap, {'B', 'M', 0, 0, 0, 0, 0, 0});
  const std::string file = " trying to get information about the file.\n\r";
  const std::string info = " trying to get information about the image.\n\r";
  const std::string load = " trying to load the image.\n\r";
  const struct {
    std::string name, text;
  } cases[] = {
      {shortFile, "Error 9" + file + "There was an error trying to read from the file."},
      {missing, "Error 6" + file + "The file could not be found or opened."},
      {truncated, "Error 9" + load + "There was an error trying to read from the file."},
      {badBitmap, "Error 9" + info + "There was an error trying to read from the file."},
  };
  for (const auto& c : cases) {
    boxes.boxes.clear();
    const int seen = changes;
    image.Open(c.name);
    ASSERT_EQ(boxes.boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes.boxes[0].text, c.text);
    EXPECT_EQ(boxes.boxes[0].button, MessageButton::Abort);
    EXPECT_EQ(changes, seen + 1);  // the listener hears of a failed open
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Pixels(), nullptr);
    EXPECT_EQ(image.FileName(), c.name);
  }
}

TEST_F(ImageTest, OutOfMemoryLeavesTheImageEmpty) {
  const std::string name = folder / "a.raw";
  WriteRaw(name, 30, 20, Tone);
  image.SetAllocator([](size_t) { return std::shared_ptr<uint16_t[]>(); });
  image.Open(name);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Error 11 trying to load the image.\n\rThere was not enough memory to created "
            "temporary buffers.");
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.MaxTone(), 0);
  EXPECT_EQ(changes, 1);
}

TEST_F(ImageTest, CoordinatesBeyondThirtyOneBitsAreRefused) {
  ScanInfo info{};
  info.source = kSourceBrellanPrototype;
  info.width = 2;
  info.height = 2;
  const struct {
    uint32_t ox, oy;
    bool loads;
  } cases[] = {{0x7FFFFFFE, 0, true}, {0x7FFFFFFF, 0, false}, {0, 0x80000000u, false}, {0xFFFFFFFF, 5, false}};
  for (const auto& c : cases) {
    info.originX = c.ox;
    info.originY = c.oy;
    const std::string name = folder / "far.qew";
    test::WriteBytes(name, QewFile(info));
    boxes.boxes.clear();
    image.Open(name);
    EXPECT_EQ(!image.IsEmpty(), c.loads) << c.ox << " " << c.oy;
    if (!c.loads) {
      ASSERT_EQ(boxes.boxes.size(), 1u);
      EXPECT_EQ(boxes.boxes[0].text,
                "Error 3 trying to get information about the image.\n\r"
                "The indicated subregion is not actually within the image.");
    } else {
      EXPECT_EQ(image.PixelAt(c.ox + 1, c.oy + 1), 0x1111u);
      int32_t x = 1, y = 1;
      image.StoredToFull(x, y);
      EXPECT_EQ(x, 0x7FFFFFFF);
    }
  }
}

TEST_F(ImageTest, RecordKeepsThePixelsAlive) {
  image.CreateTestPattern();
  const ImageRecord record = image.Record();
  image.Close();
  EXPECT_EQ(image.Pixels(), nullptr);
  ASSERT_TRUE(record.pixels);
  EXPECT_EQ(record.pixels[65535], 65535);  // still readable after the model let go
  EXPECT_EQ(record.maxTone, 65535);
}

TEST_F(ImageTest, SaveAndSaveRegion) {
  const std::string raw = folder / "a.raw", copy = folder / "copy", region = folder / "region.raw";
  WriteRaw(raw, 40, 30, Tone);
  image.Open(raw);
  ASSERT_TRUE(image.SaveAs(kFileQew, copy));
  EXPECT_EQ(image.FileType(), kFileQew);
  image.Open(copy + ".qew");  // the library adds the default extension
  ExpectPixels(1, 0, 0);
  EXPECT_EQ(image.FileType(), kFileQew);

  image.Open(raw);
  const int seen = changes;
  ASSERT_TRUE(image.SaveRegionAs(kFileRaw, region, 3, 4, 12, 9));
  EXPECT_EQ(changes, seen);
  EXPECT_EQ(image.GetScanInfo().width, 40u);
  CImage other;
  other.Open(region);
  ASSERT_EQ(other.StoredWidth(), 10u);
  ASSERT_EQ(other.StoredHeight(), 6u);
  for (uint32_t j = 0; j < 6; ++j)
    for (uint32_t i = 0; i < 10; ++i) ASSERT_EQ(other.Pixels()[j * 10 + i], Tone(3 + i, 4 + j));

  EXPECT_FALSE(image.SaveAs(kFileRaw, folder / "no/such/folder.raw"));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Error 7 trying to write the image file.\n\r"
            "The file specified can not be created or written to.");
  EXPECT_FALSE(image.SaveRegionAs(kFileRaw, folder / "r.raw", 30, 4, 12, 9));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text.rfind("Error 3 trying to write the region to a file.\n\r", 0), 0u);
}

TEST_F(ImageTest, ARegionWiderThanABandIsStreamedInPieces) {
  // One row of 8,400,000 pixels is more than a band holds.
  constexpr uint32_t w = uint32_t(kRegionBandBytes / 2) + 11200, h = 3;
  const std::string tif = folder / "wide.tif", qew = folder / "wide.qew";
  {
    std::vector<uint16_t> pixels(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) pixels[size_t{y} * w + x] = Tone(x, y);
    ScanInfo info{};
    info.source = kSourceFennic;
    info.width = w;
    info.height = h;
    FileInfo file{kFileTiff16, tif.c_str()};
    ImageData data{1, w, h, pixels.data()};
    ASSERT_EQ(_Write(&file, &info, &data), 0);
  }
  settings.maxImageSize = 1 << 20;
  image.Open(tif);
  ASSERT_GT(image.Sampling(), 1u);
  ASSERT_TRUE(image.SaveRegionAs(kFileQew, qew, 5, 1, int32_t(w - 1), 2));
  FileInfo file{kFileNone, qew.c_str()};
  ScanInfo info{};
  FennicHandle stream = FENNIC_INVALID_HANDLE;
  ASSERT_EQ(_StartRead(&stream, &file, &info), 0);
  EXPECT_EQ(info.originX, 5u);
  EXPECT_EQ(info.originY, 1u);
  ASSERT_EQ(info.width, w - 5);
  ASSERT_EQ(info.height, 2u);
  std::vector<uint16_t> line(info.width);
  for (uint32_t y = 1; y <= 2; ++y) {
    ASSERT_EQ(_ReadLine(&stream, &info, line.data()), 0);
    for (uint32_t x = 5; x < w; ++x) ASSERT_EQ(line[x - 5], Tone(x, y)) << x << "," << y;
  }
  EXPECT_EQ(_ReadLine(&stream, &info, line.data()), kFennicReadFailed);
  _EndRead(&stream);
}

TEST_F(ImageTest, LargeImageLoadsAndRendersWithAndWithoutSampling) {
  const std::string name = folder / "large.raw";
  WriteRaw(name, 8000, 10000, [](uint32_t x, uint32_t y) { return (x + y * 3) & 0xFFFF; });
  for (uint32_t limit : {0u, 40000000u}) {
    settings.maxImageSize = static_cast<int32_t>(limit);
    image.Open(name);
    ASSERT_TRUE(boxes.boxes.empty());
    const uint32_t n = limit ? 2 : 1;
    ASSERT_EQ(image.Sampling(), n);
    ASSERT_EQ(image.StoredWidth(), 8000u / n);
    const uint32_t x = 7999 / n, y = 9999 / n;
    uint64_t sum = 0;
    for (uint32_t b = 0; b < n; ++b)
      for (uint32_t a = 0; a < n; ++a) sum += ((x * n + a) + (y * n + b) * 3) & 0xFFFF;
    EXPECT_EQ(image.Pixels()[size_t{y} * image.StoredWidth() + x], sum / (n * n));

    DisplayCore core;
    core.SetClientSize(1800, 1000);
    core.SetData(image.Record());
    core.Render(1920, 1080);
    EXPECT_EQ(core.Scale(), n == 1 ? -10 : -5);
    EXPECT_EQ(core.Source().width, 800);
    const uint16_t tone = image.Pixels()[0];
    EXPECT_EQ(core.Bitmap()[0], core.Tones()[tone]);
  }
}

}  // namespace
}  // namespace viewer

namespace viewer {
namespace {

TEST_F(ImageTest, ScanFactsReplaceTheEditedFieldsOnly) {
  image.CreateTestPattern();
  changes = 0;
  ScanInfo facts = image.GetScanInfo();
  facts.source = 5;
  facts.originX = 10;
  facts.originY = 20;
  facts.resolutionX = 11811;
  facts.resolutionY = 5000;
  facts.orientation = 3;
  facts.flipHorizontal = 1;
  facts.flipVertical = 1;
  facts.width = 9;  // the region's size is not an edited fact
  facts.timestamp = {1, 2};
  image.SetScanFacts(facts);
  const ScanInfo& info = image.GetScanInfo();
  EXPECT_EQ(info.source, 5u);
  EXPECT_EQ(info.originX, 10u);
  EXPECT_EQ(info.originY, 20u);
  EXPECT_EQ(info.resolutionX, 11811u);
  EXPECT_EQ(info.resolutionY, 5000u);
  EXPECT_EQ(info.orientation, 3);
  EXPECT_EQ(info.flipHorizontal, 1);
  EXPECT_EQ(info.flipVertical, 1);
  EXPECT_EQ(info.width, 256u);
  EXPECT_NE(info.timestamp.high, 2u);
  EXPECT_EQ(image.StoredWidth(), 256u);
  EXPECT_EQ(changes, 0);  // the pixels did not change
}

}  // namespace
}  // namespace viewer
