// lintra run under a pseudo-terminal with the simulated scanner supplying
// the plates: the whole flow with its two Esc presses, the old images, the
// mode prompt, an open failure, and the terminal put back afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "tools/console/tests/console_fixture.h"

using namespace consoletest;

namespace {

constexpr const char* kIni =
    "[Param_#1]\nParamName=Intra 50\nImgTypes=Intra\nThreshold=100\nDeFlash=0\n"
    "[Param_#2]\nParamName=Ceph 50\nImgTypes=Ceph\n"
    "[Param_#3]\nParamName=Erase\nImgTypes=Erase\n";

// Two plates, a test pattern and a gradient (scan-line start of mode 1:
// 14583); the transport runs on for 0.6 s after them, so the status lines
// show it running even on a busy machine.
constexpr const char* kScenario =
    "[Scanner]\nInterface=EPP\nSerial=VX0000007\nFpgaConfigured=1\nStopLines=600\n"
    "[Plate1]\nSlot=1\nAt=100\nPosition=15583\nGenerator=pattern\nWidth=120\nHeight=90\nLow=4000\nHigh=30000\n"
    "[Plate2]\nSlot=2\nAt=110\nPosition=17583\nGenerator=gradient\nWidth=80\nHeight=60\nFrom=2000\nTo=40000\n";

std::string Lintra() { return VORNIX_LINTRA; }

class LintraRun : public ConsoleTest {};

// The text between `from` and the next `to` (or the end).
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t a = text.find(from);
  if (a == std::string::npos) return "";
  const size_t b = text.find(to, a + from.size());
  return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

double Field(const std::string& block, const std::string& label) {
  const size_t at = block.find(label);
  return at == std::string::npos ? NAN : std::atof(block.c_str() + at + label.size());
}

TEST_F(LintraRun, WholeFlowWithTwoEscPresses) {
  WriteIni(kIni);
  WriteScenario(kScenario);
  auto run = Start({Lintra()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  ASSERT_TRUE(run->ExpectRegex(kTransportRunning)) << run->Unread();
  ASSERT_TRUE(run->ExpectRegex(kTransportStopped)) << run->Unread();
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("\nScanner deactivated.\n\n[Press <ESC> to finish]\n")) << run->Unread();
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("Scanner closed.\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 0);
  const std::string out = run->Output();

  const std::string start =
      "lintra: Vornix Image Aquisition Program, p/n 10220 Revision D\n\n"
      "DLL version: 1.004.048 Mar 10 2007 14:59:21\n"
      "Ini file: '" +
      Ini() +
      "'\n"
      "No old images.\n\n"
      "There are 2 scan modes\n"  // of the parallel-port scanner type
      "    1: Intra 50\n"
      "    2: Ceph 50\n"
      "Select mode: 1\n\n"
      "Selecting scan mode 1\n"
      "Vornix Serial Number: VX0000007\n\n"
      "[Press <ESC> to deactivate]\n\r    1: Status = ";
  EXPECT_EQ(out.substr(0, start.size()), start);
  // The counter goes on in the second loop.
  const std::string second = Between(out, "[Press <ESC> to finish]\n", "\nChecking");
  EXPECT_GT(std::atoi(second.c_str() + second.find('\r') + 1), 1) << second.substr(0, 80);

  const char* header =
      "    Extra Header:     'Vornix lintra p/n 10220 Rev D Scan mode 1\n'\n    Extra Bytes read: 43\n";
  for (int i = 1; i <= 2; ++i) {
    SCOPED_TRACE(i);
    const std::string name = Images() + "/KP00000" + std::to_string(i) + ".QEW";
    const std::string block = Between(out, "Filename: " + name + "\n", i == 1 ? "Filename: " : "Scanner closed.");
    ASSERT_FALSE(block.empty()) << out.substr(out.find("Checking"));
    ImageInfo info{};
    ASSERT_EQ(Get_ImageInfo(&info, name.c_str()), 0);
    char lines[512];
    std::snprintf(lines, sizeof lines,
                  "    Size:             %d x %d\n    Resolution:       %d x %d\n    Slots:            %02X \n"
                  "    Start Position:   %d \n    Date:             %02d.%02d.%04d\n"
                  "    Time:             %02d:%02d:%02d\n    Serial Number:    VX0000007\n"
                  "    ExtraBytes:       43\n",
                  i == 1 ? 120 : 80, i == 1 ? 90 : 60, info.pitch_x, info.pitch_y, info.slot_bits, info.start_position,
                  info.day, info.month, info.year, info.hour, info.minute, info.second);
    EXPECT_NE(block.find(std::string(lines) + header), std::string::npos) << block;

    // Statistics of the stored pixels, worked out here.
    const StoredImage image = ReadStoredImage(name);
    ASSERT_EQ(image.pixels.size(), size_t(image.width) * size_t(image.height));
    double sum = 0, squares = 0;
    unsigned low = 65535, high = 0;
    for (uint16_t v : image.pixels) {
      sum += v;
      squares += double(v) * v;
      low = std::min<unsigned>(low, v);
      high = std::max<unsigned>(high, v);
    }
    const double n = double(image.pixels.size());
    const double mean = sum / n;
    const double deviation = std::sqrt(squares / n - mean * mean);
    EXPECT_EQ(Field(block, "Minimum   = "), low);
    EXPECT_EQ(Field(block, "Maximum   = "), high);
    EXPECT_NEAR(Field(block, "Mean      = "), mean, 1e-5);
    EXPECT_NEAR(Field(block, "Std. Dev  = "), deviation, deviation * 1e-5);
    // After the optimisation: the rewritten pixels spread over the range.
    EXPECT_EQ(Field(block, "Minimum*  = "), 0);
    EXPECT_EQ(Field(block, "Maximum*  = "), 65535);
    EXPECT_NE(Field(block, "Mean*     = "), mean);
  }
}

TEST_F(LintraRun, OldImagesAreListedAndNoModeEndsTheProgram) {
  WriteIni(kIni);
  WriteScenario(kScenario);
  platform::CreateDirectories(Images());
  for (const char* name : {"KP000002.QEW", "KP000001.QEW", "other.QEW"}) std::ofstream(Images() + "/" + name) << "x";
  for (const char* keys : {"\x1b", "0\r", "4\x1b"}) {
    SCOPED_TRACE(keys);
    auto run = Start({Lintra()});
    ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send(keys);
    EXPECT_EQ(run->Wait(), 0);
    const std::string out = run->Output();
    EXPECT_NE(out.find("Old images:\n   " + Images() + "/KP000001.QEW\n   " + Images() + "/KP000002.QEW\n\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("Selecting"), std::string::npos);
  }
}

TEST_F(LintraRun, OpenFailureEndsWithTheKeyPressed) {
  WriteIni(kIni);
  auto run = Start({Lintra()}, false);
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("\n[Press any key to end]")) << run->Output();
  EXPECT_NE(run->Output().find("Selecting scan mode 1\nOpen_Scanner(1) failed with error code -"), std::string::npos)
      << run->Output();
  run->Send("q");
  EXPECT_EQ(run->Wait(), 'q');
}

// The terminal settings before lintra and after it ended, normally and by Ctrl-C.
TEST_F(LintraRun, TerminalIsPutBackAfterTheEndAndAfterCtrlC) {
  WriteIni(kIni);
  WriteScenario(kScenario);
  for (const char* keys : {"\x1b", "\x03"}) {
    SCOPED_TRACE(keys[0] == 3 ? "Ctrl-C" : "Esc");
    auto run = Start({"/bin/sh", "-c", "stty -g; trap : INT; '" + Lintra() + "'; echo \"exit $?\"; stty -g"});
    ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
    run->Send(keys);
    EXPECT_EQ(run->Wait(), 0);
    const std::string out = run->Output();
    const std::string before = out.substr(0, out.find('\n'));
    ASSERT_FALSE(before.empty());
    const std::string status = keys[0] == 3 ? "exit 130\n" : "exit 0\n";
    EXPECT_NE(out.find(status + before + "\n"), std::string::npos) << out;
  }
}

// The run command's session without a terminal: the script answers lintra
// on the default scenario and prints what a terminal would show.
TEST_F(LintraRun, RunCommandSessionOnTheDefaultScenario) {
  const std::string source = VORNIX_SOURCE_DIR;
  const auto ini = platform::ReadWholeFile(source + "/scripts/Tarvel.ini");
  ASSERT_TRUE(ini.has_value());
  WriteIni(*ini);
  const std::string bin = platform::FolderPart(Lintra());
  const std::string command = "VORNIX_SCANNER_SIM='" + source + "/simulator/scenarios/intraoral_plates.ini' bash '" +
                              source + "/scripts/lintra-session.sh' '" + bin + "' 1 2>&1 </dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << out;
  EXPECT_NE(out.find("Select mode: 1\n"), std::string::npos) << out;
  for (const char* name : {"/KP000001.QEW\n", "/KP000002.QEW\n"})
    EXPECT_NE(out.find("Filename: " + Images() + name), std::string::npos) << out;
  EXPECT_TRUE(out.ends_with("Scanner closed.\n")) << out;
  EXPECT_EQ(out.find('\r'), std::string::npos);
}

}  // namespace
