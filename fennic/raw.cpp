// Raw 16-bit files: u16 width, u16 height, then the rows of u16 pixels.
#include "fennic/format.h"
#include "fennic/rows.h"
#include "fennic/sampling.h"

namespace fennic {

namespace {

int read_size(File& f, uint32_t& w, uint32_t& h) {
  uint8_t head[4];
  if (!f.read(head, 4)) return kFennicReadFailed;
  w = get16(head);
  h = get16(head + 2);
  return kFennicOk;
}

int raw_scan_info(File& f, FileInfo&, ScanInfo& info) {
  uint32_t w, h;
  if (int rc = read_size(f, w, h)) return rc;
  info = ScanInfo{};
  info.source = kSourceUnknown;
  info.timestamp = f.creation_time();
  info.width = w;
  info.height = h;
  return kFennicOk;
}

int raw_read(File& f, uint32_t, const ScanInfo& r, const ImageData& image) {
  uint32_t w, h;
  if (int rc = read_size(f, w, h)) return rc;
  if (uint64_t{r.originX} + r.width > w || uint64_t{r.originY} + r.height > h) return kFennicBadRegion;
  PlainSource src(f, 4);
  return read_sampled<U16Pixel>(src, {uint64_t{w} * 2, r.originX, r.originY, false}, image);
}

// The header holds 16-bit sizes.
int raw_can_write(uint64_t width, uint64_t height) {
  return width <= 0xFFFF && height <= 0xFFFF ? kFennicOk : kFennicWrongType;
}

int write_size(File& f, uint64_t w, uint64_t h) {
  uint8_t head[4];
  put16(head, static_cast<uint32_t>(w));
  put16(head + 2, static_cast<uint32_t>(h));
  return f.write(head, 4) ? kFennicOk : kFennicWriteFailed;
}

int raw_write(File& f, const ScanInfo&, const PixelRect& px) {
  if (int rc = write_size(f, px.width, px.height)) return rc;
  return write_rows(f, px);
}

int raw_copy(File& src, NewFile& dst, const Corners& c) {
  uint32_t w, h;
  if (int rc = read_size(src, w, h)) return rc;
  if (c.x1 >= w || c.y1 >= h) return kFennicBadRegion;
  const uint64_t cw = c.x1 - c.x0 + 1, ch = c.y1 - c.y0 + 1;
  if (int rc = dst.create()) return rc;
  if (int rc = write_size(dst.file(), cw, ch)) return rc;
  PlainSource pixels(src, 4);
  return copy_rows(pixels, {(uint64_t{c.y0} * w + c.x0) * 2, uint64_t{w} * 2, cw * 2, ch, cw * 2}, dst.file());
}

}  // namespace

const Family kRawFamily = {raw_scan_info, raw_read, raw_can_write, raw_write, raw_copy};

}  // namespace fennic
