#pragma once
// A console program run under a pseudo-terminal against the simulated
// scanner: a folder of its own for the ini file, images, log and scenario,
// the registry in that folder naming the ini file, and the scenario file in
// VORNIX_SCANNER_SIM of the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/tarvel_api.h"
#include "platform/files.h"
#include "testing/registry_folder.h"
#include "testing/stored_image.h"
#include "testing/temp_folder.h"
#include "tools/ptydrive/pty_session.h"

namespace consoletest {

// Transport running (bit 25), and then neither running nor collecting (27),
// in the status line "N: Status = <bits>".
constexpr const char* kTransportRunning = "Status = [01]{6}1";
constexpr const char* kTransportStopped = "Status = [01]{4}0[01]0";

using testsupport::ReadStoredImage;
using testsupport::StoredImage;

class ConsoleTest : public ::testing::Test {
 protected:
  std::string Ini() const { return tmp_ / "Tarvel.ini"; }
  std::string Images() const { return tmp_ / "Images"; }
  std::string Scenario() const { return tmp_ / "scenario.ini"; }

  // The ini file: `text`, with the image folder, temporary file and log put
  // into the test's folder and the light check off.
  void WriteIni(const std::string& text) {
    const std::string keys = "ImagePath=" + Images() + "\nTempFile=" + Images() +
                             "/Tarvel.tmp\nLogfile=" + (tmp_ / "Tarvel") + "\nCheckLightlevel=0\nMinImageSize=1\n";
    std::string body = text;
    const size_t at = body.find("[Scanner]");
    if (at == std::string::npos)
      body = "[Scanner]\n" + keys + body;
    else
      body.insert(body.find('\n', at) + 1, keys);
    std::ofstream(Ini(), std::ios::binary | std::ios::trunc) << body;
    ASSERT_EQ(Set_IniFileName(Ini().c_str()), 1);
  }
  void WriteScenario(const std::string& text) { std::ofstream(Scenario(), std::ios::binary | std::ios::trunc) << text; }
  std::string Log() const {
    auto text = platform::ReadWholeFile(tmp_ / "Tarvel.log");
    return text ? *text : "";
  }

  // The program under a terminal of its own, with the scanner of the
  // scenario file (or none).
  std::unique_ptr<ptydrive::PtySession> Start(const std::vector<std::string>& argv, bool with_scanner = true) {
    return std::make_unique<ptydrive::PtySession>(
        argv, ptydrive::PtySession::Environment{{"VORNIX_SCANNER_SIM", with_scanner ? Scenario() : ""},
                                                {"VORNIX_REGISTRY_DIR", registry_.path()}});
  }

  testsupport::TempFolder tmp_{"vornix-console"};
  testsupport::RegistryFolder registry_;
};

}  // namespace consoletest
