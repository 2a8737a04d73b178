#pragma once
// The library's own resources (cursor 500) as an in-process module that the
// application object registers at load and drops at unload.
#include <cstdint>

#include "toolkit/outside/system/modules.h"

namespace mwdlg {

constexpr int32_t kDialogCursorId = 500;

// Null before the application object exists and after it is gone.
mwsys::Module OwnResourceModule();

class DlgApplication {
 public:
  DlgApplication();
  ~DlgApplication();
  DlgApplication(const DlgApplication&) = delete;
  DlgApplication& operator=(const DlgApplication&) = delete;
};

}  // namespace mwdlg
