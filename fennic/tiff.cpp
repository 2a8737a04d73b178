// Little-endian baseline TIFF: 8-bit grey or RGB and 16-bit grey are read;
// one 16-bit layout is written, carrying the whole ScanInfo in a private
// block that tag 55385 points at. Strip tables are read by their field type;
// several strips are gathered strip by strip.
#include <algorithm>

#include "fennic/format.h"
#include "fennic/rows.h"
#include "fennic/sampling.h"

namespace fennic {

namespace {

enum Tag : uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfig = 284,
  kResolutionUnit = 296,
  kScanInfoTag = 55385,
};
enum FieldType : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

constexpr uint32_t kPixelOffset = 220;
constexpr uint32_t kEntries = 12;

struct Entry {
  uint16_t tag, type;
  uint32_t count;
  uint8_t value[4];
  uint32_t whole() const { return get32(value); }
  // The value, its low 16 bits for SHORT fields.
  uint32_t scalar() const { return type == kShort ? get16(value) : get32(value); }
};

struct Directory {
  explicit Directory(Io& io) : entries(io) {}
  Buffer<Entry> entries;
  uint32_t count = 0;
  const Entry* find(uint16_t tag) {
    for (uint32_t i = 0; i < count; ++i)
      if (entries[i].tag == tag) return &entries[i];
    return nullptr;
  }
};

// Header and directory: kFennicOk, kFennicSeekFailed, kFennicReadFailed,
// kFennicNoMemory, kFennicNotTiff or kFennicTiffUnsupported.
int read_directory(File& f, Directory& d) {
  uint8_t head[8];
  if (!f.read(head, 8)) return kFennicReadFailed;
  if (head[0] == 'I' && head[1] == 'I' && get16(head + 2) == 42) {
  } else if (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42) {
    return kFennicTiffUnsupported;
  } else {
    return kFennicNotTiff;
  }
  if (!f.seek(get32(head + 4))) return kFennicSeekFailed;
  uint8_t n[2];
  if (!f.read(n, 2)) return kFennicReadFailed;
  d.count = get16(n);
  Buffer<uint8_t> raw(f.io());
  if (!raw.allocate(uint64_t{d.count} * 12) || !d.entries.allocate(d.count)) return kFennicNoMemory;
  if (!f.read(raw.data(), uint64_t{d.count} * 12)) return kFennicReadFailed;
  for (uint32_t i = 0; i < d.count; ++i) {
    const uint8_t* p = raw.data() + i * 12;
    Entry& e = d.entries[i];
    e.tag = get16(p);
    e.type = get16(p + 2);
    e.count = get32(p + 4);
    std::memcpy(e.value, p + 8, 4);
  }
  return kFennicOk;
}

// The values of a SHORT or LONG array, in the entry when they fit: kFennicOk,
// kFennicSeekFailed, kFennicReadFailed, kFennicNoMemory or
// kFennicTiffUnsupported.
int read_array(File& f, const Entry& e, Buffer<uint64_t>& out) {
  uint64_t size = e.type == kShort ? 2 : e.type == kLong ? 4 : 0;
  if (!size) return kFennicTiffUnsupported;
  const uint64_t bytes = size * e.count;
  Buffer<uint8_t> raw(f.io());
  const uint8_t* p = e.value;
  if (bytes > 4) {
    if (bytes > f.size()) return kFennicReadFailed;
    if (!raw.allocate(bytes)) return kFennicNoMemory;
    if (!f.seek(e.whole())) return kFennicSeekFailed;
    if (!f.read(raw.data(), bytes)) return kFennicReadFailed;
    p = raw.data();
  }
  if (!out.allocate(e.count)) return kFennicNoMemory;
  for (uint64_t i = 0; i < e.count; ++i) out[i] = size == 2 ? get16(p + 2 * i) : get32(p + 4 * i);
  return kFennicOk;
}

// Pixel data that lies in strips: one strip runs to the end of the file,
// several strips are as long as their byte counts.
class StripSource : public PixelSource {
 public:
  explicit StripSource(File& f) : f_(f), offset_(f.io()), end_(f.io()) {}

  int load(const Entry* offsets, const Entry* counts) {
    if (!offsets || offsets->count == 0) return kFennicTiffUnsupported;
    if (offsets->count == 1) {
      one_ = offsets->scalar();
      return kFennicOk;
    }
    if (!counts || counts->count != offsets->count) return kFennicTiffUnsupported;
    if (int rc = read_array(f_, *offsets, offset_)) return rc;
    if (int rc = read_array(f_, *counts, end_)) return rc;
    strips_ = offsets->count;
    for (uint64_t i = 0, total = 0; i < strips_; ++i) end_[i] = total += end_[i];
    return kFennicOk;
  }

