// Make_CalibFile: the file a flat field with a known gain along the line
// gives, against the test's own measurement; each refusal with its code.
#include <filesystem>

#include "driver/tests/normalization/normalization_fixture.h"

using namespace normtest;

namespace {

double Gain(int x) { return 0.8 + 0.4 * x / 2600.0; }
double Flat(int) { return 1.0; }

class CalibFile : public NormalizationTest {};

TEST_F(CalibFile, FactorsBringEachColumnToTheTenthPercentile) {
  OpenSession();
  Record r;
  std::vector<uint16_t> px = GainField(r, 20000, Gain);
  // Row-to-row noise so that the percentile is not simply the darkest column.
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint16_t(px[i] + (i * 2654435761u >> 20) % 400);
  const std::string image = Images() + "/KP000001.QEW";
  WriteImage(image, r, px);

  ASSERT_EQ(Make_CalibFile(image.c_str()), 0) << Log();
  const std::string text = Read(Images() + "/KP000001.kor");
  EXPECT_EQ(text, OracleFile(r, px));
  // The factors undo the gain: a corrected column is flat to well under 1 %.
  const tarvel::NormalizationFile parsed = tarvel::ParseNormalizationFile(text);
  ASSERT_EQ(parsed.value_count, int(kAnzPix * kPitchX / 1e-4) + 1);
  for (int x : {200, 1300, 2400})
    EXPECT_NEAR(parsed.factors[size_t(r.start + x)] * Gain(x), parsed.factors[1400] * Gain(1300), 0.01) << x;
}

TEST_F(CalibFile, PositionsPastFiveThousandAreMeasuredWithoutOverflow) {
  OpenSession();
  Record r;
  r.start = 4990;
  const std::vector<uint16_t> px = GainField(r, 20000, Gain);
  const std::string image = Images() + "/KP000002.QEW";
  WriteImage(image, r, px);
  ASSERT_EQ(Make_CalibFile(image.c_str()), 0);
  EXPECT_EQ(Read(Images() + "/KP000002.kor"), OracleFile(r, px));
}

struct Refusal {
  const char* what;
  int expected;
  void (*change)(Record&, std::vector<uint16_t>&);
};

TEST_F(CalibFile, EachRefusalHasItsCodeAndWritesNoFile) {
  const Refusal table[] = {
      {"accepted as made", 0, [](Record&, std::vector<uint16_t>&) {}},
      {"pitch 94999", -1017, [](Record& r, std::vector<uint16_t>&) { r.pitch_x = 94999; }},
      {"pitch 105001", -1017, [](Record& r, std::vector<uint16_t>&) { r.pitch_x = 105001; }},
      {"pitch 95000", 0,
       [](Record& r, std::vector<uint16_t>& px) {
         r.pitch_x = 95000;
         r.width = 2700;
         px.assign(size_t(r.width) * r.height, 20000);
       }},
      {"other serial", -1013, [](Record& r, std::vector<uint16_t>&) { r.serial = "VX0000002"; }},
      {"narrower than 80 % of the line", -1014, [](Record& r, std::vector<uint16_t>&) { r.width = 2540; }},
      {"shorter than 100 mm", -1014, [](Record& r, std::vector<uint16_t>&) { r.height = 999; }},
      {"mean 4914", -1015, [](Record&, std::vector<uint16_t>& px) { std::fill(px.begin(), px.end(), 4914); }},
      {"mean 4915", 0, [](Record&, std::vector<uint16_t>& px) { std::fill(px.begin(), px.end(), 4915); }},
      {"mean 39323", -1016, [](Record&, std::vector<uint16_t>& px) { std::fill(px.begin(), px.end(), 39323); }},
      {"mean 39322", 0, [](Record&, std::vector<uint16_t>& px) { std::fill(px.begin(), px.end(), 39322); }},
      {"not uniform", -1018,
       [](Record& r, std::vector<uint16_t>& px) {
         for (size_t i = 0; i < px.size(); ++i) px[i] = i % size_t(r.width) < size_t(r.width) / 2 ? 14000 : 26000;
       }},
      {"a column without signal", -1018,
       [](Record& r, std::vector<uint16_t>& px) {
         for (int y = 0; y < r.height; ++y) px[size_t(y) * r.width + 1000] = 0;
       }},
  };
  OpenSession();
  int n = 0;
  for (const Refusal& row : table) {
    SCOPED_TRACE(row.what);
    Record r;
    r.width = 2600;
    std::vector<uint16_t> px = GainField(r, 20000, Flat);
    row.change(r, px);
    const std::string image = Images() + "/KP10000" + std::to_string(n++) + ".QEW";
    WriteImage(image, r, px);
    EXPECT_EQ(Make_CalibFile(image.c_str()), row.expected);
    EXPECT_EQ(platform::FileExists(image.substr(0, image.size() - 3) + "kor"), row.expected == 0);
  }
}

TEST_F(CalibFile, UnreadableInputsAndNoSession) {
  Record r;
  const std::vector<uint16_t> px = GainField(r, 20000, Flat);
  const std::string image = Images() + "/KP000003.QEW";
  platform::CreateDirectories(Images());
  WriteImage(image, r, px);
  EXPECT_EQ(Make_CalibFile(image.c_str()), -4);  // no session open

  OpenSession();
  EXPECT_EQ(Make_CalibFile(nullptr), -1);
  EXPECT_EQ(Make_CalibFile((Images() + "/KP999999.QEW").c_str()), -1);  // no information file
  // The information file promises more pixels than the image holds.
  std::filesystem::resize_file(image, 4 + 2 * px.size() - 2);
  EXPECT_EQ(Make_CalibFile(image.c_str()), -1);
  // The folder of the output is gone: the file cannot be created.
  WriteImage(image, r, px);
  std::filesystem::create_directory(Images() + "/KP000003.kor");
  EXPECT_EQ(Make_CalibFile(image.c_str()), -1);
}

// A DiskImage whose header gives other sides than its record (the same
// pixel count) is refused before a pixel is read. Read_DiskImage, which
// fills the caller's width x height pixels in file order, still reads it
// (a record of an older image may give its sides swapped).
TEST_F(CalibFile, AHeaderThatDisagreesWithItsRecordIsRefusedBeforeAnythingIsRead) {
  OpenSession();
  const struct {
    const char* what;
    int width, height;  // in the image's header; the record says 2600 x 1100
  } cases[] = {{"sides swapped", 1100, 2600}, {"twice as wide", 5200, 550}, {"half as wide", 1300, 2200}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Record r;
    const std::vector<uint16_t> px = GainField(r, 20000, Flat);
    const std::string image = Images() + "/KP20000" + std::to_string(n++) + ".QEW";
    WriteImage(image, r, px);
    std::string disk = platform::ReadWholeFile(image).value_or("");
    ASSERT_GE(disk.size(), 4u);
    disk[0] = char(c.width & 0xFF), disk[1] = char(c.width >> 8);
    disk[2] = char(c.height & 0xFF), disk[3] = char(c.height >> 8);
    ASSERT_TRUE(platform::WriteFileAtomically(image, disk));

    EXPECT_EQ(Make_CalibFile(image.c_str()), -1);
    EXPECT_FALSE(platform::FileExists(image.substr(0, image.size() - 3) + "kor"));
    std::vector<uint16_t> pixels(px.size(), 7);
    EXPECT_EQ(Read_DiskImage(pixels.data(), image.c_str()), 0);
    EXPECT_EQ(pixels, px);
  }
}

}  // namespace

