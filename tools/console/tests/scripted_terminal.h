#pragma once
// A console for in-process tests: keys from a script, output collected.
#include <deque>
#include <string>

#include "tools/console/terminal.h"

namespace consoletest {

class ScriptedTerminal : public console::Terminal {
 public:
  explicit ScriptedTerminal(std::string keys = "") : keys_(keys.begin(), keys.end()) {}
  int GetKey() override {
    if (keys_.empty()) return console::kKeyEndOfInput;
    const int key = static_cast<unsigned char>(keys_.front());
    keys_.pop_front();
    return key;
  }
  bool KeyWaiting() override { return !keys_.empty(); }
  void Write(std::string_view text) override { output.append(text); }

  std::string output;
  size_t KeysLeft() const { return keys_.size(); }

 private:
  std::deque<char> keys_;
};

}  // namespace consoletest
