// The service export: a thin wrapper over driver/service; nothing escapes it
// (no memory becomes -100).
#include "driver/api/export_guard.h"
#include "driver/api/library.h"
#include "driver/result_codes.h"
#include "driver/service/service_commands.h"
#include "driver/tarvel_api.h"

TARVEL_API int Ext_ScannerCTRL(int32_t command, const uint8_t* in, int32_t in_length, uint8_t* out, int32_t out_length,
                               int32_t* out_count) {
  if (out_count) *out_count = 0;
  return tarvel::SessionGuarded(tarvel::kErrOutOfMemory, [&] {
    return tarvel::Service_Control(tarvel::Library().session, command, in, in_length, out, out_length, out_count);
  });
}
