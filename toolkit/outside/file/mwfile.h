#pragma once
// libmwfile.so: the toolkit's file reading (stand-in), for bitmap files
// ("BM", an information header, colour table, pixel rows). Calls are
// recorded as "mwfile.<ordinal>" and fail when that name is set failing.
#include <cstdint>

#include "toolkit/outside/kernel/mwkernel.h"

constexpr int kMwFileInfoSize = 1136;

// 100: fills the 1136-byte information buffer (int32 width, height, bit
// count, file size, then zeros); 1 when the file is a readable bitmap.
MW_EXPORT int MF_GetFileInfo(const char* name, void* info, int32_t page, int32_t reserved);
// 101: loads the file into the handle; 1 when loaded.
MW_EXPORT int MF_LoadFile(const char* name, MwBitmapHandle* handle, int32_t page, int32_t bits, int32_t flags,
                          int32_t reserved);
