#pragma once
// The caller's blocks of one service command: the input block it reads its
// parameters from, the output block it answers in and the out count. Values
// are little-endian and unaligned; a command reads and writes only within
// the lengths the caller gave.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/little_endian.h"

namespace tarvel {

struct ServiceBlocks {
  const uint8_t* in = nullptr;
  size_t in_length = 0;
  uint8_t* out = nullptr;
  size_t out_length = 0;
  int32_t out_count = 0;

  uint8_t U8(size_t at) const { return in[at]; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(platform::LoadLe(in + at, 2)); }
  uint32_t U32(size_t at) const { return platform::LoadLe(in + at, 4); }

  void PutU16(size_t at, uint16_t v) { platform::StoreLe(out + at, v, 2); }
  void PutU32(size_t at, uint32_t v) { platform::StoreLe(out + at, v, 4); }

  // The input block as text: up to its first NUL, never past its length.
  std::string Text() const {
    size_t n = 0;
    while (n < in_length && in[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(in), n);
  }
};

}  // namespace tarvel
