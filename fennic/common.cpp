// Pieces every family uses: pixel sources, row writers and copiers, and the
// conversion of old scanner records.
#include <algorithm>
#include <cmath>

#include "fennic/format.h"
#include "fennic/rows.h"

namespace fennic {

int PlainSource::fetch(uint64_t at, uint8_t* dst, uint64_t len) { return f_.read_at(base_ + at, dst, len); }

uint64_t PlainSource::available() const {
  uint64_t size = f_.size();
  return size > base_ ? size - base_ : 0;
}

int write_rows(File& f, const PixelRect& px) {
  if (px.width == 0 || px.height == 0) return kFennicOk;
  if (px.stride == px.width) return f.write(px.first, px.width * px.height * 2) ? kFennicOk : kFennicWriteFailed;
  for (uint64_t y = 0; y < px.height; ++y)
    if (!f.write(px.first + y * px.stride, px.width * 2)) return kFennicWriteFailed;
  return kFennicOk;
}

int copy_rows(PixelSource& src, const RowCopy& rc, File& dst) {
  if (rc.rows == 0) return kFennicOk;
  uint64_t end;
  if (!mul64(rc.rows - 1, rc.stride, end) || !add64(end, rc.start, end) || !add64(end, rc.row_bytes, end) ||
      end > src.available())
    return kFennicReadFailed;
  // Rows are gathered into writes of about a megabyte.
  const uint64_t batch = std::max<uint64_t>(1, std::min<uint64_t>(rc.rows, (uint64_t{1} << 20) / (rc.out_bytes + 1)));
  Buffer<uint8_t> rows(dst.io());
  if (!rows.allocate(batch * rc.out_bytes, true)) return kFennicNoMemory;
  for (uint64_t y = 0; y < rc.rows;) {
    const uint64_t k = std::min(batch, rc.rows - y);
    for (uint64_t i = 0; i < k; ++i, ++y)
      if (int code = src.fetch(rc.start + y * rc.stride, rows.data() + i * rc.out_bytes, rc.row_bytes)) return code;
    if (!dst.write(rows.data(), k * rc.out_bytes)) return kFennicWriteFailed;
  }
  return kFennicOk;
}

static uint32_t old_origin(uint32_t origin, uint32_t resolution) {
  long double v = static_cast<long double>(origin) * 0.0254L * resolution / 300;
  if (!(v >= 0)) return 0;
  if (v >= 4294967295.0L) return UINT32_MAX;
  return static_cast<uint32_t>(v);
}

void normalize_scan_info(ScanInfo& info) {
  if (info.source != kSourceHpScannerV0) return;
  info.source = kSourceHpScanner;
  info.originX = old_origin(info.originX, info.resolutionX);
  info.originY = old_origin(info.originY, info.resolutionY);
}

}  // namespace fennic
