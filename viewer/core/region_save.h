#pragma once
// Save Region As: a full-resolution region of an image file written into a
// new file, in memory bounded by the band size and "Maximum Image Size"
// whatever the region's size.
#include <cstdint>
#include <string>

#include "fennic/fennic_api.h"
#include "viewer/core/names.h"

namespace viewer {

// Largest buffer of rows read at a time when a region is streamed.
constexpr uint64_t kRegionBandBytes = uint64_t{16} << 20;

// The text of the box that refuses a region too large for a format that
// cannot be streamed.
std::string RegionTooLargeText(uint64_t regionBytes, uint32_t maxImageSize);

// Writes the region (inclusive, ordered corners in the source file's
// coordinates) of the source file into target as targetType; target gets the
// type's default extension when it has none. By format:
// - the source's own: the library copies the region row by row;
// - QEW from another: read in bands and written line by line;
// - any other: read whole and written, refused when larger than
//   maxImageSize bytes (0: no limit).
// The header is the source file's, moved to the region. Failures show an
// error box and leave no file behind; the source file is never written.
bool WriteRegionFile(const FileInfo& source, const std::string& target, uint32_t targetType, const Rect& region,
                     uint32_t maxImageSize);

}  // namespace viewer
