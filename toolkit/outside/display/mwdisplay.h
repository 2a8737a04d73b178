#pragma once
// libmwdisplay.so: the toolkit's display calls (stand-in). Calls are
// recorded as "mwdisplay.<ordinal>" and fail when that name is set failing.
#include <cstdint>

#include "toolkit/outside/kernel/mwkernel.h"
#include "toolkit/outside/system/gdi.h"

// 113: display value of the bitmap (third argument: apply now).
MW_EXPORT int MD_SetDisplayValue(MwBitmapHandle* handle, int32_t value, int32_t apply);
// 119: refreshes the bitmap's display state.
MW_EXPORT int MD_Refresh(MwBitmapHandle* handle, int32_t x, int32_t y, int32_t redraw);
// 122: a palette of the bitmap's colour table on the device context, or
// null for a bitmap without colour table.
MW_EXPORT mwsys::Palette MD_CreatePalette(mwsys::DeviceContext dc, const MwBitmapHandle* handle);
