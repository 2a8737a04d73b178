// The run command's sessions without a terminal, on what the project ships:
// every scenario with the shipped ini yields an image or says in its header
// why not, and ends by itself; calibrate on the flat field files its
// normalization file and enters it; a scenario file that is not there is
// refused before anything is built.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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
    std::string ini = *platform::ReadWholeFile(kSource + "/simulator/scenarios/Tarvel.ini");
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
};

TEST_F(RunCommand, EveryShippedScenarioYieldsAnImageOrSaysWhyNot) {
  int scenarios = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kSource + "/simulator/scenarios")) {
    const std::string path = entry.path();
    if (entry.path().filename() == "Tarvel.ini") continue;
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

}  // namespace
