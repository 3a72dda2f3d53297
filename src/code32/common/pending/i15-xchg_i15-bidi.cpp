// STAND-IN until the device query lands: every query fails.
#include "velm/bidi.h"

int32_t BidiQuerySilent(DriverContext*) { return 0; }
