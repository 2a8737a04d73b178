// The exports: argument checks live in the objects they reach.
#include "toolkit/dialogs/api/library.h"
#include "toolkit/dialogs/colour/scaling.h"
#include "toolkit/dialogs/names/color_names.h"

#include <cstring>

using mwdlg::Facade;
using mwdlg::Ready;

MW_EXPORT int M_DlgGetStringLen2(uint32_t index, int32_t* length) { return mwdlg::Strings().Length(index, length); }
MW_EXPORT int M_DlgSetString2(uint32_t index, const char* text) { return mwdlg::Strings().Set(index, text); }
MW_EXPORT int M_DlgGetString2(uint32_t index, char* buffer) { return mwdlg::Strings().Get(index, buffer); }

MW_EXPORT DlgCallBack M_DlgSetCallBack(DlgCallBack callback, int32_t user) {
  mwdlg::DlgCallbackSlot& slot = mwdlg::CallbackSlot();
  DlgCallBack previous = slot.callback;
  slot.callback = callback;
  slot.user = user;
  return previous;
}

MW_EXPORT DlgCallBack M_DlgGetCallBack(int32_t* user) {
  if (user) *user = mwdlg::CallbackSlot().user;
  return mwdlg::CallbackSlot().callback;
}

MW_EXPORT int M_DlgSetCursor(int32_t type, mwsys::Cursor cursor) { return mwdlg::CursorHolder().Set(type, cursor); }
MW_EXPORT int M_DlgGetCursor(int32_t type, mwsys::Cursor* cursor) { return mwdlg::CursorHolder().Get(type, cursor); }

MW_EXPORT int M_DlgInit() {
  const mwdlg::DlgInitParams params = {sizeof(mwdlg::DlgInitParams), 1, 0xFF, 0};
  return Facade().Init(&params);
}
MW_EXPORT int M_DlgFree() { return Facade().Free(); }
MW_EXPORT int M_DlgIsDataInitialized() { return Facade().data_initialized() ? 1 : 0; }

MW_EXPORT int M_DlgIsRGBInitialized() { return Facade().IsReady(Ready::kRgb); }
MW_EXPORT int M_DlgIsCMYInitialized() { return Facade().IsReady(Ready::kCmy); }
MW_EXPORT int M_DlgIsCMYKInitialized() { return Facade().IsReady(Ready::kCmyk); }
MW_EXPORT int M_DlgIsHSBHueInitialized() { return Facade().IsReady(Ready::kHsbHue); }
MW_EXPORT int M_DlgIsHSBWheelInitialized() { return Facade().IsReady(Ready::kHsbWheel); }
MW_EXPORT int M_DlgIsHSBBrightnessInitialized() { return Facade().IsReady(Ready::kHsbBrightness); }
MW_EXPORT int M_DlgIsHLSInitialized() { return Facade().IsReady(Ready::kHls); }
MW_EXPORT int M_DlgIsLabInitialized() { return Facade().IsReady(Ready::kLab); }

MW_EXPORT int M_DlgConvertColorRGBToHSB(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().RgbToHsb(s, t); }
MW_EXPORT int M_DlgConvertColorRGBToHLS(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().RgbToHls(s, t); }
MW_EXPORT int M_DlgConvertColorRGBToCMY(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().RgbToCmy(s, t); }
MW_EXPORT int M_DlgConvertColorRGBToCMYK(const DlgColorTriple* s, DlgColorCMYK* t) { return Facade().RgbToCmyk(s, t); }
MW_EXPORT int M_DlgConvertColorRGBToLab(const DlgColorTriple* s, DlgColorLab* t) { return Facade().RgbToLab(s, t); }
MW_EXPORT int M_DlgConvertColorHSBToRGB(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().HsbToRgb(s, t); }
MW_EXPORT int M_DlgConvertColorHLSToRGB(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().HlsToRgb(s, t); }
MW_EXPORT int M_DlgConvertColorCMYToRGB(const DlgColorTriple* s, DlgColorTriple* t) { return Facade().CmyToRgb(s, t); }
MW_EXPORT int M_DlgConvertColorCMYKToRGB(const DlgColorCMYK* s, DlgColorTriple* t) { return Facade().CmykToRgb(s, t); }
MW_EXPORT int M_DlgConvertColorLabToRGB(const DlgColorLab* s, DlgColorTriple* t) { return Facade().LabToRgb(s, t); }
MW_EXPORT int M_DlgGetColorRange(int32_t index) { return mwdlg::ColorRange(index); }

MW_EXPORT int M_DlgGetColorNameLen(uint32_t color) {
  const char* name = Facade().data_initialized() ? mwdlg::FindColorName(color) : nullptr;
  return name ? static_cast<int>(std::strlen(name)) + 1 : -1;
}

MW_EXPORT int M_DlgGetColorName(uint32_t color, char* buffer) {
  if (!buffer) return kDlgInvalid;
  const char* name = Facade().data_initialized() ? mwdlg::FindColorName(color) : nullptr;
  if (!name) name = "";
  std::memcpy(buffer, name, std::strlen(name) + 1);
  return 1;
}

namespace {
int CopyPicture(mwdlg::PictureRow row, MwBitmapHandle* target, uint32_t index) {
  if (!target || mwdlg::CMWBitmap::HandleIsAllocated(target) || index >= mwdlg::kPicturesPerRow) return 0;
  MK_CopyPicture(target, &Facade().engine().picture(row, static_cast<int>(index)).handle());
  return 1;
}
}  // namespace

MW_EXPORT int M_DlgGetColorDlgBitmap(MwBitmapHandle* target, uint32_t index) {
  return CopyPicture(mwdlg::PictureRow::kColorDialog, target, index);
}
MW_EXPORT int M_DlgGetCustomizePalDlgBitmap(MwBitmapHandle* target, uint32_t index) {
  return CopyPicture(mwdlg::PictureRow::kCustomizePalette, target, index);
}
