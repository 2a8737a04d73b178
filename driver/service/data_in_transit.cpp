#include "driver/service/data_in_transit.h"

namespace tarvel {

bool ScanDataInTransit(ScannerRegisters& device) { return device.Mem_WordsInTransit() > 0; }

}  // namespace tarvel
