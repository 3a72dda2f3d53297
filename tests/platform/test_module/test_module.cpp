// A module for the loader tests: counts the DllMain calls it receives and
// refuses to start when asked to.
#include <cstdlib>

#include "plat/wintypes.h"

static int g_attach = 0;
static int g_detach = 0;

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ++g_attach;
    if (std::getenv("PLAT_TEST_MODULE_REFUSE")) return FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) ++g_detach;
  return TRUE;
}

VELM_EXPORT int TestModuleAttachCount() { return g_attach; }
VELM_EXPORT int TestModuleDetachCount() { return g_detach; }
