#pragma once
// libmwkernel.so: the toolkit kernel's bitmaps (stand-in). Entry points keep
// the toolkit's ordinals (in the comments and mwkernel.exports).
// Every call is recorded as "mwkernel.<ordinal>" and fails when that name
// is set failing; the counter "mwkernel.bitmaps" holds the live bitmaps.
#include <cstddef>
#include <cstdint>

#include "toolkit/outside/system/dib.h"
#include "toolkit/outside/system/export.h"

// The 156-byte toolkit bitmap handle; all zero when empty.
#pragma pack(push, 4)
struct MwBitmapHandle {
  int32_t size;  // 156 while allocated
  int32_t width;
  int32_t height;  // rows, stored top-down
  int32_t bit_count;
  int32_t row_stride;
  int32_t colors;  // colour-table entries
  int32_t setting;  // kernel setting at creation
  int32_t option;  // last option applied (ordinal 123)
  uint32_t flags;  // bit 0: allocated
  int32_t brightness;  // last display value (mwdisplay 113)
  void* storage;  // kernel-owned pixels and colours
  uint8_t reserved[156 - 48];
};
#pragma pack(pop)
static_assert(sizeof(MwBitmapHandle) == 156);
static_assert(offsetof(MwBitmapHandle, flags) == 32);

constexpr uint32_t kMwBitmapAllocated = 1;

// The handle is flagged as holding a bitmap.
inline bool MwBitmapAllocated(const MwBitmapHandle* h) { return h && (h->flags & kMwBitmapAllocated) != 0; }

struct MwRect {
  int32_t left, top, right, bottom;
};

// Results: 1 success, 0 failure (refused or set failing).
// 110: a bitmap from a DIB header (with its colour table) and pixel bits;
// the pixels and colours are copied. Frees what the handle held.
MW_EXPORT int MK_CreateFromDib(MwBitmapHandle* handle, const mwsys::BitmapInfoHeader* header, const void* bits);
// 112: a copy of the whole source.
MW_EXPORT int MK_CopyBitmap(MwBitmapHandle* target, const MwBitmapHandle* source);
// 114: the source copied into the caller's handle; 0 for an empty source.
MW_EXPORT int MK_CopyPicture(MwBitmapHandle* target, const MwBitmapHandle* source);
// 115: the part at (left, top) of width x height, of any depth; 0 when it
// lies outside.
MW_EXPORT int MK_CopyRect(MwBitmapHandle* target, const MwBitmapHandle* source, int32_t left, int32_t top,
                          int32_t width, int32_t height);
// 123: records the option in the bitmap.
MW_EXPORT int MK_ApplyOption(MwBitmapHandle* handle, int32_t option);
// 125: frees the bitmap and zeroes the handle.
MW_EXPORT int MK_FreeBitmap(MwBitmapHandle* handle);
// 219: clips the rectangle to the source bitmap (the second argument is unused).
MW_EXPORT int MK_ClipRect(const MwBitmapHandle* source, int32_t unused, MwRect* rect);
// 296, 297: the kernel setting (default 0).
MW_EXPORT int MK_SetSetting(int32_t value);
MW_EXPORT int MK_GetSetting(int32_t* value);

// Reading back a bitmap (for its users and tests).
// Pixel row `y` (top-down) of an allocated handle, or null.
MW_EXPORT const uint8_t* MK_PixelRow(const MwBitmapHandle* handle, int32_t y);
// Colour-table entries (0x00BBGGRR) of an allocated handle, or null.
MW_EXPORT const uint32_t* MK_ColorTable(const MwBitmapHandle* handle);
