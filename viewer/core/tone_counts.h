#pragma once
// How often each 16-bit tone occurs among pixels.
#include <array>
#include <cstddef>
#include <cstdint>

namespace viewer {

using ToneCounts = std::array<uint32_t, 65536>;

// Adds one to counts[tone] for each of the n pixels.
void CountTones(const uint16_t* pixels, size_t n, ToneCounts& counts);

}  // namespace viewer
