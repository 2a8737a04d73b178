#include "toolkit/dialogs/api/library.h"

#include "toolkit/dialogs/bitmap/mw_bitmap.h"
#include "toolkit/dialogs/colour/entry_points.h"
#include "toolkit/dialogs/resources/own_module.h"

namespace mwdlg {
namespace {

class BitmapClassRegistration {
 public:
  BitmapClassRegistration() { mwsys::RegisterClass(&CMWBitmap::kClass); }
  ~BitmapClassRegistration() { mwsys::UnregisterClass(&CMWBitmap::kClass); }
};

struct Library {
  BitmapClassRegistration bitmap_class;
  ClrEntryNames entry_names;
  DlgColorFacade facade;
  DlgStringTable strings;
  DlgCursorHolder cursor;
  DlgApplication application;
};

Library g_library;
DlgCallbackSlot g_callback;  // {0, 0} at load

}  // namespace

DlgColorFacade& Facade() { return g_library.facade; }
DlgStringTable& Strings() { return g_library.strings; }
DlgCursorHolder& CursorHolder() { return g_library.cursor; }
DlgCallbackSlot& CallbackSlot() { return g_callback; }

}  // namespace mwdlg
