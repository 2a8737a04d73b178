#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// A log channel: formatted lines with optional prefixes to the console
// stream, the debugger output and/or a file, chosen by output bits. The
// library's one channel, "KPUDLL" (held by the library's state,
// driver/api/library.h), selects no output and so writes nothing; every log
// line of the driver goes to the session log (session_log.h).
namespace tarvel {

class LogChannel {
 public:
  // Output bits.
  static constexpr uint32_t kConsole = 1;  // standard output stream
  static constexpr uint32_t kDebugger = 2;  // debugger output
  static constexpr uint32_t kFile = 4;  // the channel's file
  // Format bits.
  static constexpr uint32_t kTickPrefix = 0x1;  // "%08d " tick count
  static constexpr uint32_t kDeltaPrefix = 0x2;  // "(%04d)" ms since the last line, with the tick only
  static constexpr uint32_t kNamePrefix = 0x100;  // "%s: " channel name
  static constexpr size_t kLineLimit = 8191;

  explicit LogChannel(const char* name);

  void SetOutputs(uint32_t outputs, std::FILE* file);
  uint32_t Outputs() const { return outputs_; }
  void SetLevel(uint32_t level) { level_ = level; }
  uint32_t Level() const { return level_; }
  void SetFormat(uint32_t format) { format_ = format; }
  uint32_t Format() const { return format_; }

  // `Log_Write`: one line of at most 8191 characters (prefixes included).
  void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // `Log_HexDump`: 16 bytes a line: offset, hex bytes, characters.
  void HexDump(const void* bytes, size_t length);

 private:
  void Emit(const char* line);

  uint32_t level_ = 3;
  uint32_t outputs_ = 0;
  std::FILE* file_ = nullptr;
  uint32_t format_ = kNamePrefix;
  const char* name_;
  uint32_t last_tick_ = 0;
};

// Trace start, end and mask: empty in this library.
void TraceStart(int level, int format, int outputs, const char* file_name);
void TraceEnd();
void TraceMask(uint32_t mask);

}  // namespace tarvel
