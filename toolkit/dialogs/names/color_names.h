#pragma once
// The built-in colour names: 558 named rows and the empty end row, each with
// a colour value 0x00BBGGRR.
#include <cstddef>
#include <cstdint>

namespace mwdlg {

struct DlgColorName {
  const char* name;  // null in the end row
  uint32_t value;
};

constexpr size_t kColorNameRows = 559;
extern const DlgColorName kDlgColorNameTable[kColorNameRows];

// The first named row holding exactly this value, or null.
const char* FindColorName(uint32_t value);

}  // namespace mwdlg
