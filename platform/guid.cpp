#include "platform/guid.h"

#include <cstdio>

#include "platform/ascii.h"

namespace platform {

std::string GuidText(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

std::optional<Guid> ParseGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return std::nullopt;
  auto hex = [&](size_t from, size_t digits, uint64_t* value) {
    *value = 0;
    for (size_t i = from; i < from + digits; ++i) {
      int d = HexDigit(text[i]);
      if (d < 0) return false;
      *value = *value * 16 + static_cast<uint64_t>(d);
    }
    return true;
  };
  Guid g;
  uint64_t v = 0;
  if (!hex(0, 8, &v)) return std::nullopt;
  g.data1 = static_cast<uint32_t>(v);
  if (!hex(9, 4, &v)) return std::nullopt;
  g.data2 = static_cast<uint16_t>(v);
  if (!hex(14, 4, &v)) return std::nullopt;
  g.data3 = static_cast<uint16_t>(v);
  const size_t offsets[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!hex(offsets[i], 2, &v)) return std::nullopt;
    g.data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

}  // namespace platform
