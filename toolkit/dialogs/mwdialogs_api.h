#pragma once
// Exports of libmwdialogs.so and the records that cross them. Records are
// the caller's; the library keeps no pointer to them.
#include <cstddef>
#include <cstdint>

#include "toolkit/outside/kernel/mwkernel.h"
#include "toolkit/outside/system/cursors.h"
#include "toolkit/outside/system/export.h"

// Codes besides 1 (success) and 0 (refused, false).
enum DlgResult : int32_t {
  kDlgNoMemory = -1,  // also: no colour name, range index 28 or negative
  kDlgInvalid = -13,
  kDlgAlreadyInitialized = -1000,
  kDlgNotInitialized = -1001,
  kDlgConversionUnavailable = -1003,
  kDlgColorLibraryMissing = -1004,
  kDlgResourceLibraryMissing = -1005,
};

constexpr int32_t kDlgTextCount = 1172;

// Each begins with a 32-bit field that the conversions neither read nor write.
struct DlgColorTriple {
  int32_t first;
  int32_t c0, c1, c2;  // R G B, H S B, H L S or C M Y
};
struct DlgColorCMYK {
  int32_t first;
  int32_t c, m, y, k;  // 0-100
};
struct DlgColorLab {
  int32_t first;
  uint8_t l;  // 0-100
  int8_t a, b;
};
static_assert(sizeof(DlgColorTriple) == 16 && sizeof(DlgColorCMYK) == 20);
static_assert(offsetof(DlgColorLab, l) == 4 && offsetof(DlgColorLab, b) == 6);

// The caller's callback, stored and handed back, never called.
using DlgCallBack = void*;

// Texts (ordinals 100-102).
MW_EXPORT int M_DlgGetStringLen2(uint32_t index, int32_t* length);
MW_EXPORT int M_DlgSetString2(uint32_t index, const char* text);
MW_EXPORT int M_DlgGetString2(uint32_t index, char* buffer);
// Callback slot (103, 104): the stored pointer at full pointer width.
MW_EXPORT DlgCallBack M_DlgSetCallBack(DlgCallBack callback, int32_t user);
MW_EXPORT DlgCallBack M_DlgGetCallBack(int32_t* user);
// Cursor (105, 106); only type 0 is known.
MW_EXPORT int M_DlgSetCursor(int32_t type, mwsys::Cursor cursor);
MW_EXPORT int M_DlgGetCursor(int32_t type, mwsys::Cursor* cursor);
// Colour engine (107-129).
MW_EXPORT int M_DlgInit();
MW_EXPORT int M_DlgFree();
MW_EXPORT int M_DlgIsDataInitialized();
MW_EXPORT int M_DlgIsRGBInitialized();
MW_EXPORT int M_DlgIsCMYInitialized();
MW_EXPORT int M_DlgIsCMYKInitialized();
MW_EXPORT int M_DlgIsHSBHueInitialized();
MW_EXPORT int M_DlgIsHSBWheelInitialized();
MW_EXPORT int M_DlgIsHSBBrightnessInitialized();
MW_EXPORT int M_DlgIsHLSInitialized();
MW_EXPORT int M_DlgIsLabInitialized();
MW_EXPORT int M_DlgConvertColorRGBToHSB(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorRGBToHLS(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorRGBToCMY(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorRGBToCMYK(const DlgColorTriple* source, DlgColorCMYK* target);
MW_EXPORT int M_DlgConvertColorRGBToLab(const DlgColorTriple* source, DlgColorLab* target);
MW_EXPORT int M_DlgConvertColorHSBToRGB(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorHLSToRGB(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorCMYToRGB(const DlgColorTriple* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorCMYKToRGB(const DlgColorCMYK* source, DlgColorTriple* target);
MW_EXPORT int M_DlgConvertColorLabToRGB(const DlgColorLab* source, DlgColorTriple* target);
MW_EXPORT int M_DlgGetColorRange(int32_t index);
// Colour names and pictures (130-133).
MW_EXPORT int M_DlgGetColorNameLen(uint32_t color);
MW_EXPORT int M_DlgGetColorName(uint32_t color, char* buffer);
MW_EXPORT int M_DlgGetColorDlgBitmap(MwBitmapHandle* target, uint32_t index);
MW_EXPORT int M_DlgGetCustomizePalDlgBitmap(MwBitmapHandle* target, uint32_t index);
