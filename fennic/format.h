#pragma once
// The narrow interface behind the exports: one family of readers and writers
// per file format, each in its own file. The exports check their arguments,
// open and create the files and dispatch here by type.
#include <cstdint>

#include "fennic/fennic_api.h"
#include "fennic/file.h"

namespace fennic {

// A rectangle of in-memory pixels to write: `width` x `height` values from
// `first`, rows `stride` values apart.
struct PixelRect {
  const uint16_t* first;
  uint64_t stride;
  uint64_t width;
  uint64_t height;
};

// Inclusive corners of a rectangle to copy.
struct Corners {
  uint32_t x0, y0, x1, y1;
};

struct Family {
  // Fills `info` from the file's header; may rewrite file.type.
  int (*scan_info)(File& f, FileInfo& file, ScanInfo& info);
  // Reads the rectangle of `rect` into `image` (sampling already checked).
  int (*read)(File& f, uint32_t type, const ScanInfo& rect, const ImageData& image);
  // 0 when the format can hold an image of this size, else
  // kFennicWrongType.
  int (*can_write)(uint64_t width, uint64_t height);
  // Writes `pixels` as a whole file whose header is `header`.
  int (*write)(File& f, const ScanInfo& header, const PixelRect& pixels);
  // Copies a rectangle of the source into the new file `dst`, which it
  // creates once the source's header and the rectangle have been checked.
  int (*copy)(File& src, NewFile& dst, const Corners& c);
};

extern const Family kQewFamily;
extern const Family kTiffFamily;
extern const Family kBitmapFamily;
extern const Family kRawFamily;

// Source 4 records become source 5 with their origin turned from 1/300 inch
// into pixels.
void normalize_scan_info(ScanInfo& info);

// Reads the QEW header: kFennicOk, kFennicReadFailed, kFennicNotQew or
// kFennicQewUnsupported; `type` gets 6, 8 or 10 from the magic
// as soon as it is known. The position is then at the first pixel; `header`
// receives the size of the header in bytes.
int read_qew_header(File& f, ScanInfo& info, uint32_t* type, uint64_t* header);

}  // namespace fennic
