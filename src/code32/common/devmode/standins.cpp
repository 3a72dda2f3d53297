// Stand-in until the job-information provider lands: it leaves the DEVMODE
// as it is.
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/devmode_standins.h"

void JobInfoReadMaskIfEnabled(DriverContext*, uint32_t) {}
