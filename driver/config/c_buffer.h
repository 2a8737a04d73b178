#pragma once
// Text handed out in a caller's C buffer.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tarvel {

// Copies as much of `text` as fits into `buffer` of `size` (at least 1)
// characters, with its terminator; the characters copied.
inline size_t CopyToBuffer(std::string_view text, char* buffer, size_t size) {
  const size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace tarvel
