// The status-bit text and the mode-number keys shared by the consoles.
#include <gtest/gtest.h>

#include "tools/console/mode_keys.h"
#include "tools/console/status_bits.h"
#include "tools/console/tests/scripted_terminal.h"

using consoletest::ScriptedTerminal;

namespace {

TEST(StatusBits, BitThirtyOneFirstInGroupsOfEight) {
  EXPECT_EQ(console::FormatStatusBits(0), "00000000 00000000 00000000 00000000");
  EXPECT_EQ(console::FormatStatusBits(0x82000000u), "10000010 00000000 00000000 00000000");
  EXPECT_EQ(console::FormatStatusBits(0xFFFFFFFFu), "11111111 11111111 11111111 11111111");
  EXPECT_EQ(console::FormatStatusBits(0x02000103u), "00000010 00000000 00000001 00000011");
  EXPECT_EQ(console::FormatStatusBits(0x12345678u).size(), 35u);
}

struct KeyCase {
  const char* keys;
  int mode_count;
  int usable_from;  // modes from this number on are accepted
  std::optional<int> mode;
  const char* echo;
};

TEST(ModeKeys, DigitsBackspaceEnterAndEsc) {
  const KeyCase cases[] = {
      {"2\r", 3, 1, 2, "2\n"},
      {"13\r", 12, 1, 1, "1\n"},  // 13 > 12: the 3 is neither taken nor echoed
      {"12\r", 12, 1, 12, "12\n"},
      {"9\b3\r", 12, 1, 3, "9\b \b3\n"},
      {"\b\r1\r", 4, 1, 1, "1\n"},  // Enter on 0 is never taken here; Backspace on no digit keeps the prompt
      {"0\b\b1\r", 4, 1, 1, "0\b \b1\n"},  // a typed 0 is a digit to take back
      {"1\r\x1b", 5, 2, std::nullopt, "1"},  // Enter on an unusable mode waits on
      {"1\r\b2\r", 5, 2, 2, "1\b \b2\n"},
      {"x 1\r", 3, 1, 1, "1\n"},  // other keys are ignored
      {"\x1b", 3, 1, std::nullopt, ""},
      {"1", 3, 1, std::nullopt, "1"},  // the input ends: no mode
      {"0\r", 3, 0, 0, "0\n"},  // a caller that takes 0 gets it
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.keys);
    ScriptedTerminal t(c.keys);
    const int from = c.usable_from;
    EXPECT_EQ(console::ReadModeNumber(t, c.mode_count, [&](int m) { return m >= from; }), c.mode);
    EXPECT_EQ(t.output, c.echo);
  }
}

}  // namespace
