// STAND-IN until the user paper-size lists land: the refresh loads nothing
// and keeps the work record's slots as they are (all empty in a new context).
#include "velm/presets.h"

int32_t FreeSizeRefreshSlots(DriverContext*) { return 1; }
