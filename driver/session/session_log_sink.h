#pragma once
// The session log as the log sink of acquisition and the stream poll.
#include <string_view>

#include "driver/acquisition/log_sink.h"
#include "driver/config/session_log.h"

namespace tarvel {

class SessionLogSink : public LogSink {
 public:
  void Write(std::string_view text) override { LogPrintf("%.*s", static_cast<int>(text.size()), text.data()); }
  void Flush() override { FlushSessionLog(); }
};

}  // namespace tarvel
