// A simulator source may include the simulator's and the platform's headers.
#include "platform/clock.h"
#include "platform/scanner_register_map.h"
#include "simulator/scanner_model.h"