  uint64_t available() const override {
    if (!strips_) {
      uint64_t size = f_.size();
      return size > one_ ? size - one_ : 0;
    }
    return end_[strips_ - 1];
  }

  Io& io() const override { return f_.io(); }

  int fetch(uint64_t at, uint8_t* dst, uint64_t len) override {
    if (!strips_) return f_.read_at(one_ + at, dst, len);
    Buffer<uint64_t>& end = end_;
    uint64_t i = std::upper_bound(end.data(), end.data() + strips_, at) - end.data();
    while (len) {
      if (i >= strips_) return kFennicReadFailed;
      const uint64_t begin = i ? end[i - 1] : 0;
      const uint64_t part = std::min(len, end[i] - at);
      if (part == 0) {  // an empty strip
        ++i;
        continue;
      }
      if (int rc = f_.read_at(offset_[i] + (at - begin), dst, part)) return rc;
      dst += part;
      at += part;
      len -= part;
      ++i;
    }
    return kFennicOk;
  }

 private:
  File& f_;
  uint64_t one_ = 0;
  uint64_t strips_ = 0;
  Buffer<uint64_t> offset_, end_;  // strip offsets; running ends of the strips' data
};

// Whether the readers can take the samples as they are: uncompressed, one
// 16-bit sample, or one or three interleaved 8-bit samples of grey or RGB.
int check_samples(File& f, Directory& d, bool sixteen) {
  const Entry* e = d.find(kCompression);
  if (e && e->whole() != 1) return kFennicTiffUnsupported;
  e = d.find(kSamplesPerPixel);
  const uint32_t spp = e ? e->scalar() : 1;
  if (spp != 1 && (sixteen || spp != 3)) return kFennicTiffUnsupported;
  if ((e = d.find(kBitsPerSample))) {
    Buffer<uint64_t> bits(f.io());
    if (e->count == 0 || e->count > 3) return kFennicTiffUnsupported;
    if (int rc = read_array(f, *e, bits)) return rc;
    for (uint32_t i = 0; i < e->count; ++i)
      if (bits[i] != (sixteen ? 16u : 8u)) return kFennicTiffUnsupported;
  }
  if (spp == 3 && (e = d.find(kPlanarConfig)) && e->scalar() != 1) return kFennicTiffUnsupported;
  if ((e = d.find(kPhotometric)) && e->scalar() > (sixteen ? 1u : 2u)) return kFennicTiffUnsupported;
  return kFennicOk;
}

// The private block: u32 type (5, 7 or 9), then 42 or 36 bytes of ScanInfo.
int read_block(File& f, const Entry& e, ScanInfo& info, uint32_t* type) {
  if (!f.seek(e.whole())) return kFennicSeekFailed;
  uint8_t t[4];
  if (!f.read(t, 4)) return kFennicReadFailed;
  const uint32_t kind = get32(t);
  if (kind != kFileTiff16 && kind != kFileTiff16v0 && kind != kFileTiff16v1) return kFennicTiffUnsupported;
  if (type) *type = kind;
  if (!f.read(&info, kind == kFileTiff16 ? sizeof(ScanInfo) : kScanInfoOldSize)) return kFennicReadFailed;
  normalize_scan_info(info);
  return kFennicOk;
}

uint32_t clamp32(long double v) {
  if (!(v > 0)) return 0;
  return v >= 4294967295.0L ? UINT32_MAX : static_cast<uint32_t>(v);
}

// Pixels per metre from a rational in the unit: kFennicOk, kFennicSeekFailed or
// kFennicReadFailed.
int read_resolution(File& f, uint32_t at, uint32_t unit, uint32_t& out) {
  if (!f.seek(at)) return kFennicSeekFailed;
  uint8_t r[8];
  if (!f.read(r, 8)) return kFennicReadFailed;
  const uint32_t num = get32(r), den = get32(r + 4);
  if (den == 0)
    out = 0;
  else if (unit == 2)
    out = clamp32(static_cast<long double>(num) * 1000 / (static_cast<long double>(den) * 25.4L));
  else
    out = clamp32(static_cast<long double>(uint64_t{num} * 100 / den));
  return kFennicOk;
}

int read_resolutions(File& f, const Entry* x, const Entry* y, uint32_t unit, ScanInfo& info) {
  if (x)
    if (int rc = read_resolution(f, x->whole(), unit, info.resolutionX)) return rc;
  if (y)
    if (int rc = read_resolution(f, y->whole(), unit, info.resolutionY)) return rc;
  return kFennicOk;
}

int tiff_scan_info(File& f, FileInfo& file, ScanInfo& info) {
  Directory d(f.io());
  if (int rc = read_directory(f, d)) return rc;
  ScanInfo s{};
  s.source = kSourceFennic;
  s.timestamp = f.creation_time();
  uint32_t unit = 2;
  const Entry *xres = nullptr, *yres = nullptr;
  for (uint32_t i = 0; i < d.count; ++i) {
    const Entry& e = d.entries[i];
    switch (e.tag) {
      case kImageWidth: s.width = e.scalar(); break;
      case kImageLength: s.height = e.scalar(); break;
      case kBitsPerSample:
        if (e.whole() == 16 && file.type == kFileTiff8) file.type = kFileTiff16;
        break;
      case kCompression:
        if (e.whole() != 1) return kFennicTiffUnsupported;
        break;
      case kXResolution: xres = &e; break;
      case kYResolution: yres = &e; break;
      case kResolutionUnit: unit = e.whole(); break;
      case kScanInfoTag: {
        if (int rc = read_block(f, e, s, &file.type)) return rc;
        if (int rc = check_samples(f, d, true)) return rc;
        info = s;
        return kFennicOk;
      }
      default: break;
    }
  }
  if (int rc = check_samples(f, d, file.type != kFileTiff8)) return rc;
  if (int rc = read_resolutions(f, xres, yres, unit, s)) return rc;
  normalize_scan_info(s);
  info = s;
  return kFennicOk;
}

int read_8bit(File& f, const ScanInfo& r, const ImageData& image) {
  Directory d(f.io());
  if (int rc = read_directory(f, d)) return rc;
  if (int rc = check_samples(f, d, false)) return rc;
  uint32_t w = 0, h = 0;
  bool inverted = false, rgb = false;
  const Entry *offsets = nullptr, *counts = nullptr;
  for (uint32_t i = 0; i < d.count; ++i) {
    const Entry& e = d.entries[i];
    switch (e.tag) {
      case kImageWidth: w = e.scalar(); break;
      case kImageLength: h = e.scalar(); break;
      case kPhotometric: inverted = get16(e.value) == 0; break;
      case kStripOffsets: offsets = &e; break;
      case kSamplesPerPixel: rgb = get16(e.value) == 3; break;
      case kStripByteCounts: counts = &e; break;
      default: break;
    }
  }
  if (offsets && counts && counts->count != offsets->count) return kFennicTiffUnsupported;
  if (offsets && offsets->count == 1 && (!counts || counts->scalar() < uint64_t{w} * h)) return kFennicTiffUnsupported;
  if (uint64_t{r.originX} + r.width > w || uint64_t{r.originY} + r.height > h) return kFennicBadRegion;
  StripSource src(f);
  if (int rc = src.load(offsets, counts)) return rc;
  const Placement at{uint64_t{w} * (rgb ? 3 : 1), r.originX, r.originY, inverted};
  return rgb ? read_sampled<WeightedPixel>(src, at, image) : read_sampled<GreyBytePixel>(src, at, image);
}

// What the 16-bit reader and the copier take from a directory.
struct Source16 {
  ScanInfo block{};
  bool has_block = false;
  bool inverted = false;
  uint32_t unit = 2;
  const Entry *offsets = nullptr, *counts = nullptr, *xres = nullptr, *yres = nullptr;
};

int scan_16bit(File& f, Directory& d, Source16& s) {
  if (int rc = check_samples(f, d, true)) return rc;
  for (uint32_t i = 0; i < d.count; ++i) {
    const Entry& e = d.entries[i];
    switch (e.tag) {
      case kImageWidth: s.block.width = e.scalar(); break;
      case kImageLength: s.block.height = e.scalar(); break;
      case kPhotometric: s.inverted = get16(e.value) == 0; break;
      case kStripOffsets: s.offsets = &e; break;
      case kStripByteCounts: s.counts = &e; break;
      case kXResolution: s.xres = &e; break;
      case kYResolution: s.yres = &e; break;
      case kResolutionUnit: s.unit = e.whole(); break;
      case kScanInfoTag: {
        ScanInfo block{};
        if (int rc = read_block(f, e, block, nullptr)) return rc;
        s.block = block;
        s.has_block = true;
        break;
      }
      default: break;
    }
  }
  return kFennicOk;
}

int read_16bit(File& f, const ScanInfo& r, const ImageData& image) {
  Directory d(f.io());
  if (int rc = read_directory(f, d)) return rc;
  Source16 s;
  if (int rc = scan_16bit(f, d, s)) return rc;
  const ScanInfo& b = s.block;
  if (r.originX < b.originX || uint64_t{r.originX} + r.width > uint64_t{b.originX} + b.width || r.originY < b.originY ||
      uint64_t{r.originY} + r.height > uint64_t{b.originY} + b.height)
    return kFennicBadRegion;
  StripSource src(f);
  if (int rc = src.load(s.offsets, s.counts)) return rc;
  return read_sampled<U16Pixel>(src, {uint64_t{b.width} * 2, r.originX - b.originX, r.originY - b.originY, s.inverted},
                                image);
}

int tiff_read(File& f, uint32_t type, const ScanInfo& r, const ImageData& image) {
  return type == kFileTiff8 ? read_8bit(f, r, image) : read_16bit(f, r, image);
}

// Offsets and counts are 32-bit: the whole file must stay below 4 GiB.
int tiff_can_write(uint64_t width, uint64_t height) {
  uint64_t bytes;
  if (!mul64(width, height, bytes) || !mul64(bytes, 2, bytes) || bytes > UINT32_MAX - kPixelOffset)
    return kFennicWrongType;
  return kFennicOk;
}

void put_entry(uint8_t*& p, uint16_t tag, uint16_t type, uint32_t value) {
  put16(p, tag);
  put16(p + 2, type);
  put32(p + 4, 1);
  put32(p + 8, value);
  p += 12;
}

int write_layout(File& f, const ScanInfo& block, uint64_t w, uint64_t h, bool inverted) {
  uint8_t head[kPixelOffset] = {'I', 'I', 42, 0, 8, 0, 0, 0};
  put16(head + 8, kEntries);
  uint8_t* p = head + 10;
  const auto W = static_cast<uint32_t>(w), H = static_cast<uint32_t>(h);
  put_entry(p, kImageWidth, kLong, W);
  put_entry(p, kImageLength, kLong, H);
  put_entry(p, kBitsPerSample, kShort, 16);
  put_entry(p, kCompression, kShort, 1);
  put_entry(p, kPhotometric, kShort, inverted ? 0 : 1);
  put_entry(p, kStripOffsets, kLong, kPixelOffset);
  put_entry(p, kRowsPerStrip, kLong, H);
  put_entry(p, kStripByteCounts, kLong, static_cast<uint32_t>(w * h * 2));
  put_entry(p, kXResolution, kRational, 158);
  put_entry(p, kYResolution, kRational, 166);
  put_entry(p, kResolutionUnit, kShort, 3);
  put_entry(p, kScanInfoTag, kLong, 174);
  put32(head + 154, 0);
  put32(head + 158, block.resolutionX);
  put32(head + 162, 100);
  put32(head + 166, block.resolutionY);
  put32(head + 170, 100);
  put32(head + 174, kFileTiff16);
  std::memcpy(head + 178, &block, sizeof block);
  return f.write(head, sizeof head) ? kFennicOk : kFennicWriteFailed;
}

int tiff_write(File& f, const ScanInfo& header, const PixelRect& px) {
  if (int rc = write_layout(f, header, px.width, px.height, false)) return rc;
  return write_rows(f, px);
}

int tiff_copy(File& src, NewFile& dst, const Corners& c) {
  Directory d(src.io());
  if (int rc = read_directory(src, d)) return rc;
  Source16 s;
  s.block.source = kSourceFennic;
  s.block.timestamp = src.creation_time();
  if (int rc = scan_16bit(src, d, s)) return rc;
  ScanInfo& b = s.block;
  if (!s.has_block)
    if (int rc = read_resolutions(src, s.xres, s.yres, s.unit, b)) return rc;
  if (c.x0 < b.originX || uint64_t{c.x1} >= uint64_t{b.originX} + b.width || c.y0 < b.originY ||
      uint64_t{c.y1} >= uint64_t{b.originY} + b.height)
    return kFennicBadRegion;
  const uint64_t stride = uint64_t{b.width} * 2;
  const uint64_t first = (uint64_t{c.y0} - b.originY) * stride + (uint64_t{c.x0} - b.originX) * 2;
  ScanInfo out = b;
  out.originX = c.x0;
  out.originY = c.y0;
  out.width = c.x1 - c.x0 + 1;
  out.height = c.y1 - c.y0 + 1;
  if (int rc = tiff_can_write(out.width, out.height)) return rc;
  StripSource pixels(src);
  if (int rc = pixels.load(s.offsets, s.counts)) return rc;
  if (int rc = dst.create()) return rc;
  if (int rc = write_layout(dst.file(), out, out.width, out.height, s.inverted)) return rc;
  return copy_rows(pixels, {first, stride, uint64_t{out.width} * 2, out.height, uint64_t{out.width} * 2}, dst.file());
}

}  // namespace

const Family kTiffFamily = {tiff_scan_info, tiff_read, tiff_can_write, tiff_write, tiff_copy};

}  // namespace fennic
