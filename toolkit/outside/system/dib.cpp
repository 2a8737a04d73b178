#include "toolkit/outside/system/dib.h"

#include <cstdlib>
#include <cstring>

namespace mwsys {

uint32_t DibColorCount(uint32_t bits, uint32_t colors_used) {
  return colors_used != 0 ? colors_used : (bits <= 8 ? 1u << bits : 0u);
}

size_t DibRowStride(int64_t width, uint32_t bits) { return static_cast<size_t>((width * bits + 31) / 32 * 4); }

std::optional<DibLayout> DescribeDib(const BitmapInfoHeader& h) {
  const uint16_t bits = h.biBitCount;
  if (h.biSize < sizeof(BitmapInfoHeader) || h.biSize > 4096 || h.biCompression != 0 || h.biPlanes != 1)
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const int64_t width = h.biWidth;
  const int64_t rows = std::llabs(static_cast<int64_t>(h.biHeight));
  if (width <= 0 || rows == 0 || width > 65536 || rows > 65536) return std::nullopt;
  const uint32_t colors = DibColorCount(bits, h.biClrUsed);
  if (bits <= 8 && colors > (1u << bits)) return std::nullopt;
  if (colors > 256) return std::nullopt;
  DibLayout l;
  l.colors = colors;
  l.palette_offset = h.biSize;
  l.pixel_offset = h.biSize + 4u * colors;
  l.row_stride = DibRowStride(width, bits);
  l.pixel_bytes = l.row_stride * static_cast<size_t>(rows);
  return l;
}

std::optional<DibLayout> CheckDib(const void* data, size_t size) {
  if (!data || size < sizeof(BitmapInfoHeader)) return std::nullopt;
  BitmapInfoHeader h;
  std::memcpy(&h, data, sizeof h);
  auto l = DescribeDib(h);
  if (!l || l->pixel_offset > size || l->pixel_bytes > size - l->pixel_offset) return std::nullopt;
  return l;
}

std::vector<uint8_t> BuildDib(const DibSpec& spec, const std::function<uint32_t(int32_t, int32_t)>& pixel,
                              const std::function<uint32_t(uint32_t)>& colour) {
  BitmapInfoHeader h{};
  h.biSize = sizeof h;
  h.biWidth = spec.width;
  h.biHeight = spec.height;
  h.biPlanes = 1;
  h.biBitCount = spec.bit_count;
  h.biClrUsed = spec.colors_used;
  auto layout = DescribeDib(h);
  if (!layout) return {};
  const uint32_t entries = spec.table_entries.value_or(layout->colors);
  std::vector<uint8_t> out(sizeof h + 4 * entries + layout->pixel_bytes, 0);
  h.biSizeImage = static_cast<uint32_t>(layout->pixel_bytes);
  std::memcpy(out.data(), &h, sizeof h);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint32_t grey = layout->colors > 1 ? i * 255 / (layout->colors - 1) : 0;
    const uint32_t c = colour ? colour(i) : grey | grey << 8 | grey << 16;
    uint8_t* q = &out[sizeof h + 4 * i];
    q[0] = uint8_t(c >> 16);  // blue
    q[1] = uint8_t(c >> 8);
    q[2] = uint8_t(c);
    q[3] = 0;
  }
  uint8_t* pixels = out.data() + sizeof h + 4 * entries;
  const int32_t rows = spec.height < 0 ? -spec.height : spec.height;
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* row = pixels + layout->row_stride * static_cast<size_t>(spec.height < 0 ? y : rows - 1 - y);
    for (int32_t x = 0; x < spec.width; ++x) {
      const uint32_t v = pixel(x, y);
      switch (spec.bit_count) {
        case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = uint8_t(v); break;
        case 16:
          row[2 * x] = uint8_t(v);
          row[2 * x + 1] = uint8_t(v >> 8);
          break;
        default:
          for (int b = 0; b < spec.bit_count / 8; ++b) row[x * (spec.bit_count / 8) + b] = uint8_t(v >> (8 * b));
      }
    }
  }
  return out;
}

}  // namespace mwsys
