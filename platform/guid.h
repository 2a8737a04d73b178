#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A 128-bit interface identifier and its braced text form
// "{F9C09906-CE55-4048-B537-DEF9B9D36A64}" (upper-case hexadecimal).
namespace platform {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
  bool operator==(const Guid&) const = default;
};

std::string GuidText(const Guid& guid);
// Reads the braced form (braces optional, hex digits without case).
std::optional<Guid> ParseGuid(std::string_view text);

}  // namespace platform
