#include "driver/config/log_sink.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace tarvel {

void Logf(LogSink& sink, const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    va_end(again);
    sink.Write(std::string_view(small, static_cast<size_t>(n)));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), format, again);
  va_end(again);
  big.resize(static_cast<size_t>(n));
  sink.Write(big);
}

std::string WithSystemError(std::string what, int error) {
  if (error != 0) what += std::string(" (") + std::strerror(error) + ")";
  return what;
}

}  // namespace tarvel
