#include "toolkit/dialogs/colour/color_facade.h"

#include "toolkit/dialogs/colour/scaling.h"

namespace mwdlg {
namespace {

// Byte -> component: b x numerator / 255.
int32_t FromByte(uint8_t b, int64_t numerator) { return static_cast<int32_t>(ScaleRounded(b, numerator, 255)); }
uint8_t Low(int32_t v) { return static_cast<uint8_t>(v & 0xFF); }

// The low bytes of an RGB or CMY triple.
void LowBytes(const DlgColorTriple* s, uint8_t (&in)[4]) {
  if (s) in[0] = Low(s->c0), in[1] = Low(s->c1), in[2] = Low(s->c2);
}

}  // namespace

int DlgColorFacade::Init(const DlgInitParams* params) {
  if (engine_.loaded()) return kDlgAlreadyInitialized;
  if (!params || (params->flags & 1) == 0) return kDlgInvalid;
  return engine_.Start(static_cast<uint32_t>(params->mask));
}

int DlgColorFacade::Free() {
  if (!engine_.loaded()) return kDlgNotInitialized;
  engine_.Release();
  return 1;
}

int DlgColorFacade::Run(const void* s, const void* t, Direction d, const uint8_t* in, uint8_t* out) const {
  if (!s || !t) return kDlgInvalid;
  if (!engine_.loaded()) return kDlgNotInitialized;
  return engine_.Convert(d, in, out) ? 1 : kDlgConversionUnavailable;
}

int DlgColorFacade::FromRgb(const DlgColorTriple* s, const void* t, Direction d, uint8_t (&out)[4]) const {
  uint8_t in[4] = {};
  LowBytes(s, in);
  return Run(s, t, d, in, out);
}

int DlgColorFacade::ToRgb(const void* s, DlgColorTriple* t, Direction d, const uint8_t (&in)[4]) const {
  uint8_t out[4] = {};
  const int r = Run(s, t, d, in, out);
  if (r == 1) t->c0 = out[0], t->c1 = out[1], t->c2 = out[2];
  return r;
}

int DlgColorFacade::RgbToHueTriple(const DlgColorTriple* s, DlgColorTriple* t, Direction d) const {
  uint8_t b[4] = {};
  const int r = FromRgb(s, t, d, b);
  if (r == 1) t->c0 = FromByte(b[0], 360), t->c1 = FromByte(b[1], 100), t->c2 = FromByte(b[2], 100);
  return r;
}

int DlgColorFacade::RgbToHsb(const DlgColorTriple* s, DlgColorTriple* t) const {
  return RgbToHueTriple(s, t, Direction::kRgbToHsb);
}

int DlgColorFacade::RgbToHls(const DlgColorTriple* s, DlgColorTriple* t) const {
  return RgbToHueTriple(s, t, Direction::kRgbToHls);
}

int DlgColorFacade::RgbToCmy(const DlgColorTriple* s, DlgColorTriple* t) const {
  uint8_t b[4] = {};
  const int r = FromRgb(s, t, Direction::kRgbToCmy, b);
  if (r == 1) t->c0 = b[0], t->c1 = b[1], t->c2 = b[2];
  return r;
}

int DlgColorFacade::RgbToCmyk(const DlgColorTriple* s, DlgColorCMYK* t) const {
  uint8_t b[4] = {};
  const int r = FromRgb(s, t, Direction::kRgbToCmyk, b);
  if (r == 1)
    t->c = FromByte(b[0], 100), t->m = FromByte(b[1], 100), t->y = FromByte(b[2], 100), t->k = FromByte(b[3], 100);
  return r;
}

int DlgColorFacade::RgbToLab(const DlgColorTriple* s, DlgColorLab* t) const {
  uint8_t b[4] = {};
  const int r = FromRgb(s, t, Direction::kRgbToLab, b);
  if (r == 1) t->l = Low(FromByte(b[0], 100)), t->a = static_cast<int8_t>(b[1]), t->b = static_cast<int8_t>(b[2]);
  return r;
}

// Hue 0-360 and two components 0-100, as HSB and HLS hold them.
static void HueTripleToBytes(const DlgColorTriple* s, uint8_t (&in)[4]) {
  if (s)
    in[0] = ScaleToByte(s->c0, 255, 360), in[1] = ScaleToByte(s->c1, 255, 100), in[2] = ScaleToByte(s->c2, 255, 100);
}

int DlgColorFacade::HsbToRgb(const DlgColorTriple* s, DlgColorTriple* t) const {
  uint8_t in[4] = {};
  HueTripleToBytes(s, in);
  return ToRgb(s, t, Direction::kHsbToRgb, in);
}

int DlgColorFacade::HlsToRgb(const DlgColorTriple* s, DlgColorTriple* t) const {
  uint8_t in[4] = {};
  HueTripleToBytes(s, in);
  return ToRgb(s, t, Direction::kHlsToRgb, in);
}

int DlgColorFacade::CmyToRgb(const DlgColorTriple* s, DlgColorTriple* t) const {
  uint8_t in[4] = {};
  LowBytes(s, in);
  return ToRgb(s, t, Direction::kCmyToRgb, in);
}

int DlgColorFacade::CmykToRgb(const DlgColorCMYK* s, DlgColorTriple* t) const {
  uint8_t in[4] = {};
  if (s) {
    in[0] = ScaleToByte(s->c, 255, 100), in[1] = ScaleToByte(s->m, 255, 100);
    in[2] = ScaleToByte(s->y, 255, 100), in[3] = ScaleToByte(s->k, 255, 100);
  }
  return ToRgb(s, t, Direction::kCmykToRgb, in);
}

int DlgColorFacade::LabToRgb(const DlgColorLab* s, DlgColorTriple* t) const {
  uint8_t in[4] = {};
  if (s) in[0] = ScaleToByte(s->l, 255, 100), in[1] = static_cast<uint8_t>(s->a), in[2] = static_cast<uint8_t>(s->b);
  return ToRgb(s, t, Direction::kLabToRgb, in);
}

}  // namespace mwdlg
