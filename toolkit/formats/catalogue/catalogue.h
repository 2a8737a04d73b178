#pragma once
// The built-in, read-only catalogue of savable formats.
#include <cstddef>
#include <cstdint>

#include "toolkit/formats/mwformats_api.h"

namespace mwff {

struct FFSaveSubFormat {
  int32_t name_index;  // into the sub-format names
  int32_t format_id;
  int32_t extension_index;
  int32_t flags;
};

struct FFSaveRow {
  int32_t name_index;  // into the save-format names
  int32_t format_id;
  int32_t bits_per_pixel;  // 0 only for raw data
  int32_t extension_index;  // -1 exactly when the row has sub-formats
  int32_t sub_format_count;
  const FFSaveSubFormat* sub_formats;  // shared within a family
  int32_t flags;
};

// Info pairs are the FFInfoEntry records of the interface.
using ::FFInfoEntry;

constexpr int32_t kSaveRowCount = 165;
constexpr int32_t kInfoPairCount = 158;  // then the end pair {0, -1}

extern const FFSaveRow kSaveRows[kSaveRowCount];
extern const FFInfoEntry kInfoTable[kInfoPairCount + 1];

}  // namespace mwff