namespace {

// The whole calibration on the simulated scanner: a flat plate seen with a
// gain along the line becomes an image, its normalization file, and, named
// in the ini, a correction that makes the next scan of it flat.
TEST_F(CalibFile, ScannedFlatFieldCalibratesTheLine) {
  Record r;
  r.width = 2600;
  r.height = 1100;
  sim::PlateImage plate;
  plate.width = r.width;
  plate.height = r.height;
  plate.pixels = GainField(r, 20000, Gain);
  for (size_t i = 0; i < plate.pixels.size(); ++i)
    plate.pixels[i] = uint16_t(plate.pixels[i] + (i * 40503u >> 7) % 300);
  const int x0 = 100;
  scenario.plates = {sessiontest::PlateAt(0, 100, x0, plate)};
  OpenSession();
  ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  std::vector<std::string> names = PollPlatesThrough(120000);
  ASSERT_EQ(Deaktivate_Scanner(), 0);
  ASSERT_EQ(names.size(), 1u) << Log();
  ASSERT_EQ(Make_CalibFile(names[0].c_str()), 0) << Log();

  ImageInfo info{};
  ASSERT_EQ(Get_ImageInfo(&info, names[0].c_str()), 0);
  Record seen = r;
  seen.pitch_x = info.pitch_x;
  seen.pitch_y = info.pitch_y;
  seen.start = info.start_position;
  seen.year = info.year, seen.month = info.month, seen.day = info.day;
  seen.hour = info.hour, seen.minute = info.minute, seen.second = info.second;
  EXPECT_EQ(seen.start, x0);
  const std::string kor = names[0].substr(0, names[0].size() - 3) + "kor";
  EXPECT_EQ(Read(kor), OracleFile(seen, testsupport::ReadStoredImage(names[0]).pixels));
  ASSERT_EQ(Close_Scanner(), 0);

  // The next session corrects the same plate: its columns are level.
  names = ScanCalibrated(kIni100, kor);
  ASSERT_EQ(names.size(), 1u) << Log();
  const testsupport::StoredImage corrected = testsupport::ReadStoredImage(names[0]);
  auto column_mean = [&](int x) {
    double sum = 0;
    for (int y = 0; y < corrected.height; ++y) sum += corrected.pixels[size_t(y) * corrected.width + x];
    return sum / corrected.height;
  };
  const double middle = column_mean(1300);
  for (int x : {200, 800, 1800, 2400}) EXPECT_NEAR(column_mean(x) / middle, 1.0, 0.002) << x;
}

}  // namespace

