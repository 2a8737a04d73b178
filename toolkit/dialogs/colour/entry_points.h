#pragma once
// The three entry points of the colour library, held process-wide by slot
// (0 M_ClrInit, 1 M_ClrConvert, 2 M_ClrFree); slots above 2 are refused.
#include <cstdint>

namespace mwdlg {

using ClrInitFn = int (*)(void** handle, int32_t source, int32_t target, const void* params);
using ClrConvertFn = int (*)(void* handle, const uint8_t* source, uint8_t* target, int32_t, int32_t, int32_t, int32_t);
using ClrFreeFn = int (*)(void* handle);

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
