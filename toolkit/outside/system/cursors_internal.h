#pragma once
#include "toolkit/outside/system/modules.h"

namespace mwsys {
// Drops the shared cursors a module owns (at its unload).
void ForgetSharedCursorsOf(Module module);
}  // namespace mwsys
