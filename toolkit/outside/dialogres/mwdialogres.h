#pragma once
// libmwdialogres.so: the colour dialogs' pictures (stand-in) as bitmap
// resources 101-110 of mixed depths (1, 4, 8 and 24 bits; one 8-bit picture
// with a shortened colour table).
#include <cstddef>

#include "toolkit/outside/system/export.h"
#include "toolkit/outside/system/modules.h"

MW_EXPORT const mwsys::ResourceEntry* MwResources(size_t* count);
