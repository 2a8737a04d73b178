#include "tools/console/terminal.h"

#include <cstdio>
#include <string>

#include "platform/console.h"

namespace console {

void Terminal::Print(const char* format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? size_t(n) + 1 : 1, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size(), format, again);
  va_end(again);
  text.resize(n > 0 ? size_t(n) : 0);
  Write(text);
}

namespace {

class ProcessConsole : public Terminal {
 public:
  int GetKey() override { return platform::GetKey(); }
  bool KeyWaiting() override { return platform::KeyWaiting(); }
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
};

}  // namespace

Terminal& ProcessTerminal() {
  static ProcessConsole terminal;
  return terminal;
}

}  // namespace console
