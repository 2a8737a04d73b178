// lintra's keys and signals at their edges, under a pseudo-terminal: keys
// that send escape sequences are ignored at the mode prompt and in both poll
// loops, Ctrl-\ ends it with the terminal put back, and a failing status
// ends each poll loop after a key.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tools/console/tests/console_fixture.h"

using namespace consoletest;

namespace {

constexpr const char* kIni = "[Param_#1]\nParamName=Intra 50\nImgTypes=Intra\nThreshold=100\nDeFlash=0\n";
// No plate: the loops run until Esc.
constexpr const char* kScanner = "[Scanner]\nInterface=EPP\nSerial=VX0000007\nFpgaConfigured=1\n";

std::string Lintra() { return VORNIX_LINTRA; }

class LintraKeys : public ConsoleTest {
 protected:
  // True when the program, after the keys, goes on printing status lines
  // (three more: by then it has read the keys at its polls) and nothing
  // beyond `absent` has appeared. Counted in polls, not in time.
  static bool StillPolling(ptydrive::PtySession& run, const std::string& absent) {
    for (int poll = 0; poll < 3; ++poll)
      if (!run.Expect(": Status = ")) return false;
    return run.Output().find(absent) == std::string::npos;
  }
};

TEST_F(LintraKeys, EscapeSequencesAreOneIgnoredKey) {
  WriteIni(kIni);
  WriteScenario(kScanner);
  auto run = Start({Lintra()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("\x1b[A\x1b[3~\x1bOP\x1b[1;5C1\r");  // Up, Delete, F1, Ctrl-Right
  ASSERT_TRUE(run->Expect("1\n\nSelecting scan mode 1\n")) << run->Output();
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  run->Send("\x1b[B\x1bOQ\x1b[6~");
  EXPECT_TRUE(StillPolling(*run, "Scanner deactivated"));
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("\nScanner deactivated.\n\n[Press <ESC> to finish]\n")) << run->Unread();
  run->Send("\x1b[D");
  EXPECT_TRUE(StillPolling(*run, "Checking"));
  run->Send("\x1b");
  ASSERT_TRUE(run->Expect("\nChecking for images.\nScanner closed.\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 0);
}

// Ctrl-\ while the scan runs, under a shell that shows the terminal settings
// before and after.
TEST_F(LintraKeys, CtrlBackslashEndsItWithTheTerminalPutBack) {
  WriteIni(kIni);
  WriteScenario(kScanner);
  auto run = Start({"/bin/sh", "-c", "stty -g; trap : QUIT; '" + Lintra() + "'; echo \"exit $?\"; stty -g; echo end"});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n")) << run->Output();
  run->Send("\x1c");
  ASSERT_TRUE(run->Expect("\nend\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 0);
  const std::string out = run->Output();
  const std::string settings = out.substr(0, out.find('\n'));
  EXPECT_NE(out.find("exit 131\n" + settings + "\nend\n"), std::string::npos) << run->Unread();
}

// Every status read of the USB scanner fails: each loop shows the error,
// waits for a key and gives way to the next step.
TEST_F(LintraKeys, NegativeStatusEndsEachPollLoopAfterAKey) {
  WriteIni(kIni);
  WriteScenario("[Scanner]\nInterface=USB\nSerial=VX0000007\nFpgaConfigured=1\n[Faults]\nFailRequests=11\n");
  auto run = Start({Lintra()});
  ASSERT_TRUE(run->Expect("Select mode: ")) << run->Output();
  run->Send("1\r");
  ASSERT_TRUE(run->Expect("[Press <ESC> to deactivate]\n\nError ")) << run->Output();
  ASSERT_TRUE(run->Expect("\n[Press any key to end]")) << run->Unread();
  const std::string out = run->Output();
  const int code = std::atoi(out.c_str() + out.find("\nError ") + 7);
  EXPECT_LT(code, 0);
  const std::string error = "\nError " + std::to_string(code) + "\n\n[Press any key to end]";
  EXPECT_NE(out.find("[Press <ESC> to deactivate]\n" + error), std::string::npos) << out;
  run->Send("k");
  ASSERT_TRUE(run->Expect("\r                      \n\nScanner deactivated.\n\n[Press <ESC> to finish]\n\nError "))
      << run->Unread();
  ASSERT_TRUE(run->Expect("\n[Press any key to end]")) << run->Unread();
  run->Send("k");
  ASSERT_TRUE(run->Expect("\r                      \n\nChecking for images.\nScanner closed.\n")) << run->Unread();
  EXPECT_EQ(run->Wait(), 0);
}

}  // namespace
