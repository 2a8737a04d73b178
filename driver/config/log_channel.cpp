#include "driver/config/log_channel.h"

#include "platform/clock.h"
#include "platform/debug_output.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace tarvel {

LogChannel::LogChannel(const char* name) : name_(name) {}

void LogChannel::SetOutputs(uint32_t outputs, std::FILE* file) {
  outputs_ = outputs;
  file_ = file;
}

void LogChannel::Write(const char* format, ...) {
  char line[kLineLimit + 1];
  size_t used = 0;
  auto room = [&] { return sizeof line - used; };
  auto advance = [&](int n) {
    if (n > 0) used += std::min(size_t(n), room() - 1);
  };
  if (format_ & kTickPrefix) {
    uint32_t now = platform::GetTickCount();
    advance(std::snprintf(line + used, room(), "%08d", int(now)));
    if (format_ & kDeltaPrefix) {
      advance(std::snprintf(line + used, room(), "(%04d)", int(now - last_tick_)));
      last_tick_ = now;
    }
    advance(std::snprintf(line + used, room(), " "));
  }
  if ((format_ & kNamePrefix) && name_) advance(std::snprintf(line + used, room(), "%s: ", name_));
  va_list args;
  va_start(args, format);
  std::vsnprintf(line + used, room(), format, args);
  va_end(args);
  Emit(line);
}

void LogChannel::Emit(const char* line) {
  if (outputs_ & kConsole) std::fputs(line, stdout);
  if (outputs_ & kDebugger) platform::OutputDebugString(line);
  if ((outputs_ & kFile) && file_) {
    std::fputs(line, file_);
    std::fflush(file_);
  }
}

void LogChannel::HexDump(const void* bytes, size_t length) {
  static const char* hex = "0123456789ABCDEF";
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t start = 0; start < length; start += 16) {
    char line[81];
    std::memset(line, ' ', 80);
    line[80] = 0;
    uint16_t offset = uint16_t(start);
    line[0] = hex[(offset >> 12) & 15];
    line[1] = hex[(offset >> 8) & 15];
    line[2] = hex[(offset >> 4) & 15];
    line[3] = hex[offset & 15];
    line[4] = ':';
    size_t n = std::min<size_t>(16, length - start);
    for (size_t i = 0; i < n; ++i) {
      uint8_t b = p[start + i];
      size_t at = 6 + i * 3 + i / 4;
      line[at] = hex[b >> 4];
      line[at + 1] = hex[b & 15];
      line[59 + i] = (b < 0x20 || b > 0x7F) ? '.' : char(b);
    }
    line[59 + n] = '\n';
    line[60 + n] = 0;
    Write("%s", line);
  }
}

void TraceStart(int, int, int, const char*) {}
void TraceEnd() {}
void TraceMask(uint32_t) {}

}  // namespace tarvel
