#pragma once
// The fixed sizes of acquisition's tables, and the scan mode it reads
// (`ScanMode`, taken whole from the session).
#include <cstddef>
#include <cstdint>

#include "driver/config/c_buffer.h"
#include "driver/config/scan_mode.h"

namespace tarvel {

constexpr int kMaxBlocks = 100000;
constexpr int kMaxRanges = 1000;
constexpr size_t kPieceBytes = 40960;
// Longest image folder: folder, separator, "KP", ten digits, ".QEW" and the
// terminating NUL fit the buffers callers pass without a length.
constexpr size_t kMaxImageFolder = kUnsizedBufferChars - 1 - 1 - 2 - 10 - 4;

}  // namespace tarvel
