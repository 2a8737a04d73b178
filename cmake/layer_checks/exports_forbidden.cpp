// A driver source below api must not call an export.
#include "driver/tarvel_api.h"

int OpenFromBelow() { return Open_Scanner(0); }
