// Installation services the sheets call. Stand-ins until the terminal-server
// client configuration and the install-info defaults land: each does what a
// freshly set-up printer would need of it, which is nothing.
#include "sheets.h"

// Stand-in until the terminal-server client configuration lands.
void RemoteRefreshPresets(DriverContext*) {}

// Stand-in until the install-info defaults land: the model defaults stay.
void InstApplyLocaleDefaults(DriverContext*) {}
