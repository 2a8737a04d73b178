#pragma once
// What normalization needs to know of the connected scanner and the
// session's scan mode.
#include <string>

namespace tarvel {

struct ScannerLine {
  std::string serial;  // the connected scanner's serial number
  int strt_pix = 0;  // the mode's first pixel of data collection
  int anz_pix = 0;  // pixels per scan line
  double pitch_x = 0;  // pixel pitch along the line, metres
};

}  // namespace tarvel
