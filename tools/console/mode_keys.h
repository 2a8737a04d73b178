#pragma once
// The scan-mode number typed at "Select mode: ".
#include <functional>
#include <optional>

#include "tools/console/terminal.h"

namespace console {

// Reads keys until a number is accepted: a digit d is taken (and echoed)
// while 10 m + d stays within `mode_count`; Backspace drops the last digit
// ("\b \b"), and does nothing when no digit is left; Enter ends the number
// when `accept` takes it (then "\n"); Esc (or the end of input) gives no mode; other keys are ignored.
std::optional<int> ReadModeNumber(Terminal& terminal, int mode_count, const std::function<bool(int mode)>& accept);

}  // namespace console
