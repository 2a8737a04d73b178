// A simulator source must not include a driver header.
#include "driver/device/scanner_registers.h"
