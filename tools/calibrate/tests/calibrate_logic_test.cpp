// calibrate's own logic on ini files made here: the version check, which
// modes can calibrate, the ini values removed and restored, the file name.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <optional>

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

// The lines come back where they stood, as they were written, also those of
// keys given twice and of values the scan ignores (Filter=0); a new
// calibration file takes the place of the old one's value.
TEST_F(CalibrateLogic, RemovedLinesComeBackInPlace) {
  struct Case {
    const char* name;
    std::string ini;
    const char* calibration;  // chosen during the run
    std::string after;  // empty: as before
  } cases[] = {
      {"spelling and order",
       "; site ini\n[Scanner]\nImagePath=/img\n kalibrierdaten = C:\\cal\\old.kor\nLogfile=/log\nNORMALIZATION=\"/n/own.kor\"\n"
       "Scale16Bit=0x2\n\n[Param_#3]\nRes=100\nfilter = -2 \nThreshold=5\n[Param_#4]\nFilter=1\n",
       nullptr, ""},
      {"twice, and the line ends of the file",
       "[Scanner]\r\nScale16Bit=1\r\nKalibrierdaten=\r\nScale16Bit=0\r\n[Param_#3]\r\nFilter=0\r\nRes=100\r\nFilter=3",
       nullptr, ""},
      {"a new calibration file", "[Scanner]\nKalibrierdaten = /old.kor\nCalibrationPath=/cal\n[Param_#3]\nRes=100\n",
       "/cal/VX1 2026-01-02 03-04-05.kor",
       "[Scanner]\nKalibrierdaten = /cal/VX1 2026-01-02 03-04-05.kor\nCalibrationPath=/cal\n[Param_#3]\nRes=100\n"},
      {"a new one where there was none", "[Scanner]\nImagePath=/img\n[Param_#3]\nRes=100\n", "/cal/new.kor",
       "[Scanner]\nImagePath=/img\nKalibrierdaten=/cal/new.kor\n[Param_#3]\nRes=100\n"},
      {"no section Scanner", "[Param_#3]\nRes=100\nFilter=2\n", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni(c.ini);
    calibrate::IniSettings settings;
    ASSERT_TRUE(settings.SaveAndClear(Ini(), "Param_#3"));
    EXPECT_TRUE(settings.Cleared());
    for (const char* key : {"Kalibrierdaten", "Scale16Bit"}) EXPECT_FALSE(Key("Scanner", key)) << key;
    EXPECT_FALSE(Key("Param_#3", "Filter"));
    EXPECT_EQ(Key("Scanner", "Normalization"), Ini() + ".no-normalization");
    EXPECT_EQ(Key("Scanner", "ImagePath"), c.ini.find("ImagePath") != std::string::npos
                                               ? std::optional<std::string>("/img")
                                               : std::nullopt);
    EXPECT_TRUE(platform::FileExists(Ini() + ".calibrate-backup"));
    if (c.calibration) settings.SetCalibrationFile(c.calibration);
    EXPECT_TRUE(settings.Restore());
    EXPECT_EQ(platform::ReadWholeFile(Ini()), c.after.empty() ? c.ini : c.after);
    EXPECT_FALSE(platform::FileExists(Ini() + ".calibrate-backup"));
  }

  // Once only: a second restore after the user's edit changes nothing.
  WriteIni("[Scanner]\nScale16Bit=1\n[Param_#3]\nFilter=-2\n");
  calibrate::IniSettings settings;
  ASSERT_TRUE(settings.SaveAndClear(Ini(), "Param_#3"));
  EXPECT_TRUE(settings.Restore());
  platform::WriteProfileString(Ini(), "Param_#3", "Filter", "7");
  EXPECT_TRUE(settings.Restore());
  EXPECT_EQ(Key("Param_#3", "Filter"), "7");
}

// A run that never restored (killed): the next start puts the lines back
// from the backup, also when the ini was partly restored already, and a
// backup that is not one is refused and kept.
TEST_F(CalibrateLogic, InterruptedCalibrationIsRestoredFromItsBackup) {
  const std::string ini = "[Scanner]\nKalibrierdaten=/old.kor\nNormalization=/n.kor\nA=1\n[Param_#2]\nFilter=4\n";
  WriteIni(ini);
  EXPECT_EQ(calibrate::IniSettings::RestoreInterrupted(Ini()), calibrate::IniSettings::Interrupted::kNone);
  {
    calibrate::IniSettings killed;
    ASSERT_TRUE(killed.SaveAndClear(Ini(), "Param_#2"));
  }
  EXPECT_FALSE(Key("Scanner", "Kalibrierdaten"));
  EXPECT_EQ(calibrate::IniSettings::RestoreInterrupted(Ini()), calibrate::IniSettings::Interrupted::kRestored);
  EXPECT_EQ(platform::ReadWholeFile(Ini()), ini);
  EXPECT_FALSE(platform::FileExists(Ini() + ".calibrate-backup"));

  {
    calibrate::IniSettings killed;
    ASSERT_TRUE(killed.SaveAndClear(Ini(), "Param_#2"));
  }
  platform::WriteProfileString(Ini(), "Param_#2", "Filter", "4");  // the user put one back
  EXPECT_EQ(calibrate::IniSettings::RestoreInterrupted(Ini()), calibrate::IniSettings::Interrupted::kRestored);
  EXPECT_EQ(platform::ReadWholeFile(Ini()), ini);

  std::ofstream(Ini() + ".calibrate-backup") << "not a backup\n";
  EXPECT_EQ(calibrate::IniSettings::RestoreInterrupted(Ini()), calibrate::IniSettings::Interrupted::kFailed);
  EXPECT_TRUE(platform::FileExists(Ini() + ".calibrate-backup"));
  EXPECT_EQ(platform::ReadWholeFile(Ini()), ini);
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
