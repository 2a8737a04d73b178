#pragma once
// Text handed out in a caller's C buffer.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tarvel {

// Out-buffers that callers hand over without a length hold this many
// characters, the terminator included.
constexpr size_t kUnsizedBufferChars = 256;

// Copies as much of `text` as fits into `buffer` of `size` (at least 1)
// characters, with its terminator; the characters copied.
inline size_t CopyToBuffer(std::string_view text, char* buffer, size_t size) {
  const size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// CopyToBuffer into a buffer handed over without a length.
inline size_t CopyToUnsizedBuffer(std::string_view text, char* buffer) {
  return CopyToBuffer(text, buffer, kUnsizedBufferChars);
}

}  // namespace tarvel
