#pragma once
// The library's process-wide objects, built at load in this order and
// destroyed in reverse: the CMWBitmap class registration, the names of the
// colour library's entry points, the colour facade, the string table, the
// cursor holder and the application object.
#include "toolkit/dialogs/colour/color_facade.h"
#include "toolkit/dialogs/cursor/cursor_holder.h"
#include "toolkit/dialogs/strings/string_table.h"

namespace mwdlg {

struct DlgCallbackSlot {
  DlgCallBack callback = nullptr;
  int32_t user = 0;
};

DlgColorFacade& Facade();
DlgStringTable& Strings();
DlgCursorHolder& CursorHolder();
DlgCallbackSlot& CallbackSlot();

}  // namespace mwdlg
