#include "driver/config/scan_mode.h"

#include "driver/config/session_log.h"
#include "driver/tests/config/config_fixture.h"

#include <climits>
#include <cmath>
#include <map>

using namespace tarvel;

namespace {
// Answers PROM reads from a map of address -> word; counts the reads.
struct FakeProm {
  std::map<int, uint16_t> words;
  std::vector<int> asked;
  PmtWordReader reader() {
    return [this](uint8_t address, uint16_t& word) {
      asked.push_back(address);
      auto it = words.find(address);
      if (it == words.end()) return false;
      word = it->second;
      return true;
    };
  }
};
}  // namespace

using ScanModes = ConfigTest;

TEST_F(ScanModes, WorkedExampleOfTheDefaults) {
  WriteIni("[Param_#1]\nParamName=Intra 50\nPentaspd=4000\nRes=50\nBinning=0\n[Scanner]\nAbtastkreis=0.1004\n");
  const int scanner_type = 0;
  ScanMode m;
  ASSERT_EQ(Load_ScanMode(m, 1, scanner_type, nullptr), 0);
  EXPECT_TRUE(m.usable);
  EXPECT_EQ(m.mode, 1);
  EXPECT_EQ(m.ADC_Ovs, 12);
  EXPECT_EQ(m.MaxPixVal, 49140);
  EXPECT_EQ(m.SMOT, 349);
  EXPECT_EQ(m.Strt_Pix, 14583);
  EXPECT_EQ(m.Anz_Pix, 6319);
  EXPECT_EQ(m.Blk_Pix, 4965);
  EXPECT_EQ(m.outlet_steps, 31627);  // 97163 kept in 16 bits
  EXPECT_EQ(m.inlet_steps, 9458);
  EXPECT_NEAR(m.pitch_x * 1e6, 50.47, 0.005);
  EXPECT_NEAR(m.pitch_y * 1e6, 49.99, 0.005);
  EXPECT_EQ(m.RPM, 4000);
  EXPECT_EQ(m.PPR, 100);
  EXPECT_EQ(m.stepper_reversed, 1);  // default step is negative
  EXPECT_EQ(m.binning, 1);
  EXPECT_EQ(m.sample_factor, 1);
  EXPECT_EQ(m.PixScale, 1.0);
  EXPECT_EQ(m.min_image_pixels, 158566);
  EXPECT_EQ(m.slots, 15);
  EXPECT_EQ(std::vector<int>(m.slot_boundaries, m.slot_boundaries + 7),
            (std::vector<int>{0, 1562, 3125, 4687, 6250, 7812, 9374}));
  EXPECT_EQ(m.Laser, 8);
  EXPECT_EQ(m.deflash, 5000);
  EXPECT_EQ(m.laser_temp_max, 60);
  EXPECT_EQ(m.laser_temp_warn, 50);
  EXPECT_EQ(m.mwindow_x, 80);
  EXPECT_EQ(m.mwindow_y, 80);
  EXPECT_EQ(m.max_aspect_ratio, 3.0);
  EXPECT_EQ(m.plate_type, kPlateNormal);
  EXPECT_EQ(m.filter, 0);
}

TEST_F(ScanModes, MissingIniAndModeZeroTakeEveryDefault) {
  for (bool with_ini : {false, true}) {
    if (with_ini) WriteIni("[Param_#1]\nParamName=x\nPentaspd=2000\n");
    ScanMode m;
    ASSERT_EQ(Load_ScanMode(m, 0, kScannerTypeUndefined, nullptr), 0);
    EXPECT_EQ(m.RPM, 4000);
    EXPECT_EQ(m.ADC_Ovs, 12);
    EXPECT_EQ(m.Anz_Pix, 6319);  // type 18: 35 / 182
  }
}

