// calibrate run under a pseudo-terminal with the simulated scanner supplying
// the flat field: the whole flow answered Y and N with the ini before, during
// and after, each outcome of the normalization file, a file that cannot be
// moved, an open failure, Esc at the mode prompt and an interrupted run.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/clock.h"
#include "platform/profile.h"
#include "tools/calibrate/tests/calibrate_run.h"
#include "tools/console/tests/console_fixture.h"

using namespace calibratetest;
using namespace consoletest;

namespace {

// Of the two modes of the parallel-port scanner only mode 2 (100 um) can
// calibrate; its scan line holds 3160 pixels, so a flat field of 2600 x 1000
// covers more than 80 % of it and more than 100 mm. At the default line
// period a plate takes about a second to pass, so the status polling sees
// the transport run even on a busy machine.
constexpr const char* kModes =
    "[Param_#1]\nParamName=Intra 50\nRes=50\n"
    "[Param_#2]\nParamName=Calib 100\nRes=100\nDeFlash=0\n";

std::string Plate(const std::string& generator, int width = 2600, int height = 1000, int position = 14583) {
  return "[Scanner]\nInterface=EPP\nSerial=VX0000011\nFpgaConfigured=1\n"
         "[Plate1]\nSlot=0\nAt=50\nPosition=" +
         std::to_string(position) + "\nWidth=" + std::to_string(width) + "\nHeight=" + std::to_string(height) + "\n" +
         generator;
}
const std::string kFlat = "Generator=flat\nValue=20000\n";


class CalibrateRun : public ConsoleTest {
 protected:
  std::string Cal() const { return tmp_ / "cal"; }
  std::optional<std::string> Key(const char* section, const char* key) const {
    return platform::ReadProfileString(Ini(), section, key);
  }
  std::string Image() const { return Images() + "/KP000001.QEW"; }
  // Where the image's normalization file is filed in `folder`.
  std::string Filed(const std::string& folder) const {
    ImageInfo info{};
    EXPECT_EQ(Get_ImageInfo(&info, Image().c_str()), 0);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d-%02d", info.year, info.month, info.day, info.hour,
                  info.minute, info.second);
    return folder + "/VX0000011 " + stamp + ".kor";
  }

  // Mode 2 chosen, the plate scanned, a key once the image waits; then
  // `answer` when the file is offered, and "x" to end. The output.
  std::string RunThrough(const char* answer = nullptr) {
    auto run = Start({Calibrate()});
    EXPECT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send(
        "1\x7f"
        "2\r");  // the terminal's Delete key is Backspace
    EXPECT_TRUE(run->Expect("\nPress any key when done...\n")) << run->Output();
    // The scan runs without the values the session would apply, and with
    // their backup beside the ini.
    for (const char* key : {"Kalibrierdaten", "Scale16Bit"}) EXPECT_FALSE(Key("Scanner", key)) << key;
    EXPECT_EQ(Key("Scanner", "Normalization"), Ini() + ".no-normalization");
    EXPECT_FALSE(Key("Param_#2", "Filter"));
    EXPECT_TRUE(platform::FileExists(Ini() + ".calibrate-backup"));
    FinishRun(*run, "k", answer);
    EXPECT_FALSE(platform::FileExists(Ini() + ".calibrate-backup"));
    return run->Output();
  }
};

TEST_F(CalibrateRun, AnsweredYesTheNewFileBecomesTheCalibration) {
  WriteIni("[Scanner]\nkalibrierdaten = /old/cal.kor\nNormalization=/n/own.kor\n; 16 bits\nSCALE16BIT=2\nCalibrationPath=" +
           Cal() + "/\n" + kModes + "Filter=-2\nThreshold=0\n");
  WriteScenario(Plate(kFlat));
  platform::CreateDirectories(Cal());
  std::string before = *platform::ReadWholeFile(Ini());
  const std::string out = RunThrough("y");

  const std::string filed = Filed(Cal());
  const std::string start =
      "Calibrate: Vornix Calibration Program, p/n 10210 Revision B\n"
      "   DLL version: 1.004.048 Mar 10 2007 14:59:21\n"
      "   Ini file: '" +
      Ini() +
      "'\n\n"
      "Of the 2 scan modes, the following can be used:\n"
      "     2: Calib 100\n"
      "Select mode: 1\b \b2\n\n"
      "Vornix Serial Number: VX0000011\n";
  EXPECT_EQ(out.substr(0, start.size()), start);
  const std::string images = out.substr(out.find("\n\nChecking for images...\n\n"));
  const std::string want = "\n\nChecking for images...\n\nFilename: " + Image() +
                           "\n"
                           "    Size:             2600 x 1000\n";
  EXPECT_EQ(images.substr(0, want.size()), want);
  const std::string offered = "    Average value:    20000\n    Created calibration file '" +
                              filed.substr(Cal().size() + 1) +
                              "'\n\nSet this as the new calibration file? \n"
                              "    NOTE: 'Normalization' in the ini file still takes precedence over this calibration "
                              "file.\n\nDone.\n";
  EXPECT_NE(images.find(offered), std::string::npos) << images;

  // Every line back where it stood; the calibration line names the new file.
  before.replace(before.find("/old/cal.kor"), 12, filed);
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
  const auto file = platform::ReadWholeFile(filed);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->substr(0, 10), "VX0000011\n");
  EXPECT_FALSE(platform::FileExists(Images() + "/KP000001.kor"));
  // The scan was raw: the normalization file named during it does not exist.
  EXPECT_NE(Log().find("Normalization File: " + Ini() + ".no-normalization\nWARNING: Normalization file not found\n"),
            std::string::npos)
      << Log();
  EXPECT_EQ(Log().find("Normalization file succesfully loaded"), std::string::npos) << Log();
}

