// A device source must not include a higher layer.
#include "driver/device/scanner_registers.h"
#include "driver/acquisition/acquisition.h"
