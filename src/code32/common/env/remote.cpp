// Terminal-server client configuration (velm/remote.h).
//
// Stand-in until the terminal-server client configuration lands: the
// feature is off, so every operation answers "not active" (0).
#include "velm/remote.h"

namespace {
int32_t g_server_type_17 = 0;
}  // namespace

int32_t RemoteIsEnabled(DriverContext*) { return 0; }
int32_t RemoteIsEnabledNoCtx() { return 0; }
int32_t RemoteIsActive(DriverContext*) { return 0; }
int32_t RemoteIsActiveNoCtx(HANDLE) { return 0; }
int32_t RemoteGetSyncState(DriverContext*) { return 0; }
int32_t RemoteGetConnectionData(HANDLE, uint32_t*) { return 0; }
int32_t RemoteSetConnectionData(HANDLE, uint32_t) { return 0; }
int32_t RemoteGetIniData(HANDLE, uint32_t*) { return 0; }
int32_t RemoteSetIniData(HANDLE, uint32_t) { return 0; }
int32_t RemoteGetServerType(HANDLE, const char16_t*, uint8_t*) { return 0; }
int32_t InstIsServerType17(HANDLE, const char16_t*) { return g_server_type_17; }
void EnvStandinSetServerType17(int32_t answer) { g_server_type_17 = answer; }
int32_t RemoteSyncClientFiles(DriverContext*) { return 0; }
int32_t RemoteClearServerInfo(DriverContext*) { return 0; }
int32_t RemoteCopyClientPrinterData(HANDLE, const char16_t*, DWORD*, void*, uint32_t, DWORD*, uint32_t, void*) {
  return 0;
}
int32_t RemoteGetClientDevmode(DriverContext*, DEVMODEW*, uint8_t*) { return 0; }
int32_t RemoteRefreshPresets(DriverContext*) { return 0; }
int32_t RemoteSanitizeFileName(const char16_t*, char16_t* out, uint32_t size) {
  if (out && size) out[0] = 0;
  return 0;
}
