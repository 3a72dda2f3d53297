// Stand-in until the settings-request block lands: it leaves the DEVMODE as
// it is.
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/devmode_standins.h"

int32_t DmApplyExchangeRequest(DriverContext*, uint8_t*) { return 1; }
