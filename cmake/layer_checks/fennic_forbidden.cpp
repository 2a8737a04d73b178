// A fennic source must not include a driver header.
#include "driver/tarvel_api.h"
