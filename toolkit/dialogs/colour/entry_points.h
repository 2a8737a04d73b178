#pragma once
// The three entry points of the colour library, held process-wide by slot
// (0 M_ClrInit, 1 M_ClrConvert, 2 M_ClrFree); slots above 2 are refused.
#include <cstdint>

#include "toolkit/outside/color/mwcolor.h"

namespace mwdlg {

using ClrInitFn = decltype(&M_ClrInit);
using ClrConvertFn = decltype(&M_ClrConvert);
using ClrFreeFn = decltype(&M_ClrFree);

constexpr uint32_t kClrEntryCount = 3;

// Null above slot 2.
void* ClrEntryPoint(uint32_t slot);
// Ignored above slot 2.
void SetClrEntryPoint(uint32_t slot, void* entry);
void ClearClrEntryPoints();
// The entry point's name, or null (also before the names are set up).
const char* ClrEntryName(uint32_t slot);

// Sets up the names at load and forgets names and entry points at unload.
class ClrEntryNames {
 public:
  ClrEntryNames();
  ~ClrEntryNames();
  ClrEntryNames(const ClrEntryNames&) = delete;
  ClrEntryNames& operator=(const ClrEntryNames&) = delete;
};

}  // namespace mwdlg
