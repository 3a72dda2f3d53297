// The interface switches of the query library in ini files, and where those
// files are; printer access for the operations of a query handle.
#include "api/api_support.h"
#include "plat/files.h"
#include "plat/profile.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

bool HasDrive(const char16_t* name) { return name && name[0] && name[1] == u':'; }

// dir + "\" + name into buffer; false (buffer empty) when it does not fit.
bool Join(char16_t* buffer, uint32_t capacity, const char16_t* dir, const char16_t* name) {
  bool ok = plat::WCopy(buffer, capacity, dir);
  size_t n = ok ? plat::WLen(buffer) : 0;
  if (ok && (n == 0 || buffer[n - 1] != u'\\')) ok = plat::WAppend(buffer, capacity, u"\\");
  ok = ok && plat::WAppend(buffer, capacity, name);
  if (!ok && capacity) buffer[0] = 0;
  return ok;
}

}  // namespace

int32_t ApiGetDriverIniPathNoCtx(char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  const char16_t* name = CtxGetBuiltinModelInfo().iniFileName;
  if (HasDrive(name)) {
    if (plat::WCopy(buffer, capacity, name)) return 1;
    buffer[0] = 0;
    return 0;
  }
  char16_t dir[MAX_PATH] = {};
  int32_t n = OsIsNt5OrLater() ? PathGetCommonDataDirNoCtx(dir, MAX_PATH) : int32_t(GetSystemDirectoryW(dir, MAX_PATH));
  if (n <= 0 || n >= MAX_PATH) return 0;
  return Join(buffer, capacity, dir, name) ? 1 : 0;
}

int32_t ApiIniGetIntNoCtx(const char16_t* section, const char16_t* key) {
  char16_t path[MAX_PATH] = {};
  if (!ApiGetDriverIniPathNoCtx(path, MAX_PATH) || !path[0]) return -1;
  return int32_t(GetPrivateProfileIntW(section, key, -1, path));
}

int32_t ApiGetDriverDirectory(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  if (OsIsWin9x()) {
    char16_t dir[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !plat::WCopy(buffer, capacity, dir) || !plat::WAppend(buffer, capacity, u"\\")) {
      buffer[0] = 0;
      return 0;
    }
    return 1;
  }
  auto* info = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(printer, 3));
  bool ok = false;
  if (info && info->pDriverPath) {
    const char16_t* path = info->pDriverPath;
    size_t last = 0;
    for (size_t i = 0; path[i]; ++i)
      if (path[i] == u'\\') last = i + 1;
    if (last > 0 && last < capacity) {
      for (size_t i = 0; i < last; ++i) buffer[i] = path[i];
      buffer[last] = 0;
      ok = true;
    }
  }
  MemFree(info);
  return ok ? 1 : 0;
}

int32_t ApiGetInstallInfoPath(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  const char16_t* name = CtxGetBuiltinModelInfo().installInfoName;
  if (HasDrive(name)) {
    if (plat::WCopy(buffer, capacity, name)) return 1;
    buffer[0] = 0;
    return 0;
  }
  char16_t dir[MAX_PATH] = {};
  if (!ApiGetDriverDirectory(printer, dir, MAX_PATH)) return 0;
  return Join(buffer, capacity, dir, name) ? 1 : 0;
}

uint32_t ApiFunc1Has(HANDLE printer, uint32_t bit) {
  char16_t path[MAX_PATH] = {};
  if (!ApiGetInstallInfoPath(printer, path, MAX_PATH)) return 0;
  return GetPrivateProfileIntW(u"VELMAPI", u"VELMAPIFunc1", 0, path) & bit;
}

int32_t ApiOpenPrinter(DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->work->printerName[0]) return 0;
  HANDLE h = nullptr;
  if (!OpenPrinterW(ctx->work->printerName, &h, nullptr) || !h) return 0;
  ctx->printer = h;
  ctx->queryPrinter = h;
  return 1;
}

void ApiClosePrinter(DriverContext* ctx) {
  if (!ctx || !ctx->printer) return;
  ClosePrinter(ctx->printer);
  if (ctx->queryPrinter == ctx->printer) ctx->queryPrinter = nullptr;
  ctx->printer = nullptr;
}

bool ApiIsTerminalServices(DriverContext* ctx) {
  return ctx && !OsIsWin9x() && OsIsTerminalServerCached(ctx->printer) != 0;
}
