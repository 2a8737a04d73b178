#include "toolkit/dialogs/bitmap/mw_bitmap.h"

#include <algorithm>
#include <cstring>

#include "toolkit/dialogs/resources/own_module.h"
#include "toolkit/outside/display/mwdisplay.h"
#include "toolkit/outside/file/mwfile.h"
#include "toolkit/outside/system/dib.h"

namespace mwdlg {

bool PaletteObject::Attach(mwsys::Palette palette) {
  palette_ = palette;
  return palette_ != nullptr;
}

void PaletteObject::DeleteObject() {
  if (palette_) mwsys::DeletePalette(palette_);
  palette_ = nullptr;
}

namespace {
mwsys::Object* CreateBitmap() { return new CMWBitmap; }
}  // namespace

const mwsys::RuntimeClass CMWBitmap::kClass = {"CMWBitmap", 1, &CreateBitmap};

const mwsys::RuntimeClass* CMWBitmap::GetRuntimeClass() const { return &kClass; }

CMWBitmap::~CMWBitmap() { Free(); }

void CMWBitmap::Serialize(void*) {}

int CMWBitmap::CopyFromPicture(const CMWBitmap& other, const MwRect* rect) { return CopyHandle(&other.handle_, rect); }

int CMWBitmap::CopyFromPicture(const CMWBitmap* other, const MwRect* rect) {
  return other ? CopyHandle(&other->handle_, rect) : 0;
}

int CMWBitmap::CopyFromHandle(const MwBitmapHandle* handle, const MwRect* rect) { return CopyHandle(handle, rect); }

bool CMWBitmap::HandleIsAllocated(const MwBitmapHandle* handle) { return MwBitmapAllocated(handle); }

bool CMWBitmap::IsEmpty() const { return !HandleIsAllocated(&handle_); }

void CMWBitmap::Free() {
  if (IsEmpty()) return;
  file_name_.clear();
  MK_FreeBitmap(&handle_);
  std::memset(&handle_, 0, sizeof handle_);
  FreePalette();
}

void CMWBitmap::FreePalette() {
  if (!palette_) return;
  palette_->DeleteObject();
  delete palette_;
  palette_ = nullptr;
}

int CMWBitmap::LoadFromResource(int32_t id, mwsys::Module module, int32_t setting) {
  Free();
  if (!module) module = OwnResourceModule();
  if (!module) return 0;
  const mwsys::ResourceEntry* res = mwsys::FindResource(module, mwsys::kResourceBitmap, id);
  if (!res) return 0;
  // The colour table holds biClrUsed entries when set; header, table and
  // rows must lie within the resource.
  auto layout = mwsys::CheckDib(res->data, res->size);
  if (!layout) return 0;
  const auto* bytes = static_cast<const uint8_t*>(res->data);
  int32_t saved = 0;
  MK_GetSetting(&saved);
  MK_SetSetting(setting);
  const int created =
      MK_CreateFromDib(&handle_, reinterpret_cast<const mwsys::BitmapInfoHeader*>(bytes), bytes + layout->pixel_offset);
  MK_SetSetting(saved);
  return created == 1 ? 1 : 0;
}

int CMWBitmap::LoadFromFile(const char* name, int32_t flags) {
  Free();
  if (!name) return 0;
  file_name_ = name;
  uint8_t info[kMwFileInfoSize];
  if (MF_GetFileInfo(name, info, 0, 0) != 1 || MF_LoadFile(name, &handle_, 0, 4, flags, 0) != 1) {
    file_name_.clear();
    if (HandleIsAllocated(&handle_)) Free();
    return 0;
  }
  if (!MakePalette()) {
    Free();
    return 0;
  }
  return 1;
}

int CMWBitmap::CopyHandle(const MwBitmapHandle* source, const MwRect* rect) {
  if (!HandleIsAllocated(source)) return 0;
  if (source == &handle_) return 1;
  Free();
  if (!rect || rect->left == rect->right || rect->top == rect->bottom)
    return FinishCopy(MK_CopyBitmap(&handle_, source));
  MwRect r = *rect;
  MK_ClipRect(source, 0, &r);
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return FinishCopy(MK_CopyRect(&handle_, source, r.left, r.top, r.right - r.left, r.bottom - r.top));
}

int CMWBitmap::FinishCopy(int copied) {
  if (copied != 1) {
    file_name_.clear();
    return 0;
  }
  if (!MakePalette()) {
    Free();
    return 0;
  }
  return 1;
}

int CMWBitmap::MakePalette() {
  mwsys::DeviceContext dc = mwsys::GetScreenDC();
  mwsys::Palette gdi = MD_CreatePalette(dc, &handle_);
  mwsys::ReleaseDC(dc);
  if (!gdi) return 1;
  FreePalette();
  palette_ = new PaletteObject;
  return palette_->Attach(gdi) ? 1 : 0;
}

int CMWBitmap::Adjust(int32_t value, int32_t option) {
  if (IsEmpty()) return 0;
  if (value == -1) return 1;
  MD_SetDisplayValue(&handle_, value, 1);
  MK_ApplyOption(&handle_, option);
  MD_Refresh(&handle_, 0, 0, 1);
  return 1;
}

int CMWBitmap::LoadAndAdjust(int32_t id, mwsys::Module module, int32_t setting, int32_t value, int32_t option) {
  const int loaded = LoadFromResource(id, module, setting);
  const int adjusted = Adjust(value, option);
  if (loaded == 1 && adjusted != 1) Free();
  return loaded == 1 && adjusted == 1 ? 1 : 0;
}

}  // namespace mwdlg
