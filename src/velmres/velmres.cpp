// A resource module holds no code: its resources follow this object in the
// module file, where plat::FindModuleResource reads them.
#include "plat/wintypes.h"

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
