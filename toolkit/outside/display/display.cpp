#include <vector>

#include "toolkit/outside/display/mwdisplay.h"
#include "toolkit/outside/system/standin_control.h"

namespace {
bool Call(int ordinal) { return mwsys::OrdinalCallPasses("mwdisplay", ordinal); }
}  // namespace

MW_EXPORT int MD_SetDisplayValue(MwBitmapHandle* handle, int32_t value, int32_t) {
  if (!Call(113) || !MwBitmapAllocated(handle)) return 0;
  handle->brightness = value;
  return 1;
}

MW_EXPORT int MD_Refresh(MwBitmapHandle* handle, int32_t, int32_t, int32_t) {
  return Call(119) && MwBitmapAllocated(handle) ? 1 : 0;
}

MW_EXPORT mwsys::Palette MD_CreatePalette(mwsys::DeviceContext dc, const MwBitmapHandle* handle) {
  if (!Call(122) || !dc || !MwBitmapAllocated(handle)) return nullptr;
  const uint32_t* table = MK_ColorTable(handle);
  if (!table) return nullptr;
  return mwsys::CreatePalette(std::vector<uint32_t>(table, table + handle->colors));
}
