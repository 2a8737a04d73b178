#include "tools/console/terminal.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

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
  // A program that ends on an unfinished line ("[Press any key to end]")
  // finishes it, so the shell's prompt starts on a line of its own.
  ~ProcessConsole() override {
    if (line_open_) Write("\n");
  }

  int GetKey() override {
    const int c = NextByte();
    if (c != kKeyEscape || !ByteWithin(kEscapeWaitMs)) return c;
    const int next = NextByte();
    if (next == kKeyEscape || next == kKeyEndOfInput) {
      pending_ = next;  // Esc Esc: two keys
      return kKeyEscape;
    }
    if (next == '[') {
      // CSI: parameter and intermediate bytes up to a final byte 0x40..0x7E;
      // "ESC [ [ A" (the Linux console's F1) has one byte more.
      int b = ByteWithin(kEscapeWaitMs) ? NextByte() : kKeyEndOfInput;
      if (b == '[') b = ByteWithin(kEscapeWaitMs) ? NextByte() : kKeyEndOfInput;
      while (b >= 0x20 && b < 0x40) b = ByteWithin(kEscapeWaitMs) ? NextByte() : kKeyEndOfInput;
    } else if (next == 'O') {
      if (ByteWithin(kEscapeWaitMs)) NextByte();  // SS3: one final byte
    }
    // Anything else after Esc (Alt with a key) is one key as well.
    return kKeySequence;
  }
  bool KeyWaiting() override { return pending_ || platform::KeyWaiting(); }
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!text.empty()) line_open_ = text.back() != '\n';
  }

 private:
  int NextByte() {
    if (pending_) {
      const int c = *pending_;
      pending_.reset();
      return c;
    }
    return platform::GetKey();
  }
  bool ByteWithin(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!KeyWaiting()) {
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::optional<int> pending_;
  bool line_open_ = false;
};

}  // namespace

Terminal& ProcessTerminal() {
  static ProcessConsole terminal;
  return terminal;
}

}  // namespace console
