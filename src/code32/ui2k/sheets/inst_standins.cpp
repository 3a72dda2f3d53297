// Installation services the sheets call. Stand-ins until the printer
// set-up, the install check and the install-info defaults land: each does
// what a freshly set-up printer would need of it, which is nothing.
#include "sheets.h"

// Stand-in until the printer set-up lands: a renamed printer keeps its data.
void InstHandlePrinterRename(DriverContext*) {}

// Stand-in until the install-info defaults land: the model defaults stay.
void InstApplyLocaleDefaults(DriverContext*) {}

// Stand-in until the install check lands: the preset files stay as they are.
void InstRefreshPresets(DriverContext*, int32_t) {}

// Stand-in until the install check lands.
void InstCheckOnOpen(HANDLE) {}
