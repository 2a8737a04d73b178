#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/outside/kernel/mwkernel.h"
#include "toolkit/outside/system/standin_control.h"

namespace {

struct Storage {
  std::vector<uint32_t> colors;
  std::vector<uint8_t> pixels;  // top-down rows
};

int32_t g_setting = 0;

bool Call(int ordinal) { return mwsys::OrdinalCallPasses("mwkernel", ordinal); }

// Flagged and holding the kernel's storage.
bool Allocated(const MwBitmapHandle* h) { return MwBitmapAllocated(h) && h->storage; }
Storage* StorageOf(const MwBitmapHandle* h) { return static_cast<Storage*>(h->storage); }

void Release(MwBitmapHandle* h) {
  if (Allocated(h)) {
    delete StorageOf(h);
    mwsys::AddToCounter("mwkernel.bitmaps", -1);
  }
  std::memset(h, 0, sizeof *h);
}

void Install(MwBitmapHandle* h, int32_t width, int32_t height, int32_t bits, int32_t stride, Storage* s) {
  std::memset(h, 0, sizeof *h);
  h->size = sizeof *h;
  h->width = width;
  h->height = height;
  h->bit_count = bits;
  h->row_stride = stride;
  h->colors = static_cast<int32_t>(s->colors.size());
  h->setting = g_setting;
  h->flags = kMwBitmapAllocated;
  h->storage = s;
  mwsys::AddToCounter("mwkernel.bitmaps", 1);
}

int CopyWhole(MwBitmapHandle* target, const MwBitmapHandle* source) {
  if (!target || !Allocated(source) || target == source) return 0;
  auto* s = new Storage(*StorageOf(source));
  MwBitmapHandle keep = *source;
  Release(target);
  Install(target, keep.width, keep.height, keep.bit_count, keep.row_stride, s);
  target->setting = keep.setting;
  return 1;
}

}  // namespace

MW_EXPORT int MK_CreateFromDib(MwBitmapHandle* handle, const mwsys::BitmapInfoHeader* header, const void* bits) {
  if (!Call(110) || !handle || !header || !bits) return 0;
  auto layout = mwsys::DescribeDib(*header);
  if (!layout) return 0;
  auto* s = new Storage;
  const auto* table = reinterpret_cast<const uint8_t*>(header) + layout->palette_offset;
  s->colors.resize(layout->colors);
  for (uint32_t i = 0; i < layout->colors; ++i) {
    // RGBQUAD (blue, green, red, 0) -> 0x00BBGGRR
    s->colors[i] = table[4 * i + 2] | table[4 * i + 1] << 8 | table[4 * i] << 16;
  }
  const int32_t rows = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  s->pixels.resize(layout->pixel_bytes);
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int32_t y = 0; y < rows; ++y) {
    const int32_t from = header->biHeight < 0 ? y : rows - 1 - y;
    std::memcpy(&s->pixels[y * layout->row_stride], src + from * layout->row_stride, layout->row_stride);
  }
  Release(handle);
  Install(handle, header->biWidth, rows, header->biBitCount, static_cast<int32_t>(layout->row_stride), s);
  return 1;
}

MW_EXPORT int MK_CopyBitmap(MwBitmapHandle* target, const MwBitmapHandle* source) {
  if (!Call(112)) return 0;
  return CopyWhole(target, source);
}

MW_EXPORT int MK_CopyPicture(MwBitmapHandle* target, const MwBitmapHandle* source) {
  if (!Call(114)) return 0;
  return CopyWhole(target, source);
}

MW_EXPORT int MK_CopyRect(MwBitmapHandle* target, const MwBitmapHandle* source, int32_t left, int32_t top,
                          int32_t width, int32_t height) {
  if (!Call(115) || !target || !Allocated(source) || target == source) return 0;
  if (left < 0 || top < 0 || width <= 0 || height <= 0 || left > source->width - width ||
      top > source->height - height) {
    return 0;
  }
  const int32_t bits = source->bit_count;
  const auto stride = static_cast<int32_t>(mwsys::DibRowStride(width, static_cast<uint32_t>(bits)));
  auto* s = new Storage;
  s->colors = StorageOf(source)->colors;
  s->pixels.assign(static_cast<size_t>(stride) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = &StorageOf(source)->pixels[static_cast<size_t>(top + y) * source->row_stride];
    uint8_t* to = &s->pixels[static_cast<size_t>(y) * stride];
    if (bits % 8 == 0) {
      std::memcpy(to, from + static_cast<size_t>(left) * (bits / 8), static_cast<size_t>(width) * (bits / 8));
      continue;
    }
    // Pixels below a byte, the first in the highest bits.
    const int32_t mask = (1 << bits) - 1;
    for (int32_t x = 0; x < width; ++x) {
      const int64_t at = static_cast<int64_t>(left + x) * bits, put = static_cast<int64_t>(x) * bits;
      const int32_t value = from[at / 8] >> (8 - bits - at % 8) & mask;
      to[put / 8] |= static_cast<uint8_t>(value << (8 - bits - put % 8));
    }
  }
  Release(target);
  Install(target, width, height, bits, stride, s);
  return 1;
}

MW_EXPORT int MK_ApplyOption(MwBitmapHandle* handle, int32_t option) {
  if (!Call(123) || !Allocated(handle)) return 0;
  handle->option = option;
  return 1;
}

MW_EXPORT int MK_FreeBitmap(MwBitmapHandle* handle) {
  if (!Call(125) || !handle) return 0;
  Release(handle);
  return 1;
}

MW_EXPORT int MK_ClipRect(const MwBitmapHandle* source, int32_t, MwRect* rect) {
  if (!Call(219) || !Allocated(source) || !rect) return 0;
  rect->left = std::clamp(rect->left, 0, source->width);
  rect->right = std::clamp(rect->right, 0, source->width);
  rect->top = std::clamp(rect->top, 0, source->height);
  rect->bottom = std::clamp(rect->bottom, 0, source->height);
  return 1;
}

MW_EXPORT int MK_SetSetting(int32_t value) {
  if (!Call(296)) return 0;
  g_setting = value;
  return 1;
}

MW_EXPORT int MK_GetSetting(int32_t* value) {
  if (!Call(297) || !value) return 0;
  *value = g_setting;
  return 1;
}

MW_EXPORT const uint8_t* MK_PixelRow(const MwBitmapHandle* handle, int32_t y) {
  if (!Allocated(handle) || y < 0 || y >= handle->height) return nullptr;
  return &StorageOf(handle)->pixels[static_cast<size_t>(y) * handle->row_stride];
}

MW_EXPORT const uint32_t* MK_ColorTable(const MwBitmapHandle* handle) {
  if (!Allocated(handle) || StorageOf(handle)->colors.empty()) return nullptr;
  return StorageOf(handle)->colors.data();
}
