// Uncompressed 24-bit Windows bitmaps. Rows are kept in storage order; the
// sign of biHeight carries flipVertical. Written pixels hold a 16-bit value
// in their first two bytes.
#include <algorithm>
#include <cstdlib>

#include "fennic/format.h"
#include "fennic/rows.h"
#include "fennic/sampling.h"

namespace fennic {

namespace {

constexpr uint32_t kHeaderBytes = 54;

struct Headers {
  uint32_t offBits;
  int32_t width;
  int32_t height;
  uint32_t xPels, yPels;
  uint64_t absHeight() const { return height < 0 ? uint64_t{0} - static_cast<int64_t>(height) : uint64_t(height); }
};

uint64_t stride_of(uint64_t width) { return (3 * width + 3) & ~uint64_t{3}; }

// Reads and checks both headers: kFennicOk, kFennicReadFailed, kFennicNotBitmap or
// kFennicBitmapUnsupported.
int read_headers(File& f, Headers& b) {
  uint8_t fh[14], ih[40];
  if (!f.read(fh, sizeof fh)) return kFennicReadFailed;
  if (fh[0] != 'B' || fh[1] != 'M') return kFennicNotBitmap;
  if (!f.read(ih, sizeof ih)) return kFennicReadFailed;
  if (get32(ih) < 40 || get16(ih + 12) != 1 || get16(ih + 14) != 24 || get32(ih + 16) != 0)
    return kFennicBitmapUnsupported;
  b.offBits = get32(fh + 10);
  b.width = static_cast<int32_t>(get32(ih + 4));
  b.height = static_cast<int32_t>(get32(ih + 8));
  b.xPels = get32(ih + 24);
  b.yPels = get32(ih + 28);
  if (b.width < 0) return kFennicBitmapUnsupported;
  return kFennicOk;
}

int bmp_scan_info(File& f, FileInfo&, ScanInfo& info) {
  Headers b;
  if (int rc = read_headers(f, b)) return rc;
  info = ScanInfo{};
  info.source = kSourceFennic;
  info.timestamp = f.creation_time();
  info.width = static_cast<uint32_t>(b.width);
  info.height = static_cast<uint32_t>(b.absHeight());
  info.resolutionX = b.xPels;
  info.resolutionY = b.yPels;
  info.flipVertical = b.height > 0;
  return kFennicOk;
}

int bmp_read(File& f, uint32_t type, const ScanInfo& r, const ImageData& image) {
  Headers b;
  if (int rc = read_headers(f, b)) return rc;
  if (uint64_t{r.originX} + r.width > uint64_t(b.width) || uint64_t{r.originY} + r.height > b.absHeight())
    return kFennicBadRegion;
  PlainSource src(f, b.offBits);
  const Placement at{stride_of(uint64_t(b.width)), r.originX, r.originY, false};
  if (type == kFileBitmap) return read_sampled<WeightedPixel>(src, at, image);
  return read_sampled<Packed16Pixel>(src, at, image);
}

// Sizes must fit the signed 32-bit fields and the 32-bit file size.
int bmp_can_write(uint64_t width, uint64_t height) {
  if (width > INT32_MAX || height > INT32_MAX) return kFennicWrongType;
  uint64_t size;
  if (!mul64(stride_of(width), height, size) || size > UINT32_MAX - kHeaderBytes) return kFennicWrongType;
  return kFennicOk;
}

int write_headers(File& f, uint64_t w, uint64_t h, bool bottom_up, uint32_t xPels, uint32_t yPels) {
  const auto image = static_cast<uint32_t>(stride_of(w) * h);
  uint8_t fh[14] = {'B', 'M'}, ih[40] = {};
  put32(fh + 2, image + kHeaderBytes);
  put32(fh + 10, kHeaderBytes);
  put32(ih, 40);
  put32(ih + 4, static_cast<uint32_t>(w));
  put32(ih + 8, bottom_up ? static_cast<uint32_t>(h) : static_cast<uint32_t>(-static_cast<int64_t>(h)));
  put16(ih + 12, 1);
  put16(ih + 14, 24);
  put32(ih + 20, image);
  put32(ih + 24, xPels);
  put32(ih + 28, yPels);
  if (!f.write(fh, sizeof fh) || !f.write(ih, sizeof ih)) return kFennicWriteFailed;
  return kFennicOk;
}

int bmp_write(File& f, const ScanInfo& header, const PixelRect& px) {
  if (int rc = write_headers(f, px.width, px.height, header.flipVertical == 1, header.resolutionX, header.resolutionY))
    return rc;
  // Rows are converted into writes of about a megabyte. Each pixel is stored
  // as four bytes (low, high, 0, 0) whose last byte the next pixel
  // overwrites; the last one lands in the padding, the next row or the slack
  // at the end, so the padding stays zero.
  const uint64_t stride = stride_of(px.width);
  const uint64_t batch = std::max<uint64_t>(1, std::min<uint64_t>(px.height, (uint64_t{1} << 20) / (stride + 1)));
  Buffer<uint8_t> rows(f.io());
  if (!rows.allocate(batch * stride + 4, true)) return kFennicNoMemory;
  for (uint64_t y = 0; y < px.height;) {
    const uint64_t k = std::min(batch, px.height - y);
    for (uint64_t i = 0; i < k; ++i, ++y) {
      const uint16_t* in = px.first + y * px.stride;
      uint8_t* out = rows.data() + i * stride;
      for (uint64_t x = 0; x < px.width; ++x) {
        const uint32_t v = in[x];
        std::memcpy(out + 3 * x, &v, 4);
      }
    }
    if (!f.write(rows.data(), k * stride)) return kFennicWriteFailed;
  }
  return kFennicOk;
}

int bmp_copy(File& src, NewFile& dst, const Corners& c) {
  Headers b;
  if (int rc = read_headers(src, b)) return rc;
  if (c.x1 >= uint64_t(b.width) || c.y1 >= b.absHeight()) return kFennicBadRegion;
  const uint64_t cw = c.x1 - c.x0 + 1, ch = c.y1 - c.y0 + 1;
  if (int rc = bmp_can_write(cw, ch)) return rc;
  if (int rc = dst.create()) return rc;
  if (int rc = write_headers(dst.file(), cw, ch, b.height >= 0, b.xPels, b.yPels)) return rc;
  const uint64_t stride = stride_of(uint64_t(b.width));
  PlainSource pixels(src, b.offBits);
  // Only the region's own bytes are read; the padding written is zero.
  return copy_rows(pixels, {c.y0 * stride + uint64_t{c.x0} * 3, stride, cw * 3, ch, stride_of(cw)}, dst.file());
}

}  // namespace

const Family kBitmapFamily = {bmp_scan_info, bmp_read, bmp_can_write, bmp_write, bmp_copy};

}  // namespace fennic
