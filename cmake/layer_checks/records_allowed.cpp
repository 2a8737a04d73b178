// A driver source below api may use the records that cross the exports.
#include "driver/config/tarvel_records.h"
#include "driver/result_codes.h"

int PlateSensors(const ScanStatus& status) { return status.plate_sensors; }
