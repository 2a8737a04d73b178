#include "driver/service/data_in_transit.h"

#include "driver/device/usb/usb_scanner_device.h"

namespace tarvel {

bool ScanDataInTransit(ScannerRegisters& device) { return device.Mem_WordsAvailable() + Usb_WordsOnHost() > 0; }

}  // namespace tarvel
