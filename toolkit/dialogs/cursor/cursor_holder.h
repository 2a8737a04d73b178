#pragma once
// The dialogs' custom cursor: a private copy, or none (then the library's
// cursor resource 500 applies).
#include <cstdint>

#include "toolkit/outside/system/cursors.h"

namespace mwdlg {

class DlgCursorHolder {
 public:
  DlgCursorHolder() = default;
  ~DlgCursorHolder();
  DlgCursorHolder(const DlgCursorHolder&) = delete;
  DlgCursorHolder& operator=(const DlgCursorHolder&) = delete;

  // 1 done; 0 for a type other than 0 or a cursor that cannot be copied
  // (the held copy then stays).
  int Set(int32_t type, mwsys::Cursor cursor);
  // 1 with a new copy of the held cursor, or the shared resource cursor;
  // 0 for a type other than 0 or no out pointer.
  int Get(int32_t type, mwsys::Cursor* out) const;

 private:
  mwsys::Cursor held_ = nullptr;
};

}  // namespace mwdlg