// Which values come from the ini and which are fixed, for every type.
TEST_F(ScanModes, ValuesByScannerType) {
  struct Fixed {
    int ppr, outlet, pmt, strt, anz, slots;
  };
  const Fixed a{100, 31627, 1000, 14583, 6319, 15};  // 0.095, 35/182
  const Fixed b{100, 31627, 1000, 8750, 7361, 6};  // 0.095, 21/212
  const Fixed c{100, 35926, 1000, 8750, 7361, 6};  // 0.1
  const Fixed d{100, 40225, 1000, 14583, 6319, 15};  // 0.105
  const Fixed e{100, 40225, 1000, 8750, 7361, 15};
  const std::map<int, Fixed> fixed = {
      {0, a},
      {1, b},
      {2, c},
      {3, d},
      {4, e},
      {5, a},
      {6, a},
      {7, {100, 31627, 1000, 14583, 6319, 6}},
      {8, {100, 31627, 1000, 8750, 7361, 15}},
      {9, b},
      {10, {100, 35926, 1000, 8750, 7361, 15}},
      {11, c},
      {12, {1024, 40225, 871, 3229, 3182, 3}},
      {13, {200, 40225, 871, 3229, 3182, 3}},
      {14, d},
      {15, d},
      {16, d},
      {17, e},
      {18, a},
  };
  const std::string mode = "[Param_#1]\nParamName=x\nPMT_HV=1000\n";
  const std::string overrides =
      "[Scanner]\nPentaPPR=222\nAbst_B=0.2\nPMTScaleFactor=0.5\nSOLPos=40\nScanRange=5\nSlots=1\n";
  for (const auto& [type, want] : fixed) {
    for (bool with_overrides : {false, true}) {
      WriteIni(mode + (with_overrides ? overrides : ""));
      ScanMode m;
      ASSERT_EQ(Load_ScanMode(m, 1, type, nullptr), 0);
      const bool ini = with_overrides && type <= 4;
      SCOPED_TRACE("type " + std::to_string(type) + (with_overrides ? " with ini values" : ""));
      EXPECT_EQ(m.PPR, ini ? 222 : want.ppr);
      EXPECT_EQ(m.outlet_steps, ini ? 56374 : want.outlet);
      EXPECT_EQ(m.pmt_voltage, ini ? 500 : want.pmt);
      EXPECT_EQ(m.base_pmt, 1000);
      EXPECT_EQ(m.Strt_Pix, ini ? 16667 : want.strt);
      EXPECT_EQ(m.Anz_Pix, ini ? 347 : want.anz);  // ScanRange 5 clamped to 10
      EXPECT_EQ(m.slots, ini ? 1 : want.slots);
    }
  }
}

TEST_F(ScanModes, ScanRangeFromTheIniIsClampedAbove) {
  const int scanner_type = 1;
  WriteIni("[Param_#1]\nParamName=x\n[Scanner]\nScanRange=300\nSOLPos=35\n");
  ScanMode m;
  ASSERT_EQ(Load_ScanMode(m, 1, scanner_type, nullptr), 0);
  EXPECT_EQ(m.Anz_Pix, 9375);  // 270 degrees
  EXPECT_EQ(m.Blk_Pix, 1910);
}

