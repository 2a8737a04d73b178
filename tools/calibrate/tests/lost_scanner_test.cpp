// calibrate when the scanner stops answering while it waits for the plate:
// the failing status ends the wait, no image is offered, the scanner is
// closed and the ini values come back.
#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "tools/console/tests/console_fixture.h"

using namespace consoletest;

namespace {

constexpr const char* kModes = "[Param_#1]\nParamName=Intra 50\nRes=50\n[Param_#2]\nParamName=Calib 100\nRes=100\n";
// No plate comes; the requests fail once the session has opened and polled.
constexpr const char* kScenario =
    "[Scanner]\nInterface=EPP\nSerial=VX0000011\nFpgaConfigured=1\n[Faults]\nUnplugAfter=150000\n";

class CalibrateLostScanner : public ConsoleTest {};

TEST_F(CalibrateLostScanner, TheFailingStatusEndsTheScanAndTheIniComesBack) {
  WriteIni("[Scanner]\nKalibrierdaten=/old/cal.kor\n" + std::string(kModes));
  WriteScenario(kScenario);
  auto run = Start({VORNIX_CALIBRATE});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("2\r");
  ASSERT_TRUE(run->Expect("\n\nChecking for images...\n\nDone.\n\n[Press any key to end]")) << run->Unread();
  EXPECT_EQ(run->Output().find("Press any key when done"), std::string::npos) << run->Output();
  run->Send("x");
  EXPECT_EQ(run->Wait(), 'x');
  EXPECT_EQ(platform::ReadProfileString(Ini(), "Scanner", "Kalibrierdaten"), "/old/cal.kor");
  // The loss lands in a status or in a block read, as the request count falls:
  // either way the session logs its -1001.
  EXPECT_NE(Log().find("ERROR -1001: "), std::string::npos) << Log();
}

}  // namespace
