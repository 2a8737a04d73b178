// Save Region As from sampled files: every source format into every save
// format with the written pixels and header checked, the refusal of a region
// too large for a format that cannot be streamed, failures that leave no
// file, and the peak memory of a large save in a process of its own.
#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "viewer/core/region_save.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

bool Exists(const std::string& name) { return QFileInfo::exists(QString::fromStdString(name)); }

uint16_t Tone(uint32_t x, uint32_t y) { return static_cast<uint16_t>(1000 + x * 37 + y * 501); }

constexpr uint32_t kWidth = 24, kHeight = 18;
// 24 x 18 x 2 = 864 bytes: held at N = 2 (12 x 9 x 2 = 216 bytes).
constexpr int32_t kLimit = 600;

struct Source {
  const char* file;
  const char* part;  // base name of the regions saved from it
  uint32_t type;  // as written
  bool hasOrigin;
};
constexpr Source kSources[] = {{"source.qew", "from-qew", kFileQew, true},
                               {"source.tif", "from-tif", kFileTiff16, true},
                               {"source.bmp", "from-bmp", kFileBreadboard, false},
                               {"source.raw", "from-raw", kFileRaw, false}};

struct Target {
  int filter;
  const char* extension;
  uint32_t openedType;  // the type of the written file once opened
};
constexpr Target kTargets[] = {
    {1, ".qew", kFileQew}, {2, ".tif", kFileTiff16}, {3, ".bmp", kFileBreadboard}, {4, ".raw", kFileRaw}};

class SaveRegionTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    settings.maxImageSize = kLimit;
  }
  // Writes the source with origin (20, 30) and opens it sampled.
  std::string OpenSampled(const Source& s) {
    ScanInfo info = test::Facts(kWidth, kHeight);
    info.originX = 20;
    info.originY = 30;
    info.resolutionX = 11811;
    info.resolutionY = 23622;
    std::vector<uint16_t> pixels(kWidth * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
      for (uint32_t x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = Tone(x, y);
    const std::string name = folder / s.file;
    test::WriteImageFile(name, s.type, info, pixels);
    Open(name);
    EXPECT_EQ(About("IISampling"), "2x2 merged to form each pixel") << s.file;
    if (!Actions().Region->isChecked()) Actions().Region->trigger();
    return name;
  }
  // Origin of the opened source: formats without one count from (0, 0).
  Point Origin() {
    const QString origin = QString::fromStdString(About("SIOrigin"));
    return {origin.section(',', 0, 0).toInt(), origin.section(',', 1).trimmed().toInt()};
  }
  void SaveRegion(const std::string& name, int filter) {
    prompts.saves.push_back(SaveChoice{name, filter});
    Actions().SaveROIAs->trigger();
  }
  // The written file holds exactly the source's pixels of the region whose
  // top-left source pixel is (x0, y0).
  void ExpectRegion(const std::string& name, uint32_t type, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    CImage written;  // no size limit
    written.Open(name);
    ASSERT_FALSE(written.IsEmpty()) << name;
    EXPECT_EQ(written.FileType(), type) << name;
    ASSERT_EQ(written.Sampling(), 1u);
    ASSERT_EQ(written.StoredWidth(), w) << name;
    ASSERT_EQ(written.StoredHeight(), h) << name;
    for (uint32_t j = 0; j < h; ++j)
      for (uint32_t i = 0; i < w; ++i)
        ASSERT_EQ(written.Pixels()[j * w + i], Tone(x0 + i, y0 + j)) << name << " at " << i << "," << j;
  }
};

TEST_F(SaveRegionTest, FromASampledFileEveryFormatIntoEvery) {
  for (const Source& s : kSources) {
    OpenSampled(s);
    const Point o = Origin();
    EXPECT_EQ(o.x, s.hasOrigin ? 20 : 0);
    // Columns 2..16 and rows 2..10 of the file (stored pixels 1..8 and
    // 1..5): 15 x 9 x 2 = 270 bytes.
    Drag({1, 1}, {8, 5});
    for (const Target& t : kTargets) {
      const std::string name = folder / s.part + t.extension;
      SaveRegion(folder / s.part, t.filter);
      ASSERT_TRUE(libraryBoxes.boxes.empty()) << s.file << " " << t.filter << ": " << libraryBoxes.boxes[0].text;
      ExpectRegion(name, t.openedType, 2, 2, 15, 9);
      CImage written;
      written.Open(name);
      if (t.filter <= 2) {
        // Formats with an origin keep the region's place and the source's
        // resolution.
        EXPECT_EQ(written.GetScanInfo().originX, uint32_t(o.x + 2)) << name;
        EXPECT_EQ(written.GetScanInfo().originY, uint32_t(o.y + 2)) << name;
        EXPECT_EQ(written.GetScanInfo().resolutionX, s.type == kFileRaw ? 0u : 11811u) << name;
      }
    }
    // The window still holds the sampled source, unmodified.
    EXPECT_EQ(About("IISampling"), "2x2 merged to form each pixel");
    EXPECT_EQ(About("FIName"), folder / s.file);
    EXPECT_FALSE(Modified());
  }
}

TEST_F(SaveRegionTest, ARegionTooLargeToHoldIsRefusedUnlessStreamedOrCopied) {
  OpenSampled(kSources[3]);  // raw, 864 bytes against a limit of 600
  // Into TIFF the region would have to be held whole: refused, nothing written.
  SaveRegion(folder / "whole", 2);
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u);
  EXPECT_EQ(libraryBoxes.boxes[0].text, RegionTooLargeText(864, kLimit));
  EXPECT_EQ(libraryBoxes.boxes[0].text,
            "The region of interest needs 864 Bytes, more than the Maximum Image Size of 600 Bytes, and can not be "
            "saved in this format.  Save it in the format of the image file or as Brellan Proprietary, or raise "
            "the Maximum Image Size.");
  EXPECT_EQ(libraryBoxes.boxes[0].button, MessageButton::Abort);
  EXPECT_FALSE(Exists(folder / "whole.tif"));
  // The same region streamed into QEW and copied as raw, in the same session.
  SaveRegion(folder / "whole", 1);
  SaveRegion(folder / "whole", 4);
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u) << libraryBoxes.boxes.back().text;
  ExpectRegion(folder / "whole.qew", kFileQew, 0, 0, kWidth, kHeight);
  ExpectRegion(folder / "whole.raw", kFileRaw, 0, 0, kWidth, kHeight);
  // With no limit it is held and written.
  settings.maxImageSize = 0;
  SaveRegion(folder / "whole", 2);
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u) << libraryBoxes.boxes.back().text;
  ExpectRegion(folder / "whole.tif", kFileTiff16, 0, 0, kWidth, kHeight);
}

