#pragma once
// The colour engine: the colour library, a pair of conversion handles per
// colour model, the models' ready flags and two rows of five pictures.
#include <cstdint>

#include "toolkit/dialogs/bitmap/mw_bitmap.h"
#include "toolkit/outside/color/mwcolor.h"
#include "toolkit/outside/system/modules.h"

namespace mwdlg {

// Colour-space codes of the colour library.
using ColorSpace = MwColorSpace;

// Colour-model mask bits.
enum ModelMask : uint32_t {
  kMaskRgb = 0x01,
  kMaskCmyk = 0x02,
  kMaskCmy = 0x04,
  kMaskHsbBrightness = 0x08,
  kMaskHsbHue = 0x10,
  kMaskHsbWheel = 0x20,
  kMaskHls = 0x40,
  kMaskLab = 0x80,
};

enum class Ready { kRgb, kCmy, kCmyk, kHsbHue, kHsbWheel, kHsbBrightness, kHls, kLab };

// The ten conversion handles.
enum class Direction {
  kCmykToRgb,
  kRgbToCmyk,
  kRgbToCmy,
  kCmyToRgb,
  kRgbToHsb,
  kHsbToRgb,
  kHlsToRgb,
  kRgbToHls,
  kLabToRgb,
  kRgbToLab,
};

enum class PictureRow { kColorDialog = 0, kCustomizePalette = 1 };
constexpr int kPicturesPerRow = 5;

constexpr int kClrParamsSize = kMwClrParamsSize;

class DlgColorEngine {
 public:
  DlgColorEngine() = default;
  // Frees the pictures; neither frees the handles nor unloads the colour library.
  ~DlgColorEngine() = default;
  DlgColorEngine(const DlgColorEngine&) = delete;
  DlgColorEngine& operator=(const DlgColorEngine&) = delete;

  // On a stopped engine: 1, -1004 (colour library, entry point or a pair),
  // -1005 (no resource library).
  int Start(uint32_t mask);
  // Frees every conversion handle, unloads the colour library, frees the
  // pictures and clears everything.
  void Release();

  bool loaded() const { return loaded_; }
  bool ready(Ready flag) const { return ready_[static_cast<int>(flag)]; }
  void* handle(Direction d) const { return handles_[static_cast<int>(d)]; }
  const CMWBitmap& picture(PictureRow row, int index) const { return pictures_[static_cast<int>(row)][index]; }

  // M_ClrConvert through the handle of that direction; false without it.
  bool Convert(Direction d, const uint8_t* source, uint8_t* target) const;

 private:
  int LoadColorLibrary();
  void UnloadColorLibrary();
  int SetUpModels(uint32_t mask);
  bool MakePair(ColorSpace space, Direction to_rgb, Direction from_rgb);
  void LoadPictures(int index, int32_t dialog_id, int32_t palette_id);
  bool PicturesHeld(int index) const;
  bool Both(Direction a, Direction b) const { return handle(a) && handle(b); }
  void FreeHandle(Direction d);

  mwsys::Module color_library_ = nullptr;
  mwsys::Module resource_library_ = nullptr;
  bool loaded_ = false;
  void* handles_[10] = {};
  bool ready_[8] = {};
  CMWBitmap pictures_[2][kPicturesPerRow];
};

}  // namespace mwdlg
