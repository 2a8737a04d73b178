// The run command's sessions without a terminal, on what the project ships:
// every scenario with the shipped ini yields an image or says in its header
// why not, and ends by itself; calibrate on the flat field files its
// normalization file and enters it; a scenario file that is not there is
// refused before anything is built. And run.sh itself on this build's
// programs: a scenario the simulator cannot read whole is refused by line,
// a viewer that cannot reach its display leaves the run's status alone, an
// Enter typed ahead of the console is taken, and the closing lines say what
// happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/profile.h"
#include "tools/console/tests/console_fixture.h"

using namespace consoletest;

namespace {

const std::string kSource = VORNIX_SOURCE_DIR;

// Output and exit status of a shell command.
std::pair<std::string, int> Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r");
  if (!pipe) return {"", -1};
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class RunCommand : public ConsoleTest {
 protected:
  std::string Bin() const { return platform::FolderPart(VORNIX_LINTRA); }
  std::string Cal() const { return tmp_ / "cal"; }

  // The shipped ini with this test's folders, as the run command writes it.
  void WriteShippedIni() {
    std::string ini = *platform::ReadWholeFile(kSource + "/scripts/Tarvel.ini");
    const size_t at = ini.find('\n', ini.find("[Scanner]")) + 1;
    ini.insert(at, "ImagePath=" + Images() + "\nTempFile=" + Images() + "/Tarvel.tmp\nLogfile=" + (tmp_ / "Tarvel") +
                       "\nCalibrationPath=" + Cal() + "\n");
    std::ofstream(Ini(), std::ios::binary | std::ios::trunc) << ini;
    ASSERT_EQ(Set_IniFileName(Ini().c_str()), 1);
  }
  std::pair<std::string, int> Session(const std::string& tool, const std::string& scenario) {
    return Shell("VORNIX_REGISTRY_DIR='" + registry_.path() + "' VORNIX_SCANNER_SIM='" + scenario + "' bash '" + kSource +
                 "/scripts/" + tool + "-session.sh' '" + Bin() + "'");
  }

  // A build folder for run.sh whose bin/ is this build's: it builds nothing
  // and its sessions land in the test's folder.
  std::string RunBuild() const {
    const std::string build = tmp_ / "build";
    if (!std::filesystem::exists(build + "/bin")) {
      std::filesystem::create_directories(build);
      std::filesystem::create_directory_symlink(Bin(), build + "/bin");
    }
    return build;
  }
  // run.sh from the test's folder.
  std::pair<std::string, int> Run(const std::string& args, const std::string& env = "") {
    return Shell("cd '" + tmp_.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY " + env + " VORNIX_RUN_BUILD_DIR='" +
                 RunBuild() + "' bash '" + kSource + "/scripts/run.sh' " + args);
  }
  // run.sh under a terminal of its own, without a display.
  std::unique_ptr<ptydrive::PtySession> RunOnTerminal(const std::string& scenario) {
    return std::make_unique<ptydrive::PtySession>(
        std::vector<std::string>{"bash", kSource + "/scripts/run.sh", scenario},
        ptydrive::PtySession::Environment{
            {"VORNIX_RUN_BUILD_DIR", RunBuild()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  }
  // The session folder run.sh announced.
  static std::string SessionFolder(const std::string& out) {
    const std::string label = "Session folder: ";
    const size_t at = out.find(label);
    if (at == std::string::npos) return "";
    return out.substr(at + label.size(), out.find('\n', at) - at - label.size());
  }
  // What run.sh printed after the console ended: the lines from `from` on.
  static std::string From(const std::string& out, const std::string& from) {
    const size_t at = out.rfind(from);
    return at == std::string::npos ? "" : out.substr(at);
  }
};

// No plate comes: the poll loops run until Esc.
constexpr const char* kNoPlate = "[Scanner]\nInterface=EPP\nSerial=VX0000007\nFpgaConfigured=1\n";

TEST_F(RunCommand, EveryShippedScenarioYieldsAnImageOrSaysWhyNot) {
  int scenarios = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kSource + "/simulator/scenarios")) {
    const std::string path = entry.path();
    SCOPED_TRACE(path);
    ++scenarios;
    std::filesystem::remove_all(tmp_.path());
    std::filesystem::create_directories(tmp_.path());
    WriteShippedIni();
    const auto [out, status] = Session("lintra", path);
    // No step failed: only the wait for a transport that never runs is given up.
    const size_t given_up = out.find("ptydrive: 'Status = [01]{6}1' not seen within 15 s; going on\n");
    EXPECT_EQ(out.find("ptydrive: '", given_up == std::string::npos ? 0 : given_up + 1), std::string::npos) << out;
    EXPECT_EQ(out.find("did not end"), std::string::npos) << out;
    std::string header;
    for (std::ifstream in(path); in.good();) {
      std::string line;
      std::getline(in, line);
      if (!line.starts_with(";")) break;
      header += line + "\n";
    }
    const bool image = platform::FileExists(Images() + "/KP000001.QEW");
    EXPECT_TRUE(image || header.find("no image") != std::string::npos) << header << out;
    if (image) {
      EXPECT_TRUE(status == 0 || out.find("[Press any key to end]") != std::string::npos) << out;
    }
  }
  EXPECT_GE(scenarios, 5);
}

TEST_F(RunCommand, CalibrateOnTheFlatFieldFilesItsNormalizationFile) {
  WriteShippedIni();
  platform::CreateDirectories(Cal());
  const auto [out, status] = Session("calibrate", kSource + "/simulator/scenarios/flat_field.ini");
  EXPECT_EQ(status, '\r') << out;
  std::vector<std::string> filed;
  for (const auto& e : std::filesystem::directory_iterator(Cal())) filed.push_back(e.path());
  ASSERT_EQ(filed.size(), 1u) << out;
  EXPECT_NE(out.find("    Created calibration file '" + std::string(platform::FileNamePart(filed[0])) + "'"),
            std::string::npos)
      << out;
  EXPECT_EQ(platform::ReadProfileString(Ini(), "Scanner", "Kalibrierdaten"), filed[0]);
  EXPECT_EQ(platform::ReadProfileString(Ini(), "Scanner", "Normalization"), std::nullopt);
}

TEST_F(RunCommand, ScenarioFileThatIsNotThereIsRefusedByName) {
  for (const char* name : {"missing.ini", "sub/missing.ini"}) {
    SCOPED_TRACE(name);
    const auto [out, status] = Shell("cd '" + tmp_.path() + "' && bash '" + kSource + "/scripts/run.sh' " + name);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, "run.sh: cannot read the scenario file '" + std::string(name) + "'\n");
  }
  // A folder is no scenario file either.
  const auto [out, status] = Shell("cd '" + tmp_.path() + "' && bash '" + kSource + "/scripts/run.sh' .");
  EXPECT_EQ(status, 2) << out;
}

TEST_F(RunCommand, ScenarioTheSimulatorCannotReadWholeIsRefusedByLine) {
  struct Case {
    std::string text;
    std::string wrong;  // after "<file>:"
  } cases[] = {
      {"[Scanner]\nInterface=EPP\n\n[Plate1]\nSlot=0\nPositon=15583\n", "6: unknown key Positon in [Plate1]"},
      {"; two plates\n[Plate1]\nAt=soon\n", "3: [Plate1] At: bad value \"soon\""},
      {"[Scanner]\nStatus52=0x1FF\n", "2: [Scanner] Status52: bad value \"0x1FF\""},
      {"[Scaner]\nSerial=VX1\n", "1: unknown section [Scaner]"},
      {"[Scanner]\nFpgaConfigured\n", "2: neither a section, a key=value line nor a comment"},
      {"[Plate1]\nSlot=1\n[Plate3]\nSlot=2\n", "3: section [Plate3] without [Plate2]"},
      {std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0", 12), "1: not text (byte 0x7F)"},
      {"", " the file is empty"},
      {"\n  \r\n", " the file is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wrong);
    std::ofstream(tmp_ / "wrong.ini", std::ios::binary | std::ios::trunc) << c.text;
    const auto [out, status] = Run("wrong.ini");
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, "run.sh: the scenario file cannot be used: wrong.ini:" + c.wrong + "\n");
  }
  // Refused before the session: no session folder was made.
  EXPECT_FALSE(std::filesystem::exists(RunBuild() + "/sessions"));
}

TEST_F(RunCommand, ViewerThatCannotReachItsDisplayLeavesTheRunItsStatus) {
  // A display no server answers: no socket of it, named or abstract.
  const std::string sockets = platform::ReadWholeFile("/proc/net/unix").value_or("");
  int display = 99;
  for (;; ++display) {
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
    if (!std::filesystem::exists(socket) && sockets.find(socket + "\n") == std::string::npos) break;
  }
  const auto [out, status] =
      Run("", "-u QT_QPA_PLATFORM DISPLAY=:" + std::to_string(display));
  EXPECT_EQ(status, 0) << out;
  const std::string folder = SessionFolder(out);
  ASSERT_FALSE(folder.empty()) << out;
  // After the images, the log and one line for the viewer.
  const std::string end = From(out, "Images made: ");
  EXPECT_TRUE(end.starts_with("Images made: 2, in " + folder + "/Images\nSession log: " + folder +
                              "/Tarvel.log\nvornixview could not show " + folder + "/Images/KP000001.QEW"))
      << out;
  EXPECT_EQ(std::count(end.begin(), end.end(), '\n'), 3) << out;
}

TEST_F(RunCommand, EnterTypedAheadOfTheConsoleIsTaken) {
  WriteScenario(kNoPlate);
  auto run = RunOnTerminal(Scenario());
  // Typed at once, while the terminal still has its line rules (its Enter
  // becomes a line feed).
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("Select mode: 1\n\nSelecting scan mode 1\n")) << run->Output();
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("[Press <ESC> to finish]\n")) << run->Unread();
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("Scanner closed.\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 1);
  // The session ran and made no image: the log it wrote is named.
  const std::string folder = SessionFolder(run->Output());
  EXPECT_EQ(From(run->Output(), "No image"),
            "No image was made; see the console's output above and the session log " + folder +
                "/Tarvel.log, and the scenario's header comment.\n")
      << run->Output();
}

TEST_F(RunCommand, ModePromptLeftNamesNoSessionLog) {
  WriteScenario(kNoPlate);
  auto run = RunOnTerminal(Scenario());
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("\b\b");  // nothing typed: the prompt stays as it is
  run->Send("\x1b");
  EXPECT_EQ(run->Wait(), 1);
  const std::string out = run->Output();
  // lintra's last line is ended before run.sh goes on.
  EXPECT_NE(out.find("Select mode: \n\nNo image: no mode was chosen, so no scan session was opened; see the "
                     "console's output above.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Tarvel.log"), std::string::npos) << out;
  EXPECT_FALSE(platform::FileExists(SessionFolder(out) + "/Tarvel.log"));
}

TEST_F(RunCommand, CtrlCTakesTheTemporaryFileAlong) {
  auto run = RunOnTerminal(kSource + "/simulator/scenarios/intraoral_plates.ini");
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  // The open session holds its temporary file.
  const std::string folder = SessionFolder(run->Output());
  EXPECT_TRUE(platform::FileExists(folder + "/Tarvel.tmp"));
  run->Send("\x03");
  EXPECT_EQ(run->Wait(), 128 + SIGINT);
  EXPECT_FALSE(platform::FileExists(folder + "/Tarvel.tmp"));
  EXPECT_TRUE(platform::FileExists(folder + "/Tarvel.log"));
}

TEST_F(RunCommand, ScannerThatCannotBeOpenedIsTheReasonGiven) {
  WriteScenario("[Scanner]\nInterface=SCSI\n");  // read whole, but no front end offers it
  const std::string quoted = std::string(1, '\'') + Scenario() + '\'';
  const auto [out, status] = Run(quoted);
  EXPECT_EQ(status, 1) << out;
  const std::string folder = SessionFolder(out);
  EXPECT_EQ(From(out, "No image"), "No image: the scanner could not be opened; see the console's output above and the "
                                   "session log " + folder + "/Tarvel.log.\n")
      << out;
}

}  // namespace
