// A device source may include the layers below it.
#include "driver/config/scan_mode.h"
#include "driver/device/scanner_registers.h"
#include "driver/result_codes.h"
#include "platform/clock.h"
