#pragma once
// libmwcolor.so: the toolkit's colour library (stand-in) with real
// conversions between RGB (space 0) and CMYK 2, HSB 3, HLS 4, CMY 6, Lab 7,
// one colour of byte components at a time:
//   HSB, HLS: hue 0-255 for 0-360 degrees, the others 0-255 (colorsys order:
//   H, S, B and H, L, S); CMY, CMYK: 0-255; Lab (sRGB, D65 white): L 0-255
//   for 0-100, a and b as signed bytes.
// Recording: "mwcolor.M_ClrInit(s,t)", "mwcolor.M_ClrConvert(s,t:b0,b1,b2)",
// "mwcolor.M_ClrFree(s,t)". An init set failing leaves the handle 0; a
// convert with a scripted answer (key "mwcolor.M_ClrConvert(s,t)") gives
// those bytes. Counters: "mwcolor.handles" (live), "mwcolor.bad_params"
// (calls whose parameter block or arguments differ from the expected ones).
#include <cstdint>

#include "toolkit/outside/system/export.h"

enum MwColorSpace : int32_t {
  kMwSpaceRgb = 0,
  kMwSpaceCmyk = 2,
  kMwSpaceHsb = 3,
  kMwSpaceHls = 4,
  kMwSpaceCmy = 6,
  kMwSpaceLab = 7,
};

constexpr int kMwClrParamsSize = 812;

// Leaves a nonzero handle for a supported pair (RGB and one other space).
MW_EXPORT int M_ClrInit(void** handle, int32_t source, int32_t target, const void* params);
MW_EXPORT int M_ClrConvert(void* handle, const uint8_t* source, uint8_t* target, int32_t width, int32_t height,
                           int32_t source_pad, int32_t target_pad);
#ifndef MWCOLOR_WITHOUT_FREE
MW_EXPORT int M_ClrFree(void* handle);
#endif
