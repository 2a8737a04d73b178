#include "toolkit/dialogs/cursor/cursor_holder.h"

#include "toolkit/dialogs/resources/own_module.h"

namespace mwdlg {

DlgCursorHolder::~DlgCursorHolder() {
  if (held_) mwsys::DestroyCursor(held_);
}

int DlgCursorHolder::Set(int32_t type, mwsys::Cursor cursor) {
  if (type != 0) return 0;
  mwsys::Cursor copy = nullptr;
  if (cursor) {
    copy = mwsys::CopyCursor(cursor);
    if (!copy) return 0;
  }
  if (held_) mwsys::DestroyCursor(held_);
  held_ = copy;
  return 1;
}

int DlgCursorHolder::Get(int32_t type, mwsys::Cursor* out) const {
  if (!out || type != 0) return 0;
  *out = held_ ? mwsys::CopyCursor(held_) : mwsys::LoadSharedCursor(OwnResourceModule(), kDialogCursorId);
  return 1;
}

}  // namespace mwdlg
