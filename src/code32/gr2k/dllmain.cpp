// Entry point of VELMPD0.
#include "plat/wintypes.h"
#include "velm/library.h"

VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) { return CommonDllMain(module, reason); }
