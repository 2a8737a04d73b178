#pragma once
// The scanner models (scanner types) and what the software knows of each, in
// one table. The type is found by the USB device discovery or the interface
// probe and kept by their owners (the USB device state, the session); 18
// ("Undefined") until then.
#include <cstdint>

namespace tarvel {

constexpr int kScannerTypeUndefined = 18;
// The type a scanner on the parallel port is taken for ("Vornix EPP").
constexpr int kScannerTypeParallelPort = 6;

// The built-in FPGA design a USB scanner of the type is configured with.
enum class UsbDesign { kStandard, kEraser, kCompact, kWide };

// The scan geometry of a type. The [Scanner] section of the ini may change
// it (and name the FPGA design file) only where `from_ini` is set; there
// these are the defaults of its keys.
struct ScanGeometry {
  bool from_ini;
  int ppr;  // scan motor pulses per revolution (`PentaPPR`)
  double abst_b;  // metres (`Abst_B`)
  double pmt_scale;  // `PMTScaleFactor`
  double sol_pos;  // degrees to a line's first pixel (`SOLPos`)
  double scan_range;  // degrees of a line (`ScanRange`)
  int slots;  // slot mask (`Slots`)
};

// What differs between the scanner models.
struct ScannerTypeFacts {
  const char* name;  // display name
  bool small_plates;  // reads plates of at most 95 mm a side
  bool intraoral_modes;  // lists the intraoral modes; another mode is chosen in the mode dialog
  bool erase_after_intraoral;  // also lists the first erase mode; other modes stand for it
  bool every_mode;  // lists the erase modes as well
  uint64_t min_free_bytes;  // free disk space the image folder needs at open
  const char* min_free_text;  // that minimum as the message says it (none when 0)
  ScanGeometry geometry;
  UsbDesign usb_design;
};

// The facts of a type; those of "Undefined" (18) for anything outside 0..18.
const ScannerTypeFacts& ScannerTypeFactsOf(int type);
// Display name of a scanner type ("Undefined" for 18 and anything outside
// 0..18).
inline const char* ScannerTypeName(int type) { return ScannerTypeFactsOf(type).name; }

}  // namespace tarvel
