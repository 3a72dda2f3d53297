// Stand-in until the per-dialog special handler lands: it consumes no event,
// so every event goes on to the control's kind.
#include "ui2k/controls.h"

int32_t DlgSpecialHandler(DriverContext*, DialogRecord*, DialogItemRecord*, UINT, WPARAM, LPARAM) { return 0; }
