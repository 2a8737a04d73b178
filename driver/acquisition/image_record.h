#pragma once
// The information record of a plate image, filled from its range, the mode
// and the time of the scan.
#include <ctime>

#include "driver/acquisition/acquisition_settings.h"
#include "driver/acquisition/range_table.h"
#include "driver/config/tarvel_records.h"

namespace tarvel {

// Every field but width, height, maximum, average and extra length, which
// the window statistics and the writer fill.
// A pitch in whole nanometres, as the record stores it (rounded).
int32_t NanoMetres(double metres);

ImageInfo FillImageInfo(const PlateRange& range, const ScanMode& settings, const std::tm& when,
                        const char (&serial)[32]);

}  // namespace tarvel
