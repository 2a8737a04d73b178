// calibrate at its edges, under a pseudo-terminal: an ini it cannot change,
// a run killed during the scan and the next start, Esc and escape sequences
// while it polls, no usable mode, a failing status, the data-PROM copy that
// the scan must not apply, and the normalization file of odd image sizes and
// at the uniformity limit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tools/console/terminal.h"
#include "tools/calibrate/tests/calibrate_run.h"
#include "tools/console/tests/console_fixture.h"

using namespace calibratetest;
using namespace consoletest;

namespace {

constexpr const char* kModes =
    "[Param_#1]\nParamName=Intra 50\nRes=50\n"
    "[Param_#2]\nParamName=Calib 100\nRes=100\nDeFlash=0\n";
constexpr const char* kSerial = "VX0000011";

std::string ScannerSection(const std::string& interface, const std::string& more = "") {
  return "[Scanner]\nInterface=" + interface + "\nSerial=" + kSerial + "\nFpgaConfigured=1\n" + more;
}

std::string PlateSection(const std::string& image_keys, int position = 14583) {
  return "[Plate1]\nSlot=0\nAt=50\nPosition=" + std::to_string(position) + "\n" + image_keys;
}

class CalibrateSession : public ConsoleTest {
 protected:
  std::string Cal() const { return tmp_ / "cal"; }
  std::string Backup() const { return Ini() + ".calibrate-backup"; }
  std::optional<std::string> Key(const char* section, const char* key) const {
    return platform::ReadProfileString(Ini(), section, key);
  }

  // A raw plate (u16 width, u16 height, rows of u16) of value(x, y).
  std::string RawPlate(int width, int height, const std::function<uint16_t(int x, int y)>& value) {
    std::vector<uint16_t> data{uint16_t(width), uint16_t(height)};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) data.push_back(value(x, y));
    const std::string path = tmp_ / "plate.raw";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size() * 2));
    return "Image=" + path + "\n";
  }

  // Mode 2, the plate scanned, Esc once its image waits, `answer` when the
  // file is offered (none: no file is offered), "x" to end. The output.
  std::string RunThrough(const char* answer = "n") {
    auto run = Start({Calibrate()});
    EXPECT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send("2\r");
    EXPECT_TRUE(run->Expect("\nPress any key when done...\n")) << run->Output();
    FinishRun(*run, "\x1b", answer);
    return run->Output();
  }

  // The one normalization file filed in Cal().
  std::string FiledFile() const {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(Cal())) found.push_back(e.path());
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? "" : found[0];
  }
};

