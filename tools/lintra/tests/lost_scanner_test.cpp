// lintra when the scanner stops answering while it polls: the status error
// is shown in both loops, each waiting for a key, and the program still
// checks for images, closes the scanner and ends normally.
#include <gtest/gtest.h>

#include <string>

#include "tools/console/tests/console_fixture.h"

using namespace consoletest;

namespace {

constexpr const char* kIni = "[Param_#1]\nParamName=Intra 50\nImgTypes=Intra\nThreshold=100\nDeFlash=0\n";

// A parallel-port scanner whose requests fail once the session has opened
// and polled for a while.
constexpr const char* kScenario =
    "[Scanner]\nInterface=EPP\nSerial=VX0000007\nFpgaConfigured=1\n"
    "[Faults]\nUnplugAfter=150000\n";

class LintraLostScanner : public ConsoleTest {};

TEST_F(LintraLostScanner, ShowsTheStatusErrorInBothLoopsAndStillCloses) {
  WriteIni(kIni);
  WriteScenario(kScenario);
  auto run = Start({VORNIX_LINTRA});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  ASSERT_TRUE(run->Expect("\nError -1001\n\n[Press any key to end]")) << run->Unread();
  run->Send("x");
  ASSERT_TRUE(run->Expect("\nScanner deactivated.\n\n[Press <ESC> to finish]\n")) << run->Unread();
  ASSERT_TRUE(run->Expect("\nError -1001\n\n[Press any key to end]")) << run->Unread();
  run->Send("x");
  ASSERT_TRUE(run->Expect("\nChecking for images.\nScanner closed.\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 0);
  // The loss lands in a status or in a block read, as the request count falls:
  // either way the session logs its -1001.
  EXPECT_NE(Log().find("ERROR -1001: "), std::string::npos) << Log();
}

}  // namespace
