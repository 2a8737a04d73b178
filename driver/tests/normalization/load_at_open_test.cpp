// The normalization table at Open_Scanner: the file named in the ini is
// loaded and applied to every image; a file that does not fit is refused
// with a warning and the images stay neutral.
#include <algorithm>
#include <cmath>

#include "driver/tests/normalization/normalization_fixture.h"

using namespace normtest;
using testsupport::ReadStoredImage;
using testsupport::StoredImage;

namespace {

class LoadAtOpen : public NormalizationTest {
 protected:
  // One session in mode 1 with `keys` added to [Scanner]; the first image.
  StoredImage ScanOnce(const std::string& keys, const sim::PlateImage& plate, int x0) {
    scenario.plates = {sessiontest::PlateAt(0, 100, x0, plate)};
    std::string ini = kIni100;
    ini.insert(ini.find("[Param_#1]"), keys);
    OpenSession(ini);
    EXPECT_EQ(Aktivate_Scanner(), 0) << Log();
    std::vector<std::string> names = PollPlatesThrough();
    EXPECT_EQ(Deaktivate_Scanner(), 0);
    EXPECT_EQ(names.size(), 1u) << Log();
    return names.empty() ? StoredImage{} : ReadStoredImage(names[0]);
  }
  std::string WriteKor(const std::string& name, const std::string& text) {
    const std::string path = Calib() + "/" + name;
    platform::CreateDirectories(Calib());
    EXPECT_TRUE(platform::WriteFileAtomically(path, text));
    return path;
  }
};

TEST_F(LoadAtOpen, FileNamedInTheIniIsAppliedToEveryImage) {
  // Factors every half pixel: factor index about twice the pixel index.
  const tarvel::NormalizationFile f = Factors(Covering(50000), 50000);
  const std::string path = WriteKor("a.kor", tarvel::FormatNormalizationFile(f));
  const sim::PlateImage plate = sim::GradientPlate(400, 300, 2000, 48000);
  const StoredImage got = ScanOnce("Kalibrierdaten=" + path + "\n", plate, 1000);
  EXPECT_NE(Log().find("Normalization File: " + path + "\nNormalization file succesfully loaded\n"), std::string::npos)
      << Log();
  ASSERT_EQ(got.width, plate.width);
  EXPECT_TRUE(got.pixels == Corrected(plate, 1000, &f));
  EXPECT_FALSE(got.pixels == plate.pixels);
}

TEST_F(LoadAtOpen, FactorsMultiplyThePixelScaleOf16BitScaling) {
  const tarvel::NormalizationFile f = Factors(Covering(100000), 100000);
  const std::string path = WriteKor("a.kor", tarvel::FormatNormalizationFile(f));
  const sim::PlateImage plate = sim::GradientPlate(400, 300, 2000, 48000);
  const StoredImage got = ScanOnce("Scale16Bit=1\nNormalization=" + path + "\n", plate, 1000);
  ASSERT_EQ(got.width, plate.width);
  const std::vector<uint16_t> want = Corrected(plate, 1000, &f, true);
  EXPECT_TRUE(got.pixels == want);
  EXPECT_NE(std::count(want.begin(), want.end(), 65535), 0);  // the brightest columns clip
}

TEST_F(LoadAtOpen, AnotherScannersFileLeavesTheNeutralTable) {
  tarvel::NormalizationFile f = Factors(Covering(100000), 100000);
  f.serial = "VX0000002";
  const std::string path = WriteKor("other.kor", tarvel::FormatNormalizationFile(f));
  const sim::PlateImage plate = sim::GradientPlate(400, 300, 2000, 48000);
  const StoredImage got = ScanOnce("Normalization=" + path + "\n", plate, 1000);
  EXPECT_NE(Log().find("WARNING: Normalization file does not belong to this device\n"), std::string::npos);
  EXPECT_TRUE(got.pixels == Corrected(plate, 1000, nullptr));
}

struct Outcome {
  const char* what;
  std::string text;
  std::string line;
};

TEST_F(LoadAtOpen, EachUnfitFileIsRefusedWithItsLineAndTheOpenGoesOn) {
  const int covering = Covering(100000);
  auto with = [&](void (*change)(tarvel::NormalizationFile&, int)) {
    tarvel::NormalizationFile f = Factors(covering, 100000);
    change(f, covering);
    return tarvel::FormatNormalizationFile(f);
  };
  const std::string good = with([](tarvel::NormalizationFile&, int) {});
  std::string short_list = good.substr(0, good.rfind('\n', good.size() - 2) + 1);
  const Outcome table[] = {
      {"as made", good, "Normalization file succesfully loaded\n"},
      {"CRLF line ends", Crlf(good), "Normalization file succesfully loaded\n"},
      {"one pitch short", with([](tarvel::NormalizationFile& f, int n) { f.value_count = n - 1; }),
       "WARNING: Scan settings have changed since the last normalization\n"},
      {"other ScanStart", with([](tarvel::NormalizationFile& f, int) { f.scan_start = kStrtPix + 1; }),
       "WARNING: Scan settings have changed since the last normalization\n"},
      {"ValueCount 0", with([](tarvel::NormalizationFile& f, int) { f.value_count = 0; }),
       "WARNING: Invalid ValueCount 0 in normalization file\n"},
      {"ValueCount negative", with([](tarvel::NormalizationFile& f, int) { f.value_count = -3189; }),
       "WARNING: Invalid ValueCount -3189 in normalization file\n"},
      {"ValuePitch 0", with([](tarvel::NormalizationFile& f, int) { f.value_pitch = 0; }),
       "WARNING: Invalid ValuePitch 0 in normalization file\n"},
      {"both negative", with([](tarvel::NormalizationFile& f, int) { f.value_count = f.value_pitch = -100000; }),
       "WARNING: Invalid ValueCount -100000 in normalization file\n"},
      {"one factor missing", short_list,
       ("WARNING: Only " + std::to_string(covering - 1) + " of " + std::to_string(covering) +
        " factors in normalization file\n")},
  };
  for (const Outcome& row : table) {
    SCOPED_TRACE(row.what);
    StartAfresh();
    const std::string path = WriteKor("t.kor", row.text);
    std::string ini = kIni100;
    ini.insert(ini.find("[Param_#1]"), "Kalibrierdaten=" + path + "\n");
    OpenSession(ini);
    EXPECT_NE(Log().find("Normalization File: " + path + "\n" + row.line), std::string::npos) << Log();
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

TEST_F(LoadAtOpen, NormalizationTakesPrecedenceAndEmptyKeysCountAsMissing) {
  struct Keys {
    const char* keys;
    const char* loaded;
  } table[] = {
      {"Normalization=N.kor\nKalibrierdaten=K.kor\n", "N.kor"},
      {"Normalization=\nKalibrierdaten=K.kor\n", "K.kor"},
      {"Normalization=N.kor\nKalibrierdaten=\n", "N.kor"},
      {"Normalization=\nKalibrierdaten=\n", nullptr},
  };
  for (const Keys& row : table) {
    SCOPED_TRACE(row.keys);
    StartAfresh();
    std::string ini = kIni100;
    std::string keys = row.keys;
    for (const char* name : {"N.kor", "K.kor"})
      if (size_t at = keys.find(name); at != std::string::npos) keys.replace(at, 5, Calib() + "/" + name);
    ini.insert(ini.find("[Param_#1]"), keys);
    OpenSession(ini);
    if (row.loaded)
      EXPECT_NE(
          Log().find("Normalization File: " + Calib() + "/" + row.loaded + "\nWARNING: Normalization file not found\n"),
          std::string::npos)
          << Log();
    else
      EXPECT_EQ(Log().find("Normalization File:"), std::string::npos) << Log();
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

}  // namespace
