// The normalization operations of a session: calibration files made from its
// images against the connected scanner and its scan mode.
#include "driver/normalization/calib_file.h"
#include "driver/session/session.h"

namespace tarvel {

ScannerLine Session_ScannerLine(const Session& s) {
  return ScannerLine{s.serial, s.mode.Strt_Pix, s.mode.Anz_Pix, s.mode.pitch_x};
}

int Session_MakeCalibFile(const char* image_name) {
  Session& s = CurrentSession();
  if (!s.IsOpen()) return kErrNotOpen;
  if (!image_name) return kErrFailed;
  return Make_CalibFile(image_name, Session_ScannerLine(s));
}

}  // namespace tarvel
