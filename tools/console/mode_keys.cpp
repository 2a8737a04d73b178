#include "tools/console/mode_keys.h"

namespace console {

std::optional<int> ReadModeNumber(Terminal& terminal, int mode_count, const std::function<bool(int mode)>& accept) {
  int m = 0;
  int typed = 0;  // digits echoed: Backspace takes back only these
  for (;;) {
    const int key = terminal.GetKey();
    if (IsEscape(key)) return std::nullopt;
    if (key >= '0' && key <= '9') {
      const long long next = 10LL * m + (key - '0');
      if (next <= mode_count) {
        m = int(next);
        ++typed;
        terminal.Print("%c", key);
      }
    } else if (key == kKeyBackspace && typed > 0) {
      --typed;
      m /= 10;
      terminal.Write("\b \b");
    } else if (key == kKeyEnter && accept(m)) {
      terminal.Write("\n");
      return m;
    }
  }
}

}  // namespace console
