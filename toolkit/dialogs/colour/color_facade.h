#pragma once
// The process-wide entry to the colour engine: start and stop, readiness,
// and the ten conversions with their scalings.
#include <cstdint>

#include "toolkit/dialogs/colour/color_engine.h"
#include "toolkit/dialogs/mwdialogs_api.h"

namespace mwdlg {

// The start record: size 16, flags (bit 0 must be set), model mask, reserved.
struct DlgInitParams {
  int32_t size;
  int32_t flags;
  int32_t mask;
  int32_t reserved;
};
static_assert(sizeof(DlgInitParams) == 16);

class DlgColorFacade {
 public:
  // 1; -1000 already initialised; -13 for a missing record or flag bit 0
  // clear; the engine's -1004 or -1005.
  int Init(const DlgInitParams* params);
  // 1; -1001 not initialised.
  int Free();
  bool data_initialized() const { return engine_.loaded(); }
  // Initialised and that model's flag set (the engine clears the flags when it stops).
  bool IsReady(Ready flag) const { return engine_.ready(flag); }
  const DlgColorEngine& engine() const { return engine_; }

  // 1; -13 null record; -1001 not initialised; -1003 conversion unavailable.
  int RgbToHsb(const DlgColorTriple* s, DlgColorTriple* t) const;
  int RgbToHls(const DlgColorTriple* s, DlgColorTriple* t) const;
  int RgbToCmy(const DlgColorTriple* s, DlgColorTriple* t) const;
  int RgbToCmyk(const DlgColorTriple* s, DlgColorCMYK* t) const;
  int RgbToLab(const DlgColorTriple* s, DlgColorLab* t) const;
  int HsbToRgb(const DlgColorTriple* s, DlgColorTriple* t) const;
  int HlsToRgb(const DlgColorTriple* s, DlgColorTriple* t) const;
  int CmyToRgb(const DlgColorTriple* s, DlgColorTriple* t) const;
  int CmykToRgb(const DlgColorCMYK* s, DlgColorTriple* t) const;
  int LabToRgb(const DlgColorLab* s, DlgColorTriple* t) const;

 private:
  // The checks, then the library's conversion of `in` into `out`.
  int Run(const void* s, const void* t, Direction d, const uint8_t* in, uint8_t* out) const;
  // RGB components (low bytes) into the library's bytes `out`.
  int FromRgb(const DlgColorTriple* s, const void* t, Direction d, uint8_t (&out)[4]) const;
  // The library's bytes `in` into an RGB target.
  int ToRgb(const void* s, DlgColorTriple* t, Direction d, const uint8_t (&in)[4]) const;
  // RGB into hue 0-360 and two components 0-100 (HSB or HLS).
  int RgbToHueTriple(const DlgColorTriple* s, DlgColorTriple* t, Direction d) const;

  DlgColorEngine engine_;
};

}  // namespace mwdlg