TEST_F(ScanModes, PmtWordFromTheIdentificationProm) {
  WriteIni("[Param_#3]\nParamName=x\nPMT_HV=700\n[Scanner]\nLogfile=" + bin() + "/log/Tarvel\nAnzLogfile=0\n");
  struct Case {
    std::optional<uint16_t> word;
    uint16_t want;
  } cases[] = {{299, 700}, {300, 300}, {1250, 1250}, {1251, 700}, {std::nullopt, 700}};
  SessionLogSink log;
  ASSERT_TRUE(log.OpenDaily());
  for (const auto& c : cases) {
    FakeProm prom;
    if (c.word) prom.words[212] = *c.word;  // (3 + 50) * 4 mod 256
    ScanMode m;
    ASSERT_EQ(Load_ScanMode(m, 3, kScannerTypeUndefined, prom.reader(), &log), 0);
    EXPECT_EQ(m.pmt_voltage, c.want) << (c.word ? *c.word : -1);
    EXPECT_EQ(prom.asked, std::vector<int>{212});
  }
  // The address is ((mode + 50) x 4) mod 256 for every mode, also those whose
  // product leaves the int range.
  for (auto [mode, address] : {std::pair{20, 24}, {-2, 192}, {INT_MAX, 196}, {INT_MIN, 200}}) {
    FakeProm wrap;
    ScanMode m;
    Load_ScanMode(m, mode, kScannerTypeUndefined, wrap.reader(), &log);
    EXPECT_EQ(wrap.asked, std::vector<int>{address}) << mode;
  }
  log.Close();
  EXPECT_EQ(platform::ReadWholeFile(bin() + "/log/Tarvel.log").value_or(""),
            "Getting PMT HV out of the EEPROM instead of the Ini file: using 300V\n"
            "Getting PMT HV out of the EEPROM instead of the Ini file: using 1250V\n");
}

TEST_F(ScanModes, OversamplingBinningAndScale) {
  const int scanner_type = 0;
  struct Case {
    const char* keys;
    int s, binning, sample_factor, max_pix;
    double pix_scale;
  } cases[] = {
      {"Res=150\n", 18, 2, 2, 18 * 2047, 1.0},  // S 36 halved, binning forced
      {"Res=150\nBinning=0\n", 18, 2, 2, 18 * 2047, 1.0},
      {"Binning=5\n", 12, 2, 1, 49140, 1.0},
      {"Binning=1\n", 12, 2, 1, 49140, 1.0},
      {"Res=150\nBinning=-1\n", 18, 2, 2, 18 * 2047, 1.0},  // forced whatever Binning says
      {"Res_X=100\nRes_Y=25\n", 24, 1, 1, 24 * 2047, 1.0},
      {"Res=100\nRes_X=50\n", 24, 1, 1, 24 * 2047, 1.0},  // Res wins
      {"Res=134.6\n", 32, 1, 1, 32 * 2047, 1.0},  // S 32 is kept
      {"Res=138.8\n", 16, 2, 2, 16 * 4095, 1.0},  // S 33 halved
  };
  for (const auto& c : cases) {
    WriteIni(std::string("[Param_#1]\nParamName=x\n") + c.keys);
    ScanMode m;
    ASSERT_EQ(Load_ScanMode(m, 1, scanner_type, nullptr), 0) << c.keys;
    EXPECT_EQ(m.ADC_Ovs, c.s) << c.keys;
    EXPECT_EQ(m.binning, c.binning) << c.keys;
    EXPECT_EQ(m.sample_factor, c.sample_factor) << c.keys;
    EXPECT_EQ(m.MaxPixVal, c.max_pix) << c.keys;
  }
  WriteIni("[Param_#1]\nParamName=x\nRes_Y=25\n");
  ScanMode y;
  Load_ScanMode(y, 1, scanner_type, nullptr);
  EXPECT_EQ(y.SMOT, 698);
  WriteIni("[Param_#1]\nParamName=x\n[Scanner]\nScale16Bit=1\nSMotStep=1.163e-6\n");
  ScanMode s16;
  Load_ScanMode(s16, 1, scanner_type, nullptr);
  EXPECT_EQ(s16.MaxPixVal, 65535);
  EXPECT_DOUBLE_EQ(s16.PixScale, 65535.0 / 49140);
  EXPECT_EQ(s16.stepper_reversed, 0);
}

