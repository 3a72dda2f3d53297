// STAND-IN until the DEVMODE merge branch lands: the derivations of the
// resolution and of the paper geometry items (44-56) do nothing, so the page
// dot limit reads the geometry items as they stand.
#include "velm/dm_merge.h"

void DmSetPaper(int32_t, uint32_t, DriverContext*, uint8_t*) {}
void DmSetOutputPaper(int32_t, uint32_t, DriverContext*, uint8_t*) {}
void DmSetCustomPaper(uint8_t*, DriverContext*) {}
void DmResolutionToPrivate(uint8_t*, DriverContext*) {}
void DmResolutionToPublic(uint8_t*, DriverContext*) {}
