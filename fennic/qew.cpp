// Proprietary QEW files: "QEW", a version byte, the ScanInfo (36 bytes in
// versions 0 and 1, followed by 16 bytes in version 1; 42 in version 2), then
// the rows of u16 pixels. Only version 2 is written.
#include "fennic/format.h"
#include "fennic/rows.h"
#include "fennic/sampling.h"

namespace fennic {

namespace {

constexpr uint8_t kMagic[3] = {'Q', 'E', 'W'};
constexpr uint64_t kBodyBytes[3] = {36, 52, 42};
constexpr uint32_t kTypes[3] = {kFileQewV0, kFileQewV1, kFileQew};

int qew_scan_info(File& f, FileInfo& file, ScanInfo& info) { return read_qew_header(f, info, &file.type, nullptr); }

int qew_read(File& f, uint32_t, const ScanInfo& r, const ImageData& image) {
  ScanInfo h;
  uint64_t base;
  if (int rc = read_qew_header(f, h, nullptr, &base)) return rc;
  if (r.originX < h.originX || uint64_t{r.originX} + r.width > uint64_t{h.originX} + h.width || r.originY < h.originY ||
      uint64_t{r.originY} + r.height > uint64_t{h.originY} + h.height)
    return kFennicBadRegion;
  PlainSource src(f, base);
  return read_sampled<U16Pixel>(src, {uint64_t{h.width} * 2, r.originX - h.originX, r.originY - h.originY, false},
                                image);
}

int qew_can_write(uint64_t width, uint64_t height) {
  return width <= UINT32_MAX && height <= UINT32_MAX ? kFennicOk : kFennicWrongType;
}

int write_header(File& f, const ScanInfo& info) {
  uint8_t head[4 + sizeof(ScanInfo)] = {'Q', 'E', 'W', 2};
  std::memcpy(head + 4, &info, sizeof info);
  return f.write(head, sizeof head) ? kFennicOk : kFennicWriteFailed;
}

int qew_write(File& f, const ScanInfo& header, const PixelRect& px) {
  if (int rc = write_header(f, header)) return rc;
  return write_rows(f, px);
}

int qew_copy(File& src, NewFile& dst, const Corners& c) {
  ScanInfo h;
  uint64_t base;
  if (int rc = read_qew_header(src, h, nullptr, &base)) return rc;
  if (c.x0 < h.originX || uint64_t{c.x1} >= uint64_t{h.originX} + h.width || c.y0 < h.originY ||
      uint64_t{c.y1} >= uint64_t{h.originY} + h.height)
    return kFennicBadRegion;
  ScanInfo out = h;
  out.originX = c.x0;
  out.originY = c.y0;
  out.width = c.x1 - c.x0 + 1;
  out.height = c.y1 - c.y0 + 1;
  if (int rc = dst.create()) return rc;
  if (int rc = write_header(dst.file(), out)) return rc;
  const uint64_t stride = uint64_t{h.width} * 2;
  PlainSource pixels(src, base);
  RowCopy rc{(uint64_t{c.y0} - h.originY) * stride + (uint64_t{c.x0} - h.originX) * 2, stride, uint64_t{out.width} * 2,
             out.height, uint64_t{out.width} * 2};
  return copy_rows(pixels, rc, dst.file());
}

}  // namespace

int read_qew_header(File& f, ScanInfo& info, uint32_t* type, uint64_t* header) {
  uint8_t magic[4];
  if (!f.read(magic, 4)) return kFennicReadFailed;
  if (std::memcmp(magic, kMagic, 3) != 0 || magic[3] > 2)
    return magic[0] == kMagic[0] && magic[1] == kMagic[1] ? kFennicQewUnsupported : kFennicNotQew;
  const int v = magic[3];
  if (type) *type = kTypes[v];
  uint8_t body[52];
  if (!f.read(body, kBodyBytes[v])) return kFennicReadFailed;
  ScanInfo s{};
  std::memcpy(&s, body, v == 2 ? sizeof(ScanInfo) : kScanInfoOldSize);
  normalize_scan_info(s);
  info = s;
  if (header) *header = 4 + kBodyBytes[v];
  return kFennicOk;
}

const Family kQewFamily = {qew_scan_info, qew_read, qew_can_write, qew_write, qew_copy};

}  // namespace fennic
