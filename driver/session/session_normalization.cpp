// The normalization operations of a session: calibration files made from its
// images, the table loaded at open, and the data-PROM copy, all against the
// connected scanner and the session's scan mode.
#include <string>

#include "driver/normalization/calib_file.h"
#include "driver/normalization/normalization_load.h"
#include "driver/normalization/normalization_prom.h"
#include "driver/session/session.h"

namespace tarvel {
namespace {

PromSession PromSessionOf(Session& s) {
  return PromSession{s.Device(), s.id_block, s.id_read, Session_ScannerLine(s), s.log};
}

// The body of a data-PROM export on the open session; its log is flushed.
template <class Body>
int OnOpenSession(Session& s, Body&& body) {
  if (!s.IsOpen()) return kErrNotOpen;
  PromSession prom = PromSessionOf(s);
  const int r = body(prom);
  s.log.Flush();
  return r;
}

}  // namespace

ScannerLine Session_ScannerLine(const Session& s) {
  return ScannerLine{s.serial, s.mode.Strt_Pix, s.mode.Anz_Pix, s.mode.pitch_x};
}

int Session_MakeCalibFile(Session& s, const char* image_name) {
  if (!s.IsOpen()) return kErrNotOpen;
  if (!image_name) return kErrFailed;
  return Make_CalibFile(image_name, Session_ScannerLine(s));
}

void Session_LoadNormalization(Session& s, const IniPath& ini, std::vector<double>& table) {
  const std::string path = NormalizationFileNamed(ini);
  if (!path.empty()) {
    Load_NormalizationFile(table, path, Session_ScannerLine(s), s.log);
    return;
  }
  PromSession prom = PromSessionOf(s);
  Load_NormalizationProm(table, prom);
}

int Session_WriteNormalizationData(Session& s, const char* path) {
  return OnOpenSession(s, [&](PromSession& prom) { return Write_NormalizationData(path ? path : "", prom); });
}

int Session_ReadNormalizationData(Session& s, const char* path) {
  return OnOpenSession(s, [&](PromSession& prom) { return Read_NormalizationData(path ? path : "", prom); });
}

int Session_ClearNormalizationData(Session& s) {
  return OnOpenSession(s, [](PromSession& prom) { return Clear_NormalizationData(prom); });
}

}  // namespace tarvel