namespace {

// A file made in a mode corrects each pixel of that mode with its own
// factor, whichever way the mode's pitch was rounded when it was stored:
// at 5000 rpm the 100 um mode's 99881.70 nm are stored as 99882 nm, at
// 4000 rpm 100933.09 nm as 100933 nm. A flat field with one column 20 %
// dark comes out flat.
TEST_F(CalibFile, FileMadeInAModeCorrectsEachPixelWithItsOwnFactorAtAnySpeed) {
  constexpr uint16_t kLevel = 20000;
  constexpr int kDarkColumn = 1000;
  sim::PlateImage plate = sim::FlatPlate(2600, 1100, kLevel);
  for (int y = 0; y < plate.height; ++y) plate.pixels[size_t(y) * plate.width + kDarkColumn] = kLevel * 4 / 5;
  // Each speed with its first pixel's scan-line position (Strt_Pix).
  for (auto [speed, start] : {std::pair{"Pentaspd=5000\n", 11667}, {"Pentaspd=4000\n", kStrtPix}}) {
    SCOPED_TRACE(speed);
    StartAfresh();
    std::string ini = kIni100;
    ini.insert(ini.find("Res=100\n"), speed);
    sim::Plate p = sessiontest::PlateAt(0, 100, 100, plate);
    p.position = start + 100;
    scenario.plates = {p};
    OpenSession(ini);
    ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
    std::vector<std::string> names = PollPlatesThrough(120000);
    ASSERT_EQ(names.size(), 1u) << Log();
    ASSERT_EQ(Make_CalibFile(names[0].c_str()), 0) << Log();
    ASSERT_EQ(Close_Scanner(), 0);

    names = ScanCalibrated(ini, names[0].substr(0, names[0].size() - 3) + "kor");
    ASSERT_EQ(names.size(), 1u) << Log();
    const testsupport::StoredImage corrected = testsupport::ReadStoredImage(names[0]);
    ASSERT_EQ(corrected.width, plate.width);
    ASSERT_EQ(corrected.height, plate.height);
    // P10 is kLevel + 1 bins: every column is brought to it.
    const std::vector<uint16_t> level(corrected.pixels.size(), kLevel + 1);
    EXPECT_TRUE(corrected.pixels == level) << corrected.pixels[kDarkColumn - 1] << " " << corrected.pixels[kDarkColumn]
                                           << " " << corrected.pixels[kDarkColumn + 1];
    ASSERT_EQ(Close_Scanner(), 0);
  }
}

}  // namespace
