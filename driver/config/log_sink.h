#pragma once
// Where every layer of the driver writes its log lines. The session owns the
// sink over the session log (a `SessionLogSink`, owning its stream) and
// hands it down; without a stream the lines are formatted and dropped.
#include <string>
#include <string_view>

namespace tarvel {

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Write(std::string_view text) = 0;
  virtual void Flush() {}
};

class NullLogSink : public LogSink {
 public:
  void Write(std::string_view) override {}
};

// Formats a line (or part of one) into the sink.
void Logf(LogSink& sink, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The cause of a storage failure: `what`, with the system's text of
// `error` in brackets when there is one.
std::string WithSystemError(std::string what, int error);

}  // namespace tarvel
