// Stand-in until this dialog's handler lands: it consumes no event.
#include "ui2k/special_dialogs.h"

int32_t DlgRemoteHandler(DriverContext*, DialogRecord*, DialogItemRecord*, UINT, WPARAM, LPARAM) { return 0; }
int32_t DlgAddressHandler(DriverContext*, DialogRecord*, DialogItemRecord*, UINT, WPARAM, LPARAM) { return 0; }
int32_t DlgCheckRemoteFields(DriverContext*, DialogRecord*) { return 1; }
