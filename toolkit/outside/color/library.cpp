#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/outside/color/conversions.h"
#include "toolkit/outside/color/mwcolor.h"
#include "toolkit/outside/system/standin_control.h"

namespace {

struct Conversion {
  int32_t source, target;
};

std::string Pair(int32_t source, int32_t target) {
  std::string pair = "(";
  pair += std::to_string(source);
  pair += ',';
  pair += std::to_string(target);
  pair += ')';
  return pair;
}

bool Supported(int32_t space) {
  return space == kMwSpaceCmyk || space == kMwSpaceHsb || space == kMwSpaceHls || space == kMwSpaceCmy ||
         space == kMwSpaceLab;
}

int Components(int32_t space) { return space == kMwSpaceCmyk ? 4 : 3; }

// 812 at byte 0, the method at 4 and 804 (2 for CMYK, else 1), 8 at 808,
// every other byte zero.
bool ExpectedParams(const void* params, int32_t source, int32_t target) {
  if (!params) return false;
  uint8_t block[kMwClrParamsSize];
  std::memcpy(block, params, sizeof block);
  const int32_t method = source == kMwSpaceCmyk || target == kMwSpaceCmyk ? 2 : 1;
  auto at = [&](size_t offset) {
    int32_t v;
    std::memcpy(&v, block + offset, 4);
    return v;
  };
  if (at(0) != kMwClrParamsSize || at(4) != method || at(804) != method || at(808) != 8) return false;
  for (size_t i = 8; i < 804; ++i) {
    if (block[i] != 0) return false;
  }
  return true;
}

template <size_t N>
void Put(const std::array<uint8_t, N>& v, uint8_t* out) {
  std::memcpy(out, v.data(), N);
}

template <size_t N>
std::array<uint8_t, N> Take(const uint8_t* in) {
  std::array<uint8_t, N> v;
  std::memcpy(v.data(), in, N);
  return v;
}

void Convert(const Conversion& c, const uint8_t* in, uint8_t* out) {
  using namespace mwcolor;
  if (c.source == kMwSpaceRgb) {
    const Rgb rgb = Take<3>(in);
    switch (c.target) {
      case kMwSpaceHsb: return Put(RgbToHsb(rgb), out);
      case kMwSpaceHls: return Put(RgbToHls(rgb), out);
      case kMwSpaceCmy: return Put(RgbToCmy(rgb), out);
      case kMwSpaceCmyk: return Put(RgbToCmyk(rgb), out);
      default: return Put(RgbToLab(rgb), out);
    }
  }
  switch (c.source) {
    case kMwSpaceHsb: return Put(HsbToRgb(Take<3>(in)), out);
    case kMwSpaceHls: return Put(HlsToRgb(Take<3>(in)), out);
    case kMwSpaceCmy: return Put(CmyToRgb(Take<3>(in)), out);
    case kMwSpaceCmyk: return Put(CmykToRgb(Take<4>(in)), out);
    default: return Put(LabToRgb(Take<3>(in)), out);
  }
}

}  // namespace

MW_EXPORT int M_ClrInit(void** handle, int32_t source, int32_t target, const void* params) {
  const bool passes = !mwsys::Watched() || mwsys::RecordCallPasses("mwcolor.M_ClrInit" + Pair(source, target));
  if (!handle) return 0;
  if (!ExpectedParams(params, source, target)) mwsys::AddToCounter("mwcolor.bad_params", 1);
  const bool pair = (source == kMwSpaceRgb && Supported(target)) || (target == kMwSpaceRgb && Supported(source));
  if (!pair || !passes) return 0;
  *handle = new Conversion{source, target};
  mwsys::AddToCounter("mwcolor.handles", 1);
  return 1;
}

MW_EXPORT int M_ClrConvert(void* handle, const uint8_t* source, uint8_t* target, int32_t width, int32_t height,
                           int32_t source_pad, int32_t target_pad) {
  if (!handle || !source || !target) {
    mwsys::RecordCall("mwcolor.M_ClrConvert(invalid)");
    return 0;
  }
  const auto& c = *static_cast<const Conversion*>(handle);
  if (width != 1 || height != 1 || source_pad != 0 || target_pad != 0) mwsys::AddToCounter("mwcolor.bad_params", 1);
  if (mwsys::Watched()) {
    const std::string call = "mwcolor.M_ClrConvert" + Pair(c.source, c.target);
    std::string bytes;
    for (int i = 0; i < Components(c.source); ++i) {
      bytes += i ? "," : ":";
      bytes += std::to_string(source[i]);
    }
    mwsys::RecordCall(call.substr(0, call.size() - 1) + bytes + ")");
    if (mwsys::IsFailing(call)) return 0;
    std::vector<unsigned char> scripted;
    if (mwsys::ScriptedAnswer(call, &scripted)) {
      std::memcpy(target, scripted.data(), std::min<size_t>(scripted.size(), Components(c.target)));
      return 1;
    }
  }
  Convert(c, source, target);
  return 1;
}

#ifndef MWCOLOR_WITHOUT_FREE
MW_EXPORT int M_ClrFree(void* handle) {
  if (!handle) {
    mwsys::RecordCall("mwcolor.M_ClrFree(null)");
    return 0;
  }
  auto* c = static_cast<Conversion*>(handle);
  if (mwsys::Recording()) mwsys::RecordCall("mwcolor.M_ClrFree" + Pair(c->source, c->target));
  delete c;
  mwsys::AddToCounter("mwcolor.handles", -1);
  return 1;
}
#endif
