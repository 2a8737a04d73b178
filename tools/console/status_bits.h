#pragma once
// The status word as the consoles show it.
#include <cstdint>
#include <string>

namespace console {

// 35 characters of '0' and '1', bit 31 first, a blank after every 8 bits.
std::string FormatStatusBits(uint32_t status);

}  // namespace console