TEST_F(SaveRegionTest, AFailedSaveLeavesNoFileAndTheNextOneWorks) {
  const std::string source = OpenSampled(kSources[3]);
  // A folder that does not exist.
  SaveRegion(folder / "missing/part", 1);
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u);
  EXPECT_EQ(libraryBoxes.boxes[0].text,
            "Error 7 trying to write the region to a file.\n\rThe file specified can not be created or written to.");
  // The source shrinks on disk after it was opened: the streamed copy fails
  // after its file was created, and the file goes again.
  ASSERT_EQ(truncate(source.c_str(), 4 + kWidth * 2 * 5), 0);
  SaveRegion(folder / "part", 1);
  ASSERT_EQ(libraryBoxes.boxes.size(), 2u);
  EXPECT_EQ(libraryBoxes.boxes[1].text.rfind("Error 9 trying to write the region to a file.\n\r", 0), 0u)
      << libraryBoxes.boxes[1].text;
  EXPECT_FALSE(Exists(folder / "part.qew"));
  // Rows 0..4 are still there: a drag from the first pixel to beyond the
  // right edge on stored row 2.
  Drag({0, 0}, {int32_t(kWidth / 2), 2});
  SaveRegion(folder / "part", 1);
  ASSERT_EQ(libraryBoxes.boxes.size(), 2u) << libraryBoxes.boxes.back().text;
  ExpectRegion(folder / "part.qew", kFileQew, 0, 0, kWidth, 5);
}

// ---- Peak memory of a large save, in a process of its own ----

uint16_t LargeTone(uint32_t x, uint32_t y) { return static_cast<uint16_t>(x * 7 + y * 13); }

constexpr uint32_t kLargeWidth = 10000, kLargeHeight = 8000;  // 160,000,000 bytes
constexpr uint32_t kLargeLimit = 4u << 20;  // held at N = 7
constexpr long kAllowedRiseKb = (kLargeLimit + (64u << 20)) / 1024;

