// Exports of the normalization data: calibration files and the data-PROM
// copy, thin wrappers over driver/session; nothing escapes them.
#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/tarvel_api.h"

TARVEL_API int Make_CalibFile(const char* image_name) {
  return tarvel::SessionGuarded(tarvel::kErrNoMemoryCalib,
                                [&] { return tarvel::Session_MakeCalibFile(tarvel::Library().session, image_name); });
}

TARVEL_API int Write_NormalizationData(const char* path) {
  return tarvel::SessionGuarded(
      tarvel::kErrOutOfMemory, [&] { return tarvel::Session_WriteNormalizationData(tarvel::Library().session, path); });
}

TARVEL_API int Read_NormalizationData(const char* path) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_ReadNormalizationData(tarvel::Library().session, path); });
}

TARVEL_API int Clear_NormalizationData(void) {
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory,
                                [&] { return tarvel::Session_ClearNormalizationData(tarvel::Library().session); });
}
