// Entry point of VELMPD4.
#include "plat/wintypes.h"
#include "velm/library.h"

VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) { return CommonDllMain(module, reason); }
