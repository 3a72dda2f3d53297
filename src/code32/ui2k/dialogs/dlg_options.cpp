// Stand-in until this dialog's handler lands: it consumes no event.
#include "ui2k/special_dialogs.h"

int32_t DlgOptionsHandler(DriverContext*, DialogRecord*, DialogItemRecord*, UINT, WPARAM, LPARAM) { return 0; }
