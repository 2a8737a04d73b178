// calibrate's own logic on ini files made here: the version check, which
// modes can calibrate, the ini values removed and restored, the file name.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "driver/tarvel_api.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "testing/temp_folder.h"
#include "tools/calibrate/calibrate.h"
#include "tools/calibrate/calibration_file.h"
#include "tools/calibrate/ini_settings.h"
#include "tools/console/tests/scripted_terminal.h"

using consoletest::ScriptedTerminal;

namespace {

class CalibrateLogic : public ::testing::Test {
 protected:
  std::string WriteIni(const std::string& text) {
    std::ofstream(Ini(), std::ios::binary | std::ios::trunc) << text;
    return Ini();
  }
  std::string Ini() const { return tmp_ / "Tarvel.ini"; }
  std::optional<std::string> Key(const char* section, const char* key) const {
    return platform::ReadProfileString(Ini(), section, key);
  }
  testsupport::TempFolder tmp_{"vornix-calibrate"};
};

TEST_F(CalibrateLogic, DriverVersionMustBeOnePointTwoOrLater) {
  struct Case {
    const char* text;
    bool ok;
    const char* error;
  } cases[] = {
      {"1.004.048 Mar 10 2007 14:59:21", true, ""},
      {"1.002", true, ""},
      {"1.001.999", false, "\nERROR: Tarvel DLL with minor version 2 or later is required!\n"},
      {"2.004", false, "\nERROR: Tarvel DLL with major version 1 is required!\n"},
      {"version", false, "\nERROR: Tarvel DLL with major version 1 is required!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptedTerminal t;
    EXPECT_EQ(calibrate::CheckDriverVersion(t, c.text), c.ok);
    EXPECT_EQ(t.output, std::string("   DLL version: ") + c.text + "\n" + c.error);
  }
}

TEST_F(CalibrateLogic, ModesNearOneHundredMicrometresCanCalibrate) {
  WriteIni(
      "[Param_#1]\nRes=94.99\n[Param_#2]\nRes=95\n[Param_#3]\nRes=105\n[Param_#4]\nRes=105.01\n"
      "[Param_#5]\nRes=\nRes_X=100\n[Param_#6]\nRes=abc\n[Param_#7]\nParamName=none\n[Param_#8]\nRes_X=99.5um\n"
      "[Param_#9]\nRes=50\nRes_X=100\n");
  const bool usable[] = {false, true, true, false, true, false, false, true, false};
  for (int mode = 1; mode <= 9; ++mode) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(calibrate::ModeIsUsable(Ini(), mode), usable[mode - 1]);
  }
}

TEST_F(CalibrateLogic, RemovedValuesComeBackAndAbsentKeysStayAbsent) {
  WriteIni(
      "[Scanner]\nKalibrierdaten=C:\\cal\\old.kor\nNormalization=/n/own.kor\nScale16Bit=2\nImagePath=/img\n"
      "[Param_#3]\nRes=100\nFilter=-2\n");
  calibrate::IniSettings settings;
  settings.SaveAndClear(Ini(), "Param_#3");
  for (const char* key : {"Kalibrierdaten", "Normalization", "Scale16Bit"}) EXPECT_FALSE(Key("Scanner", key)) << key;
  EXPECT_FALSE(Key("Param_#3", "Filter"));
  EXPECT_EQ(Key("Scanner", "ImagePath"), "/img");
  EXPECT_TRUE(settings.NormalizationSet());
  settings.Restore();
  EXPECT_EQ(Key("Scanner", "Kalibrierdaten"), "C:\\cal\\old.kor");
  EXPECT_EQ(Key("Scanner", "Normalization"), "/n/own.kor");
  EXPECT_EQ(Key("Scanner", "Scale16Bit"), "1");
  EXPECT_EQ(Key("Param_#3", "Filter"), "-2");
  // Once only: a second restore after the user's edit changes nothing.
  platform::WriteProfileString(Ini(), "Param_#3", "Filter", "7");
  settings.Restore();
  EXPECT_EQ(Key("Param_#3", "Filter"), "7");

  // Absent keys (and a zero Filter, an empty Kalibrierdaten) stay absent;
  // a new calibration file is written in.
  const std::string bare = "[Scanner]\r\nKalibrierdaten=\r\nScale16Bit=0\r\n[Param_#1]\r\nRes=100\r\nFilter=0\r\n";
  WriteIni(bare);
  calibrate::IniSettings second;
  second.SaveAndClear(Ini(), "Param_#1");
  EXPECT_FALSE(second.NormalizationSet());
  second.Restore();
  EXPECT_EQ(platform::ReadWholeFile(Ini()), "[Scanner]\r\n[Param_#1]\r\nRes=100\r\n");
  WriteIni(bare);
  calibrate::IniSettings third;
  third.SaveAndClear(Ini(), "Param_#1");
  third.SetCalibrationFile("/cal/VX1 2026-01-02 03-04-05.kor");
  third.Restore();
  EXPECT_EQ(Key("Scanner", "Kalibrierdaten"), "/cal/VX1 2026-01-02 03-04-05.kor");
  EXPECT_FALSE(Key("Scanner", "Scale16Bit"));
  EXPECT_FALSE(Key("Param_#1", "Filter"));
}

TEST_F(CalibrateLogic, CalibrationFileNameInTheCalibrationFolder) {
  ImageInfo info{};
  std::memcpy(info.serial_number, "VX0000011", 9);
  info.year = 2026;
  info.month = 2;
  info.day = 3;
  info.hour = 4;
  info.minute = 5;
  info.second = 6;
  const std::string stamp = "/VX0000011 2026-02-03 04-05-06.kor";
  struct Case {
    std::string scanner_section;
    std::string folder;
  } cases[] = {
      {"CalibrationPath=/data/cal/\n", "/data/cal"},
      {"CalibrationPath=/data/cal\\\n", "/data/cal"},
      {"CalibrationPath=/data/cal\n", "/data/cal"},
      {"CalibrationPath=/data/cal//\n", "/data/cal"},  // one separator trimmed; the path folds the other
      {"CalibrationPath=\n", tmp_.path()},
      {"", tmp_.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scanner_section);
    WriteIni("[Scanner]\n" + c.scanner_section);
    EXPECT_EQ(calibrate::CalibrationFileName(calibrate::CalibrationFolder(Ini()), info), c.folder + stamp);
  }
  EXPECT_EQ(calibrate::CalibrationFolder("Tarvel.ini"), ".");
  EXPECT_EQ(calibrate::WrittenCalibrationFile("/a.b/KP000001.QEW"), "/a.b/KP000001.kor");
  EXPECT_EQ(calibrate::WrittenCalibrationFile("/a.b/KP000001"), "/a.b/KP000001.kor");
}

}  // namespace
