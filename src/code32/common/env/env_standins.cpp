// Stand-ins for services of later areas (see velm/env_standins.h).
#include "velm/env_standins.h"


namespace {
int32_t g_server_type_17 = 0;
}  // namespace

// Stand-in until the printer set-up lands.
int32_t InstIsServerType17(HANDLE, const char16_t*) { return g_server_type_17; }
void EnvStandinSetServerType17(int32_t answer) { g_server_type_17 = answer; }

// Stand-ins until the terminal-server client configuration lands.
int32_t RemoteCopyClientPrinterData(HANDLE, const char16_t*, DWORD*, void*, uint32_t, DWORD*, uint32_t, void*) {
  return 0;
}
int32_t RemoteSyncClientFiles(DriverContext*) { return 0; }
