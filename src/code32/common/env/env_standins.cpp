// Stand-ins for services of later areas (see velm/env_standins.h).
#include "velm/env_standins.h"

#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/spooler.h"

namespace {
int32_t g_server_type_17 = 0;
}  // namespace

// Stand-in until the printer set-up lands.
int32_t InstIsServerType17(HANDLE, const char16_t*) { return g_server_type_17; }
void EnvStandinSetServerType17(int32_t answer) { g_server_type_17 = answer; }

// Stand-in until the bidirectional device query lands.
int32_t BidiIniPrepareFile(DriverContext*) { return 0; }

// Stand-ins until the terminal-server client configuration lands.
int32_t RemoteCopyClientPrinterData(HANDLE, const char16_t*, DWORD*, void*, uint32_t, DWORD*, uint32_t, void*) {
  return 0;
}
int32_t RemoteSyncClientFiles(DriverContext*) { return 0; }

// Stand-ins until the bidirectional device query lands.
namespace {
bool ClientIni(char16_t* path, uint32_t capacity) {
  return PathGetCommonDataDir(path, capacity) > 0 && plat::WAppend(path, capacity, u"\\velmclt.ini");
}
}  // namespace

int32_t BidiIniGetFlag(DriverContext* ctx) {
  char16_t path[261];
  const char16_t* name = SplGetPrinterName(ctx);
  if (!ClientIni(path, 261) || !name || !name[0]) return 0;
  return IniGetInt(name, u"BidiFlag", 0, path) != 0 ? 1 : 0;
}

int32_t BidiIniLoadSettings(DriverContext*) { return 1; }

int32_t BidiIsFlagDataUsable(DriverContext* ctx) {
  if (!ctx) return 0;
  uint32_t flag = 0;
  if (!SplGetPrinterData(ctx->printer, &flag, 4, u"BidiFlag")) return 0;
  return SplSetPrinterDataBinary(ctx->printer, &flag, 4, u"BidiFlag");
}

int32_t BidiIniDeleteSection(DriverContext* ctx) {
  char16_t path[261];
  const char16_t* name = SplGetPrinterName(ctx);
  if (!ClientIni(path, 261) || !name || !name[0]) return 0;
  return IniWriteString(name, nullptr, nullptr, path) ? 1 : 0;
}
