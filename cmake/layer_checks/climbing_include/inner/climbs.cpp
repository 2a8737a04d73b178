// A source that includes past its folder.
#include "../outside.h"
