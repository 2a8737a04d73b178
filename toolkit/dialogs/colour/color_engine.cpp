#include "toolkit/dialogs/colour/color_engine.h"

#include <cstring>

#include "toolkit/dialogs/colour/entry_points.h"

namespace mwdlg {
namespace {

constexpr int32_t kPictureSetting = 128;

// All zero except the size, the method (at 4 and 804) and 8 at 808.
void FillParams(uint8_t (&block)[kClrParamsSize], int32_t method) {
  std::memset(block, 0, sizeof block);
  const int32_t size = kClrParamsSize, eight = 8;
  std::memcpy(block + 0, &size, 4);
  std::memcpy(block + 4, &method, 4);
  std::memcpy(block + 804, &method, 4);
  std::memcpy(block + 808, &eight, 4);
}

}  // namespace

int DlgColorEngine::LoadColorLibrary() {
  color_library_ = mwsys::LoadLibrary("mwcolor.DLL");
  if (!color_library_) return -1004;
  for (uint32_t slot = 0; slot < kClrEntryCount; ++slot) {
    void* entry = ClrEntryName(slot) ? mwsys::GetProcAddress(color_library_, ClrEntryName(slot)) : nullptr;
    if (!entry) {
      UnloadColorLibrary();
      return -1004;
    }
    SetClrEntryPoint(slot, entry);
  }
  return 1;
}

void DlgColorEngine::UnloadColorLibrary() {
  if (color_library_) mwsys::FreeLibrary(color_library_);
  color_library_ = nullptr;
  ClearClrEntryPoints();
}

int DlgColorEngine::Start(uint32_t mask) {
  if (int r = LoadColorLibrary(); r != 1) return r;
  resource_library_ = mwsys::LoadLibrary("mwdialogres.DLL");
  if (!resource_library_) {
    UnloadColorLibrary();
    return -1005;
  }
  const int outcome = SetUpModels(mask);
  mwsys::FreeLibrary(resource_library_);
  resource_library_ = nullptr;
  if (outcome != 1) {
    Release();
    return -1004;
  }
  loaded_ = true;
  return 1;
}

bool DlgColorEngine::MakePair(ColorSpace space, Direction to_rgb, Direction from_rgb) {
  auto init = reinterpret_cast<ClrInitFn>(ClrEntryPoint(0));
  uint8_t params[kClrParamsSize];
  FillParams(params, space == kMwSpaceCmyk ? 2 : 1);
  auto make = [&](Direction d, int32_t source, int32_t target) {
    void* h = nullptr;
    init(&h, source, target, params);
    handles_[static_cast<int>(d)] = h;
  };
  if (space == kMwSpaceCmyk || space == kMwSpaceCmy) {
    make(to_rgb, space, kMwSpaceRgb);
    make(from_rgb, kMwSpaceRgb, space);
  } else {
    make(from_rgb, kMwSpaceRgb, space);
    make(to_rgb, space, kMwSpaceRgb);
  }
  return Both(to_rgb, from_rgb);
}

void DlgColorEngine::LoadPictures(int index, int32_t dialog_id, int32_t palette_id) {
  pictures_[0][index].LoadAndAdjust(dialog_id, resource_library_, kPictureSetting, -1, 0);
  pictures_[1][index].LoadAndAdjust(palette_id, resource_library_, kPictureSetting, -1, 0);
}

bool DlgColorEngine::PicturesHeld(int index) const {
  return !pictures_[0][index].IsEmpty() && !pictures_[1][index].IsEmpty();
}

int DlgColorEngine::SetUpModels(uint32_t mask) {
  auto set = [&](Ready flag, bool complete) { ready_[static_cast<int>(flag)] = complete; };
  if (mask & kMaskCmyk) {
    if (!MakePair(kMwSpaceCmyk, Direction::kCmykToRgb, Direction::kRgbToCmyk)) return -1004;
    LoadPictures(1, 102, 107);
    set(Ready::kCmyk, PicturesHeld(1));
  }
  if (mask & kMaskCmy) {
    if (!MakePair(kMwSpaceCmy, Direction::kCmyToRgb, Direction::kRgbToCmy)) return -1004;
    LoadPictures(0, 101, 106);
    set(Ready::kCmy, PicturesHeld(0));
  }
  if (mask & kMaskHls) {
    if (!MakePair(kMwSpaceHls, Direction::kHlsToRgb, Direction::kRgbToHls)) return -1004;
    set(Ready::kHls, true);
  }
  if (mask & kMaskLab) {
    if (!MakePair(kMwSpaceLab, Direction::kLabToRgb, Direction::kRgbToLab)) return -1004;
    set(Ready::kLab, true);
  }
  if (!MakePair(kMwSpaceHsb, Direction::kHsbToRgb, Direction::kRgbToHsb)) return -1004;
  if (mask & kMaskRgb) {
    LoadPictures(4, 105, 110);
    set(Ready::kRgb, PicturesHeld(4));
  }
  if (mask & kMaskHsbHue) set(Ready::kHsbHue, true);
  if (mask & kMaskHsbBrightness) {
    LoadPictures(2, 103, 108);
    set(Ready::kHsbBrightness, PicturesHeld(2));
  }
  if (mask & kMaskHsbWheel) {
    LoadPictures(3, 104, 109);
    set(Ready::kHsbWheel, PicturesHeld(3));
  }
  return 1;
}

void DlgColorEngine::FreeHandle(Direction d) {
  void*& h = handles_[static_cast<int>(d)];
  if (h) reinterpret_cast<ClrFreeFn>(ClrEntryPoint(2))(h);
  h = nullptr;
}

void DlgColorEngine::Release() {
  // Every handle made is freed, whether or not its model became ready.
  const Direction order[] = {Direction::kCmykToRgb, Direction::kRgbToCmyk, Direction::kCmyToRgb, Direction::kRgbToCmy,
                             Direction::kHlsToRgb,  Direction::kRgbToHls,  Direction::kLabToRgb, Direction::kRgbToLab,
                             Direction::kHsbToRgb,  Direction::kRgbToHsb};
  if (ClrEntryPoint(2)) {
    for (Direction d : order) FreeHandle(d);
  }
  UnloadColorLibrary();
  for (auto& row : pictures_) {
    for (auto& p : row) p.Free();
  }
  loaded_ = false;
  for (auto& r : ready_) r = false;
  for (auto& h : handles_) h = nullptr;
}

bool DlgColorEngine::Convert(Direction d, const uint8_t* source, uint8_t* target) const {
  void* h = handle(d);
  auto convert = reinterpret_cast<ClrConvertFn>(ClrEntryPoint(1));
  if (!h || !convert) return false;
  convert(h, source, target, 1, 1, 0, 0);
  return true;
}

}  // namespace mwdlg
