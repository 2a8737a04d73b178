#pragma once
#include <functional>
#include <string>
#include <string_view>

// Debugger output (the OutputDebugString stand-in). Nothing listens by
// default, so the text is dropped; a test installs a sink to capture it.
namespace platform {

void OutputDebugString(std::string_view text);

using DebugOutputSink = std::function<void(std::string_view)>;
// Installs the sink (an empty one drops the text again); returns the previous.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// Collects the debugger output while it lives.
class DebugOutputCapture {
 public:
  DebugOutputCapture();
  ~DebugOutputCapture();
  DebugOutputCapture(const DebugOutputCapture&) = delete;
  DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;
  std::string text() const;

 private:
  struct State;
  State* state_;
  DebugOutputSink previous_;
};

}  // namespace platform