TEST_F(CalibrateRun, AnsweredNoTheFileStaysFiledAndAbsentKeysStayAbsent) {
  WriteIni("[Scanner]\nCalibrationPath=" + Cal() + "\\\n" + kModes);
  WriteScenario(Plate(kFlat));
  platform::CreateDirectories(Cal());
  const auto before = platform::ReadWholeFile(Ini());
  const std::string out = RunThrough("n");
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
  EXPECT_NE(out.find("Set this as the new calibration file? \n\nDone.\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("NOTE"), std::string::npos);
  EXPECT_TRUE(platform::FileExists(Filed(Cal())));
  for (const char* key : {"Kalibrierdaten", "Normalization", "Scale16Bit"}) EXPECT_FALSE(Key("Scanner", key)) << key;
  EXPECT_FALSE(Key("Param_#2", "Filter"));
}

TEST_F(CalibrateRun, EachOutcomeOfTheNormalizationFile) {
  struct Case {
    std::string plate;
    std::string mode_keys;
    const char* line;
  } cases[] = {
      {Plate("Generator=noise\nLow=10000\nHigh=30000\nSeed=3\n"), "", "    Image too noisy\n"},
      {Plate("Generator=flat\nValue=3000\n"), "", "    Exposure is out of range\n"},
      {Plate("Generator=flat\nValue=45000\n"), "", "    Exposure is out of range\n"},
      {Plate(kFlat, 1500), "", "    Too small to create a calibration file\n"},
      {Plate(kFlat, 2600, 900), "", "    Too small to create a calibration file\n"},
      // 20000 turns a minute: 5 samples a pixel, a pixel pitch of 105.1 um,
      // the scan line from position 2917 on.
      {Plate(kFlat, 600, 300, 3000), "Pentaspd=20000\n", "    Can not create a calibration file (-1017)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::filesystem::remove_all(Images());
    WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nCalibrationPath=" + Cal() + "\n" + kModes + c.mode_keys);
    WriteScenario(c.plate);
    const auto before = platform::ReadWholeFile(Ini());
    const std::string out = RunThrough();
    EXPECT_NE(out.find(std::string(c.line) + "\nDone.\n"), std::string::npos) << out.substr(out.find("Checking"));
    EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
  }
}

// The file cannot be moved: the error is printed, nothing is offered, the
// file stays beside the image and the calibration stays as it was.
TEST_F(CalibrateRun, FileThatCannotBeMovedIsNotOffered) {
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "target exists" : "no folder");
    std::filesystem::remove_all(Images());
    std::filesystem::remove_all(Cal());
    const std::string folder = existing ? Cal() : tmp_ / "missing";
    if (existing) {
      // Every name the scan can take in the next minute.
      platform::CreateDirectories(Cal());
      const std::time_t now = std::time(nullptr);
      for (int s = -2; s < 60; ++s) {
        const std::tm tm = platform::LocalTime(now + s);
        char name[64];
        std::strftime(name, sizeof name, "/VX0000011 %Y-%m-%d %H-%M-%S.kor", &tm);
        std::ofstream(Cal() + name) << "earlier";
      }
    }
    WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nCalibrationPath=" + folder + "\n" + kModes);
    WriteScenario(Plate(kFlat));
    const std::string out = RunThrough();
    const std::string error = "    ERROR: Unable to move the calibration file '" + Images() + "/KP000001.kor' to '" +
                              Filed(folder) + "'\n\nDone.\n";
    EXPECT_NE(out.find(error), std::string::npos) << out.substr(out.find("Checking"));
    EXPECT_EQ(out.find("Set this as"), std::string::npos);
    EXPECT_TRUE(platform::FileExists(Images() + "/KP000001.kor"));
    if (existing) {
      EXPECT_EQ(platform::ReadWholeFile(Filed(folder)), "earlier");
    }
    EXPECT_EQ(Key("Scanner", "Kalibrierdaten"), "/old/cal.kor");
  }
}

TEST_F(CalibrateRun, OpenFailureRestoresTheIniAndEndsWithMinusOne) {
  WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nScale16Bit=1\n" + std::string(kModes) + "Filter=3\n");
  auto run = Start({Calibrate()}, false);
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("2\r");
  ASSERT_TRUE(run->Expect("\n[Press any key to end]")) << run->Output();
  const std::string out = run->Output();
  const size_t at = out.find("Select mode: 2\n\nERROR: Open_Scanner(2) failed with error code ");
  ASSERT_NE(at, std::string::npos) << out;
  const int code = std::atoi(out.c_str() + out.find("code ", at) + 5);
  const std::string hint = code == -3 || code == -1001 ? "   Is the scanner connected and turned on?\n" : "";
  EXPECT_NE(out.find(std::to_string(code) + "\n" + hint + "\n[Press any key to end]"), std::string::npos) << out;
  run->Send("q");
  EXPECT_EQ(run->Wait(), 255);
  EXPECT_EQ(Key("Scanner", "Kalibrierdaten"), "/old/cal.kor");
  EXPECT_EQ(Key("Scanner", "Scale16Bit"), "1");
  EXPECT_EQ(Key("Param_#2", "Filter"), "3");
}

TEST_F(CalibrateRun, MissingIniFileEndsWithMinusOne) {
  ASSERT_EQ(Set_IniFileName(Ini().c_str()), 1);  // not written
  auto run = Start({Calibrate()});
  ASSERT_TRUE(run->Expect("\n[Press any key to end]")) << run->Output();
  EXPECT_NE(run->Output().find("\nERROR: Unable to locate ini file: '"), std::string::npos) << run->Output();
  run->Send(" ");
  EXPECT_EQ(run->Wait(), 255);
}

TEST_F(CalibrateRun, EscAtTheModePromptChangesNothing) {
  WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nScale16Bit=1\n" + std::string(kModes) + "Filter=3\n");
  WriteScenario(Plate(kFlat));
  const auto before = platform::ReadWholeFile(Ini());
  auto run = Start({Calibrate()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r\x1b");  // mode 1 cannot calibrate: Enter is not taken
  EXPECT_EQ(run->Wait(), 0);
  // Nothing more than the end of the prompt's line.
  EXPECT_TRUE(run->Output().ends_with("Select mode: 1\n")) << run->Output();
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
}

// Ctrl-C and Ctrl-\ at the terminal (under a shell that shows the terminal
// settings before and after), SIGTERM and SIGHUP while the scan waits: the
// ini file comes back as it was, line for line.
TEST_F(CalibrateRun, InterruptedRunPutsTheIniValuesAndTheTerminalBack) {
  WriteScenario(Plate(kFlat));
  for (int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nNormalization=/n/own.kor\nScale16Bit=4\n" + std::string(kModes) +
             "Filter=-5\n");
    const auto before = platform::ReadWholeFile(Ini());
    const bool shell = sig == SIGINT || sig == SIGQUIT;
    auto run = shell ? Start({"/bin/sh", "-c",
                              "stty -g; trap : INT QUIT; '" + Calibrate() + "'; echo \"exit $?\"; stty -g; echo end"})
                     : Start({Calibrate()});
    ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send("2\r");
    ASSERT_TRUE(run->Expect("\nPress any key when done...\n")) << run->Output();
    ASSERT_FALSE(Key("Scanner", "Kalibrierdaten"));
    if (shell) {
      run->Send(sig == SIGINT ? "\x03" : "\x1c");
      ASSERT_TRUE(run->Expect("\nend\n")) << run->Unread();
      EXPECT_EQ(run->Wait(), 0);
      const std::string out = run->Output();
      const std::string settings = out.substr(0, out.find('\n'));
      EXPECT_NE(out.find("exit " + std::to_string(128 + sig) + "\n" + settings + "\nend\n"), std::string::npos)
          << run->Unread();
    } else {
      run->Signal(sig);
      EXPECT_EQ(run->Wait(), 128 + sig);
    }
    EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
    EXPECT_FALSE(platform::FileExists(Ini() + ".calibrate-backup"));
  }
}

}  // namespace
