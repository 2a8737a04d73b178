// A fennic source may include fennic's headers.
#include "fennic/fennic_api.h"
