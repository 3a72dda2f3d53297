// Entry point of VELMPD3.
#include "plat/wintypes.h"
#include "sheets/sheets.h"

VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) { return UiDllMain(module, reason, reserved); }
