// A simulator source must not include a driver header.
#include "driver/device/register_map.h"
