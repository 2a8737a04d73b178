// A device source must not include a higher layer.
#include "driver/acquisition/acquisition.h"
#include "driver/device/scanner_registers.h"
