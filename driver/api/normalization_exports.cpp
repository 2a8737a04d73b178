// Exports of the normalization data: calibration files and the data-PROM
// copy, thin wrappers over driver/session; nothing escapes them.
#include "driver/api/export_guard.h"
#include "driver/session/session.h"
#include "driver/tarvel_api.h"

TARVEL_API int Make_CalibFile(const char* image_name) {
  return tarvel::Guarded(tarvel::kErrNoMemoryCalib, [&] { return tarvel::Session_MakeCalibFile(image_name); });
}
