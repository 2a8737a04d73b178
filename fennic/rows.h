#pragma once
// Row writers and copiers shared by the families.
#include <cstdint>

#include "fennic/format.h"
#include "fennic/sampling.h"

namespace fennic {

// Writes the u16 rows of `px`: one write when they are contiguous. kFennicOk or
// kFennicWriteFailed.
int write_rows(File& f, const PixelRect& px);

// A rectangle of a source's pixel data copied row by row into a new file.
struct RowCopy {
  uint64_t start;  // logical offset of the first byte of the first row
  uint64_t stride;  // between rows of the source
  uint64_t row_bytes;  // bytes taken from each source row
  uint64_t rows;
  uint64_t out_bytes;  // bytes written per row (>= row_bytes; the rest zero)
};
int copy_rows(PixelSource& src, const RowCopy& rc, File& dst);

}  // namespace fennic
