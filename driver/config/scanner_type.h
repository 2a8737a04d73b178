#pragma once
// `ScannerType`: the scanner model, set by the USB device discovery or the
// interface probe; 18 ("Undefined") until then. What the software knows of
// each model is in one table.
#include <cstdint>

namespace tarvel {

constexpr int kScannerTypeUndefined = 18;

int ScannerType();
// Set by the probe and the discovery once they know the model; tests use it
// as their seam.
void SetScannerType(int type);

// What differs between the scanner models.
struct ScannerTypeFacts {
  const char* name;  // display name
  bool small_plates;  // reads plates of at most 95 mm a side
  bool intraoral_modes;  // lists the intraoral modes; another mode is chosen in the mode dialog
  bool erase_after_intraoral;  // also lists the first erase mode; other modes stand for it
  bool every_mode;  // lists the erase modes as well
  uint64_t min_free_bytes;  // free disk space the image folder needs at open
  const char* min_free_text;  // that minimum as the message says it (none when 0)
};

// The facts of a type; those of "Undefined" (18) for anything outside 0..18.
const ScannerTypeFacts& ScannerTypeFactsOf(int type);
// Display name of a scanner type ("Undefined" for 18 and anything outside
// 0..18).
inline const char* ScannerTypeName(int type) { return ScannerTypeFactsOf(type).name; }

}  // namespace tarvel