// The ini cannot be written (a read-only file, or a read-only folder; the
// program runs without the right to override that): nothing is scanned, the
// error names the file, and the program takes the fatal exit with the ini
// as it was.
TEST_F(CalibrateSession, IniThatCannotBeChangedStopsBeforeTheScan) {
  if (geteuid() == 0 && system("setpriv --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "run as root, and no setpriv to drop the right to override file permissions";
  WriteScenario(ScannerSection("EPP") + PlateSection("Generator=flat\nValue=20000\nWidth=2600\nHeight=1000\n"));
  const std::string folder = tmp_ / "locked";
  const std::string ini = folder + "/Tarvel.ini";
  for (const bool locked_folder : {false, true}) {
    SCOPED_TRACE(locked_folder ? "read-only folder" : "read-only file");
    WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\nScale16Bit=1\n" + std::string(kModes) + "Filter=3\n");
    platform::CreateDirectories(folder);
    std::filesystem::rename(Ini(), ini);
    ASSERT_EQ(Set_IniFileName(ini.c_str()), 1);
    const auto before = platform::ReadWholeFile(ini);
    ASSERT_EQ(chmod((locked_folder ? folder : ini).c_str(), locked_folder ? 0555 : 0444), 0);
    std::vector<std::string> argv = {Calibrate()};
    if (geteuid() == 0) argv.insert(argv.begin(), {"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"});
    auto run = Start(argv);
    ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send("2\r");
    ASSERT_TRUE(run->Expect("[Press any key to end]")) << run->Output();
    const std::string out = run->Output();
    EXPECT_NE(
        out.find("Select mode: 2\n\nERROR: Unable to change the ini file '" + ini + "'\n\n[Press any key to end]"),
        std::string::npos)
        << out;
    EXPECT_EQ(out.find("Serial Number"), std::string::npos);
    run->Send(" ");
    EXPECT_EQ(run->Wait(), 255);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(platform::ReadWholeFile(ini), before);
    EXPECT_FALSE(platform::FileExists(ini + ".calibrate-backup"));
    EXPECT_FALSE(platform::FileExists(Images() + "/KP000001.QEW"));
    std::filesystem::remove(ini);
  }
}

// Killed during the scan: the lines stay out and their backup stays; the
// next start puts them back before anything else and says so.
TEST_F(CalibrateSession, KilledRunIsRestoredAtTheNextStart) {
  WriteIni("[Scanner]\nkalibrierdaten=/old/cal.kor\nNormalization=\n" + std::string(kModes) + "Filter=-2\n");
  WriteScenario(ScannerSection("EPP") + PlateSection("Generator=flat\nValue=20000\nWidth=2600\nHeight=1000\n"));
  const auto before = platform::ReadWholeFile(Ini());
  {
    auto run = Start({Calibrate()});
    ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send("2\r");
    ASSERT_TRUE(run->Expect("\nPress any key when done...\n")) << run->Output();
    run->Signal(SIGKILL);
    EXPECT_EQ(run->Wait(), 128 + SIGKILL);
  }
  EXPECT_FALSE(Key("Scanner", "Kalibrierdaten"));
  ASSERT_TRUE(platform::FileExists(Backup()));

  auto run = Start({Calibrate()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  EXPECT_NE(run->Output().find("   Ini file: '" + Ini() +
                               "'\n   Restored the ini settings of an interrupted calibration\n\nOf the 2 scan modes"),
            std::string::npos)
      << run->Output();
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
  EXPECT_FALSE(platform::FileExists(Backup()));
  run->Send("\x1b");
  EXPECT_EQ(run->Wait(), 0);
}

// No plate comes. Cursor, Delete and function keys are ignored at the mode
// prompt and while the scan polls; Esc then ends the polling after one more
// status, without the "Press any key when done" wait.
TEST_F(CalibrateSession, EscapeSequencesAreIgnoredAndEscEndsThePolling) {
  WriteIni(std::string("[Scanner]\n") + kModes);
  WriteScenario(ScannerSection("EPP"));
  const auto before = platform::ReadWholeFile(Ini());
  auto run = Start({Calibrate()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("\x1b[A\x1b[3~\x1bOP\x1b[15;2~2\r");
  ASSERT_TRUE(run->Expect("2\n\nVornix Serial Number: VX0000011\n")) << run->Output();
  ASSERT_TRUE(run->Expect(": Status = ")) << run->Unread();
  run->Send("\x1b[B\x1b[3~\x1bOQ");
  // Still polling three polls later (by then it has read the keys), and the
  // keys did nothing.
  for (int poll = 0; poll < 3; ++poll) ASSERT_TRUE(run->Expect(": Status = ")) << run->Unread();
  EXPECT_EQ(run->Output().find("Checking"), std::string::npos);
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("[Press any key to end]")) << run->Unread();
  const std::string out = run->Output();
  EXPECT_EQ(out.find("Press any key when done"), std::string::npos) << out;
  const size_t end = out.find("\n\nChecking for images...\n\nDone.\n\n[Press any key to end]");
  ASSERT_NE(end, std::string::npos) << out.substr(out.size() - 300);
  // The last status line is whole: nothing was printed in the Esc pass.
  const size_t line = out.rfind('\r', end);
  const std::string last = out.substr(line, end - line);
  EXPECT_EQ(last.size() - last.find(": Status = ") - 11, 35u) << last;
  run->Send("\x1b[A");  // any key ends it, also one that sends a sequence
  EXPECT_EQ(run->Wait(), console::kKeySequence & 0xFF);  // the key's code, as exit status
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
}

// Only a 50 um mode: the list is empty, Enter takes nothing, Esc ends with 0.
TEST_F(CalibrateSession, NoUsableModeLeavesOnlyEsc) {
  WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\n[Param_#1]\nParamName=Intra 50\nRes=50\n");
  const auto before = platform::ReadWholeFile(Ini());
  auto run = Start({Calibrate()}, false);
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("\r1\r\r");
  ASSERT_TRUE(run->Expect("1")) << run->Output();
  run->Send("\x1b");
  EXPECT_EQ(run->Wait(), 0);
  EXPECT_TRUE(run->Output().ends_with("\nOf the 1 scan modes, the following can be used:\nSelect mode: 1\n"))
      << run->Output();
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
}

// Every status read fails over USB: the polling ends at the first negative
// status, no "Press any key when done" wait, and the ini comes back.
TEST_F(CalibrateSession, NegativeStatusEndsThePolling) {
  WriteIni("[Scanner]\nScale16Bit=1\n" + std::string(kModes));
  WriteScenario(ScannerSection("USB") + "[Faults]\nFailRequests=11\n");
  const auto before = platform::ReadWholeFile(Ini());
  auto run = Start({Calibrate()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("2\r");
  ASSERT_TRUE(run->Expect("[Press any key to end]")) << run->Output();
  const std::string out = run->Output();
  EXPECT_NE(out.find("Vornix Serial Number: VX0000011\n\n\nChecking for images...\n\nDone.\n"), std::string::npos)
      << out;
  EXPECT_EQ(out.find("Status ="), std::string::npos) << out;
  run->Send("q");
  EXPECT_EQ(run->Wait(), 'q');
  EXPECT_EQ(platform::ReadWholeFile(Ini()), before);
}

// A data-PROM copy of factor 0.5 over USB: the `Normalization` value the
// scan runs with keeps it from being applied, so the flat field of 20000
// stays 20000 and the factors come out at 1; the copy stays for the sessions
// after (lintra, with no file key, scans the same plate as 10000).
TEST_F(CalibrateSession, DataPromCopyIsNotAppliedToTheScan) {
  // Header of 16 words (version 1, checksum, ScanStart, one factor, its
  // pitch, date, mean) and the factor; the words sum to 0.
  int32_t words[18] = {1, 0, 14583, 1, 100000, 2026, 1, 2, 3, 4, 5, 20000};
  const double half = 0.5;
  std::memcpy(&words[16], &half, sizeof half);
  uint32_t sum = 0;
  for (int32_t w : words) sum += uint32_t(w);
  words[1] = int32_t(0u - sum);
  std::ofstream(tmp_ / "prom.bin", std::ios::binary).write(reinterpret_cast<const char*>(words), sizeof words);
  WriteIni("[Scanner]\nCalibrationPath=" + Cal() + "\n" + kModes);
  WriteScenario(ScannerSection("USB", "DataPromType=1\n[DataProm]\nAA=prom.bin\n") +
                PlateSection("Generator=flat\nValue=20000\nWidth=2600\nHeight=1000\n"));
  platform::CreateDirectories(Cal());
  const std::string out = RunThrough("n");
  EXPECT_NE(out.find("    Average value:    20000\n    Created calibration file"), std::string::npos)
      << out.substr(out.find("Checking"));
  std::istringstream file(*platform::ReadWholeFile(FiledFile()));
  std::string line;
  for (int i = 0; i < 8; ++i) std::getline(file, line);
  ASSERT_EQ(line, "****************");
  while (std::getline(file, line)) ASSERT_EQ(line, "1.000050");  // P10 (20001 bins) over the mean

  std::filesystem::remove_all(Images());
  auto lintra = Start({VORNIX_LINTRA});
  ASSERT_TRUE(lintra->Expect("Select mode: ")) << lintra->Output();
  lintra->Send("2\r");
  ASSERT_TRUE(lintra->ExpectRegex(kTransportRunning)) << lintra->Unread();
  ASSERT_TRUE(lintra->ExpectRegex(kTransportStopped)) << lintra->Unread();
  lintra->Send("\x1b");
  ASSERT_TRUE(lintra->Expect("[Press <ESC> to finish]")) << lintra->Unread();
  lintra->Send("\x1b");
  ASSERT_TRUE(lintra->Expect("Scanner closed.\n")) << lintra->Unread();
  EXPECT_NE(lintra->Output().find("    Minimum   = 10000\n    Maximum   = 10000\n"), std::string::npos)
      << lintra->Output();
}

// An image of 2614 x 1003 pixels (multiples of neither 20 nor 4) whose
// columns rise by one from 15000: the report lines as text, and every factor
// of the file as the measured area gives it (rows 250..750, columns
// 130..2480; P10 the 10 % level of its histogram).
TEST_F(CalibrateSession, NormalizationFileOfAnOddImageSize) {
  const int width = 2614, height = 1003;
  WriteIni("[Scanner]\nCalibrationPath=" + Cal() + "\n" + kModes);
  WriteScenario(ScannerSection("EPP") +
                PlateSection(RawPlate(width, height, [](int x, int) { return uint16_t(15000 + x); }), 14683));
  platform::CreateDirectories(Cal());
  const std::string out = RunThrough("n");
  const std::string lines =
      "    Size:             2614 x 1003\n"
      "    Resolution:       100.933um x 100.259um\n"
      "    Start Position:   100 (10.093300mm) \n"
      "    Serial Number:    VX0000011\n"
      "    Maximum value:    17091 of 49128 possible\n"  // within the 80 % measuring window
      "    Average value:    16306\n";
  EXPECT_NE(out.find(lines), std::string::npos) << out.substr(out.find("Checking"));

  const int rows = height / 2, first = width / 20, columns = 9 * width / 10;
  const long long n = 1LL * rows * columns;
  // Each column value occurs `rows` times; P10 counts the bins from 0.
  int p10 = 0;
  for (long long count = 0; count < n / 10; count += rows) p10 = 15000 + first + int(count / rows) + 1;
  std::istringstream file(*platform::ReadWholeFile(FiledFile()));
  std::vector<std::string> text;
  for (std::string line; std::getline(file, line);) text.push_back(line);
  ASSERT_GT(text.size(), 8u);
  EXPECT_EQ(text[0], kSerial);
  EXPECT_EQ(text[1], "14583");
  const int count = std::atoi(text[2].c_str());
  EXPECT_EQ(count, 3161);  // the scan line of 3160 pixels, and one
  EXPECT_EQ(text[6], std::to_string(15000 + first + (columns - 1) / 2));
  ASSERT_EQ(text.size(), size_t(8 + count));
  for (int k = 0; k < count; ++k) {
    const int column = std::clamp(k - 100, first, first + columns - 1);  // the image starts at 100
    char want[32];
    std::snprintf(want, sizeof want, "%f", double(p10) * rows / (double(rows) * (15000 + column)));
    ASSERT_EQ(text[size_t(8 + k)], want) << "position " << k;
  }
}

// Half the measured columns at a, half at b: P10 = a + 1, P90 = b - 1.
// With a mean of 18000 the spread may be 6000: accepted; one more is noise.
TEST_F(CalibrateSession, UniformityLimitAtAndOnePastItsBound) {
  const int width = 2600, height = 1000;  // measured: columns 130..2469
  struct Case {
    int a, b;
    const char* line;
    const char* answer;
  } cases[] = {
      {14999, 21001, "    Created calibration file '", "n"},
      {14998, 21001, "    Image too noisy\n", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::filesystem::remove_all(Images());
    std::filesystem::remove_all(Cal());
    platform::CreateDirectories(Cal());
    WriteIni("[Scanner]\nCalibrationPath=" + Cal() + "\n" + kModes);
    WriteScenario(ScannerSection("EPP") +
                  PlateSection(RawPlate(width, height, [&](int x, int) { return uint16_t(x < 1300 ? c.a : c.b); })));
    const std::string out = RunThrough(c.answer);
    EXPECT_NE(out.find(c.line), std::string::npos) << out.substr(out.find("Checking"));
  }
}

}  // namespace