TEST_F(ScanModes, ModeKeysPlateTypeAndFilter) {
  WriteIni(
      "[Param_#1]\nParamName=x\nImgTypes=ceph\nFilter=-2\nSchwellwert=0x30\nLaser=9\nRotation=-90\nScale=1.5\n"
      "Mirror=3\nDeFlash=0\n"
      "[Param_#2]\nParamName=y\nImgTypes=ERASE\nThreshold=7\nSchwellwert=9\nFilter=3\n"
      "[Filter_#2]\nName=Soft\nLowGain=2.5\nHighSigma=4\n"
      "[Scanner]\nMWindow_X=60\nMaxImageRatio=4\nMinBild=100\nCheckLightlevel=2\nLaserTempWarn=45\n");
  ScanMode m;
  ASSERT_EQ(Load_ScanMode(m, 1, kScannerTypeUndefined, nullptr), 0);
  EXPECT_EQ(m.plate_type, kPlateCephalometric);
  EXPECT_EQ(m.filter, -2);
  EXPECT_EQ(m.filter_name, "Soft");
  EXPECT_EQ(m.filter_params.low_gain, 2.5);
  EXPECT_EQ(m.filter_params.high_sigma, 4.0);
  EXPECT_EQ(m.filter_params.low_block, 0.6);
  EXPECT_EQ(m.ADC_SW, 0x30);
  EXPECT_EQ(m.Laser, 9);
  EXPECT_EQ(m.rotation, -90);
  EXPECT_EQ(m.scale, 1.5f);
  EXPECT_EQ(m.mirror, 1);
  EXPECT_EQ(m.deflash, 0);
  EXPECT_EQ(m.mwindow_x, 60);
  EXPECT_EQ(m.mwindow_y, 80);
  EXPECT_EQ(m.max_aspect_ratio, 4.0);
  EXPECT_EQ(m.min_image_pixels, 158566 / 4);
  EXPECT_EQ(m.check_light_level, 1);
  EXPECT_EQ(m.laser_temp_warn, 45);
  ScanMode e;
  ASSERT_EQ(Load_ScanMode(e, 2, kScannerTypeUndefined, nullptr), 0);
  EXPECT_EQ(e.plate_type, kPlateErase);
  EXPECT_EQ(e.ADC_SW, 7);
  EXPECT_EQ(e.filter_name, "");  // section Filter_#3 missing: defaults
  EXPECT_EQ(e.filter_params.high_gain, 1.0);
  EXPECT_STREQ(PlateTypeName(kPlateErase), "Erase");
  EXPECT_STREQ(PlateTypeName(9), "Undefined");
  EXPECT_EQ(PlateTypeFromImgTypes("intra"), kPlateIntraoral);
  EXPECT_EQ(PlateTypeFromImgTypes("Intraoral"), kPlateNormal);
  EXPECT_EQ(PlateTypeFromImgTypes(""), kPlateNormal);
}

// Zero divisors and values out of range make the mode unusable instead of
// dividing by zero or converting infinity.
TEST_F(ScanModes, UnusableInputsAreReported) {
  const int scanner_type = 0;
  struct Case {
    const char* mode_keys;
    const char* scanner_keys;
    const char* reason;
  } cases[] = {
      {"Pentaspd=0\n", "", "Pentaspd"},
      {"Pentaspd=65536\n", "", "Pentaspd"},  // 16 bits of it are 0
      {"Res=0\n", "", "Res_X"},
      {"Res_X=0\n", "", "Res_X"},
      {"Res_Y=0\n", "", "Res_Y"},
      {"", "Abtastkreis=0\n", "Abtastkreis"},
      {"", "SMotStep=0\n", "SMotStep"},
      {"Res=0.01\n", "", "samples per pixel"},
      {"Res_Y=1e12\n", "", "stepper factor"},
      {"Res=1e9\n", "", "samples per pixel"},
      {"", "SOLPos=150\nScanRange=250\n", "Blk_Pix"},
      {"", "SOLPos=300\n", "Strt_Pix"},
      {"", "Abst_B=1e6\n", "outlet steps"},
      {"", "SMotStep=1e-300\n", "stepper factor"},
      {"", "Abtastkreis=nan\n", "Abtastkreis"},
      {"Binning=-1\n", "", "stepper factor"},  // binning 0
      {"Binning=-3\n", "", "stepper factor"},  // binning -2
      {"PMT_HV=700\n", "PMTScaleFactor=-1\n", "PMT voltage"},
      {"PMT_HV=60000\n", "PMTScaleFactor=2\n", "PMT voltage"},
  };
  for (const auto& c : cases) {
    WriteIni(std::string("[Param_#1]\nParamName=x\n") + c.mode_keys + "[Scanner]\n" + c.scanner_keys);
    ScanMode m;
    EXPECT_EQ(Load_ScanMode(m, 1, scanner_type, nullptr), -102) << c.mode_keys << c.scanner_keys;
    EXPECT_FALSE(m.usable);
    EXPECT_EQ(m.unusable_reason, c.reason) << c.mode_keys << c.scanner_keys;
  }
}

