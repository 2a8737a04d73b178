#pragma once
// Device-independent bitmaps as resources and files hold them: the 40-byte
// information header, then the colour table, then the pixel rows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mwsys {

#pragma pack(push, 1)
struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;  // negative: rows top-down
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

// Where the parts of a DIB lie, all offsets from the header's first byte.
struct DibLayout {
  uint32_t colors;  // entries of the colour table
  size_t palette_offset;  // header size
  size_t pixel_offset;  // header size + 4 per colour entry
  size_t row_stride;  // bytes per row, a multiple of 4
  size_t pixel_bytes;  // stride x rows
};

// Colour-table entries: `colors_used` (biClrUsed) when set, else 1 << bits
// up to 8 bits and none above.
uint32_t DibColorCount(uint32_t bits, uint32_t colors_used);
// Bytes per row of `width` pixels, a multiple of 4.
size_t DibRowStride(int64_t width, uint32_t bits);

// Colour entries as DibColorCount gives them. Null for a header that cannot
// describe an uncompressed DIB (header size below 40, zero or oversized
// dimensions, bit count other than 1, 4, 8, 16, 24 or 32, compression, more
// colours than the depth allows).
std::optional<DibLayout> DescribeDib(const BitmapInfoHeader& header);

// The layout, when `size` bytes from `data` hold the header, the colour table
// and every pixel row; null otherwise.
std::optional<DibLayout> CheckDib(const void* data, size_t size);

struct DibSpec {
  int32_t width = 1;
  int32_t height = 1;  // positive: rows bottom-up as Windows stores them
  uint16_t bit_count = 8;
  uint32_t colors_used = 0;  // biClrUsed
  // Colour-table entries written (default: what the layout asks for).
  std::optional<uint32_t> table_entries;
};

// A DIB (header, colour table of grey 0x00BBGGRR steps or `colour(i)`,
// pixel rows with `pixel(x, y)` as the value of each pixel, y counted from
// the top) for resources and test fixtures. Empty for an invalid spec.
std::vector<uint8_t> BuildDib(const DibSpec& spec, const std::function<uint32_t(int32_t x, int32_t y)>& pixel,
                              const std::function<uint32_t(uint32_t index)>& colour = nullptr);

}  // namespace mwsys
