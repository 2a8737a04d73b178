#pragma once
#include <cstdint>

// Little-endian fields of the drivers' records and replies: the value of
// 1-4 bytes, and a value stored into them.
namespace platform {

constexpr uint32_t LoadLe(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return v;
}

constexpr void StoreLe(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace platform
