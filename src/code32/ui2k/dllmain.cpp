// Entry point of VELMPD3: start and end of its own copy of the common code.
#include "plat/wintypes.h"
#include "velm/library.h"

VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      CommonProcessAttach(module);
      break;
    case DLL_PROCESS_DETACH:
      CommonProcessDetach();
      break;
    default:  // thread attach and detach do nothing
      break;
  }
  return TRUE;
}