// A voltage from the identification PROM replaces the configured one, which
// then need not fit.
TEST_F(ScanModes, PromVoltageStandsInForAnUnusableConfiguredOne) {
  const int scanner_type = 0;
  WriteIni("[Param_#1]\nParamName=x\nPMT_HV=700\n[Scanner]\nPMTScaleFactor=-1\n");
  FakeProm prom;
  prom.words[204] = 500;  // (1 + 50) * 4
  ScanMode m;
  EXPECT_EQ(Load_ScanMode(m, 1, scanner_type, prom.reader()), 0);
  EXPECT_TRUE(m.usable);
  EXPECT_EQ(m.pmt_voltage, 500);
}

namespace {
class LogText : public LogSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};
}  // namespace

// A value no plate could pass (a threshold above every sample, a largest
// side ratio below 1 or no number) is taken as missing, with a warning that
// names the key; values at the edge of what the key can mean are kept.
TEST_F(ScanModes, ValuesThatWouldLetNoPlateThroughAreTakenAsMissing) {
  struct Case {
    const char* mode_keys;
    const char* scanner_keys;
    int threshold;
    double ratio;
    const char* warned;  // the key named in the warning, null: none
  } cases[] = {
      {"Threshold=-1\n", "", 0, 3.0, "Threshold"},
      {"Threshold=0x7fffffff\n", "", 0, 3.0, "Threshold"},
      {"Threshold=49140\n", "", 0, 3.0, "Threshold"},  // S 12: no sample above it
      {"Threshold=49139\n", "", 49139, 3.0, nullptr},
      {"Threshold=-1\nSchwellwert=40\n", "", 40, 3.0, "Threshold"},
      {"Threshold=0\n", "", 0, 3.0, nullptr},
      {"", "MaxAspectRatio=0\n", 0, 3.0, "MaxAspectRatio"},
      {"", "MaxAspectRatio=-1\n", 0, 3.0, "MaxAspectRatio"},
      {"", "MaxAspectRatio=abc\n", 0, 3.0, "MaxAspectRatio"},
      {"", "MaxAspectRatio=0.5\nMaxImageRatio=4\n", 0, 4.0, "MaxAspectRatio"},
      {"", "MaxImageRatio=0\n", 0, 3.0, "MaxImageRatio"},
      {"", "MaxAspectRatio=1\n", 0, 1.0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mode_keys) + c.scanner_keys);
    WriteIni(std::string("[Param_#1]\nParamName=x\n") + c.mode_keys + "[Scanner]\n" + c.scanner_keys);
    ScanMode m;
    LogText log;
    ASSERT_EQ(Load_ScanMode(m, 1, 0, nullptr, &log), 0);
    EXPECT_EQ(m.ADC_SW, c.threshold);
    EXPECT_EQ(m.max_aspect_ratio, c.ratio);
    if (c.warned) {
      EXPECT_EQ(log.Text().rfind("WARNING: ", 0), 0u) << log.Text();
      EXPECT_NE(log.Text().find(std::string(" of ") + c.warned + " in ["), std::string::npos) << log.Text();
    } else {
      EXPECT_EQ(log.Text(), "");
    }
  }
}