std::vector<uint16_t> LargeRow(uint32_t y) {
  std::vector<uint16_t> row(kLargeWidth);
  for (uint32_t x = 0; x < kLargeWidth; ++x) row[x] = LargeTone(x, y);
  return row;
}

// Runs the probe; its output and exit status.
std::pair<std::string, int> RunProbe(const std::string& source, const std::string& target, int filter) {
  const std::string command = std::string("'") + VORNIX_REGION_SAVE_PROBE + "' '" + source + "' '" + target + "' " +
                              std::to_string(filter) + " " + std::to_string(kLargeLimit);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {"", -1};
  std::string out;
  char buffer[256];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  return {out, pclose(pipe)};
}

long RiseKb(const std::string& out) {
  const size_t at = out.find("rise_kb ");
  return at == std::string::npos ? -1 : std::strtol(out.c_str() + at + 8, nullptr, 10);
}

// Every row of a written QEW file, read line by line.
void ExpectLargeQew(const std::string& name) {
  FileInfo file{kFileNone, name.c_str()};
  ScanInfo info{};
  FennicHandle stream = FENNIC_INVALID_HANDLE;
  ASSERT_EQ(_StartRead(&stream, &file, &info), 0) << name;
  EXPECT_EQ(info.width, kLargeWidth);
  EXPECT_EQ(info.height, kLargeHeight);
  EXPECT_EQ(info.originX, 0u);
  std::vector<uint16_t> line(kLargeWidth);
  for (uint32_t y = 0; y < kLargeHeight; ++y) {
    ASSERT_EQ(_ReadLine(&stream, &info, line.data()), 0) << y;
    ASSERT_EQ(line, LargeRow(y)) << name << " row " << y;
  }
  EXPECT_EQ(_ReadLine(&stream, &info, line.data()), kFennicReadFailed);  // nothing after the last row
  _EndRead(&stream);
}

void ExpectLargeRaw(const std::string& name) {
  FILE* f = std::fopen(name.c_str(), "rb");
  ASSERT_NE(f, nullptr) << name;
  uint16_t size[2] = {};
  ASSERT_EQ(std::fread(size, 2, 2, f), 2u);
  EXPECT_EQ(size[0], kLargeWidth);
  EXPECT_EQ(size[1], kLargeHeight);
  std::vector<uint16_t> line(kLargeWidth);
  for (uint32_t y = 0; y < kLargeHeight; ++y) {
    ASSERT_EQ(std::fread(line.data(), 2, kLargeWidth, f), kLargeWidth) << y;
    ASSERT_EQ(line, LargeRow(y)) << name << " row " << y;
  }
  EXPECT_EQ(std::fgetc(f), EOF);
  std::fclose(f);
}

TEST(SaveRegionMemory, ALargeSampledImageIsSavedWithinTheLimit) {
  test::TempFolder folder;
  const std::string raw = folder / "large.raw", qew = folder / "large.qew";
  test::WriteRaw(raw, kLargeWidth, kLargeHeight, LargeTone);
  {
    FileInfo file{kFileQew, qew.c_str()};
    ScanInfo info = test::Facts(kLargeWidth, kLargeHeight);
    FennicHandle stream = FENNIC_INVALID_HANDLE;
    ASSERT_EQ(_StartWrite(&stream, &file, &info), 0);
    for (uint32_t y = 0; y < kLargeHeight; ++y) ASSERT_EQ(_WriteLine(&stream, &info, LargeRow(y).data()), 0);
    ASSERT_EQ(_EndWrite(&stream), 0);
  }
  const struct {
    const std::string& source;
    const char* target;
    int filter;
    void (*check)(const std::string&);
  } cases[] = {
      {raw, "streamed.qew", 1, ExpectLargeQew},  // another format: streamed in bands
      {qew, "copied.qew", 1, ExpectLargeQew},  // its own format: copied by the library
      {raw, "copied.raw", 4, ExpectLargeRaw},
  };
  for (const auto& c : cases) {
    const std::string target = folder / c.target;
    const auto [out, status] = RunProbe(c.source, target, c.filter);
    ASSERT_EQ(status, 0) << c.target << ":\n" << out;
    const long rise = RiseKb(out);
    ASSERT_GE(rise, 0) << out;
    EXPECT_LE(rise, kAllowedRiseKb) << c.target;
    c.check(target);
    std::remove(target.c_str());
  }
}

}  // namespace
}  // namespace viewer
