// A simulator source may include the simulator's and the platform's headers.
#include "platform/clock.h"
#include "simulator/register_map.h"
