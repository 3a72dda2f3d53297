// Installation services the sheets call. Stand-in until the install-info
// defaults land: it does what a freshly set-up printer would need of it,
// which is nothing.
#include "sheets.h"

// Stand-in until the install-info defaults land: the model defaults stay.
void InstApplyLocaleDefaults(DriverContext*) {}
