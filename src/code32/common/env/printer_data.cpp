// Printer data and HKEY_LOCAL_MACHINE values of the driver.
#include "velm/printer_data.h"

#include <cstring>

#include "plat/files.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr const char16_t* kDrvKey = u"SOFTWARE\\ORVEK\\VelmDrv";
constexpr const char16_t* kPrintLogKey = u"Software\\ORVEK\\PrintLog";
constexpr const char16_t* kCustomSetupKey = u"Software\\ORVEK\\VelmDrvCustomSetup";
constexpr const char16_t* kJobLinkerKey = u"Software\\ORVEK\\ToolDeck\\JobLinker";

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

LPWSTR W(const char16_t* s) { return const_cast<LPWSTR>(s); }

// GetPrinterDataW with the generic wrappers' guards; the bytes read.
bool GetData(HANDLE printer, const char16_t* name, void* buffer, uint32_t size, DWORD* got) {
  if (!buffer || size == 0 || !name) return false;
  DWORD type = 0, needed = 0;
  if (GetPrinterDataW(printer, W(name), &type, static_cast<BYTE*>(buffer), size, &needed) != ERROR_SUCCESS)
    return false;
  if (got) *got = needed;
  return true;
}

bool QueryValue(const char16_t* subkey, const char16_t* name, void* buffer, uint32_t size, DWORD* got,
                DWORD* type = nullptr) {
  if (!buffer || size == 0 || !name) return false;
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return false;
  DWORD n = size;
  LONG r = RegQueryValueExW(key, name, nullptr, type, static_cast<BYTE*>(buffer), &n);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return false;
  if (got) *got = n;
  return true;
}

bool ValueExists(const char16_t* subkey, const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG r = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

// Ends a string read of got bytes inside buffer (capacity characters).
void Terminate(char16_t* buffer, uint32_t capacity, DWORD got) {
  uint32_t chars = got / 2;
  buffer[chars < capacity ? chars : capacity - 1] = 0;
}

// A string value written with its terminating zero.
int32_t SetText(HANDLE printer, const char16_t* name, const char16_t* text) {
  return SplSetPrinterDataString(printer, text, uint32_t((plat::WLen(text) + 1) * sizeof(char16_t)), name);
}

// Copies the file-name part (after the last backslash) of a path; false
// when there is no backslash or it does not fit.
bool FileNamePart(const char16_t* path, char16_t* buffer, uint32_t capacity) {
  if (!path || !buffer || capacity == 0) return false;
  const char16_t* slash = nullptr;
  for (const char16_t* p = path; *p; ++p)
    if (*p == u'\\') slash = p;
  if (!slash) return false;
  if (!plat::WCopy(buffer, capacity, slash + 1)) {
    buffer[0] = 0;
    return false;
  }
  return true;
}

template <class Pick>
int32_t DriverFileName(char16_t* buffer, uint32_t capacity, DriverContext* ctx, Pick pick) {
  if (!buffer || capacity == 0 || !ctx) return 0;
  buffer[0] = 0;
  auto* info = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(ctx->printer, 3));
  if (!info) return 0;
  bool ok = FileNamePart(pick(*info), buffer, capacity);
  MemFree(info);
  return ok ? 1 : 0;
}

}  // namespace

// ---- generic wrappers ------------------------------------------------------------------

int32_t SplGetPrinterData(HANDLE printer, void* buffer, uint32_t size, const char16_t* name) {
  return GetData(printer, name, buffer, size, nullptr) ? 1 : 0;
}

int32_t SplSetPrinterDataBinary(HANDLE printer, const void* data, uint32_t size, const char16_t* name) {
  return SplSetPrinterData(printer, data, size, REG_BINARY, name);
}

int32_t SplSetPrinterData(HANDLE printer, const void* data, uint32_t size, uint32_t type, const char16_t* name) {
  if (!data || size == 0 || !name) return 0;
  return SetPrinterDataW(printer, W(name), type, static_cast<BYTE*>(const_cast<void*>(data)), size) == ERROR_SUCCESS
             ? 1
             : 0;
}

int32_t SplSetPrinterDataString(HANDLE printer, const char16_t* text, uint32_t bytes, const char16_t* name) {
  return SplSetPrinterData(printer, text, bytes, REG_SZ, name);
}

int32_t RegReadValue(const char16_t* subkey, const char16_t* name, void* buffer, uint32_t size) {
  return QueryValue(subkey, name, buffer, size, nullptr) ? 1 : 0;
}

int32_t RegReadValueNoCtx(const char16_t* subkey, const char16_t* name, void* buffer, uint32_t size) {
  return RegReadValue(subkey, name, buffer, size);
}

int32_t RegWriteValue(const char16_t* subkey, const char16_t* name, const void* data, uint32_t size, uint32_t type) {
  if (!data || size == 0 || !name) return 0;
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, subkey, &key) != ERROR_SUCCESS) return 0;
  LONG r = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? 1 : 0;
}

int32_t RegReadDrvValue(const char16_t* name, void* buffer, uint32_t size) {
  return RegReadValue(kDrvKey, name, buffer, size);
}

int32_t RegWriteDrvValue(const char16_t* name, const char16_t* text, uint32_t bytes) {
  return RegWriteValue(kDrvKey, name, text, bytes, REG_SZ);
}

int32_t SplReadPrinterString(HANDLE printer, const char16_t* name, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  DWORD got = 0;
  if (!GetData(printer, name, buffer, capacity * uint32_t(sizeof(char16_t)), &got)) {
    buffer[0] = 0;
    return 0;
  }
  Terminate(buffer, capacity, got);
  return 1;
}

int32_t RegReadString(const char16_t* subkey, const char16_t* name, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  DWORD got = 0;
  if (!QueryValue(subkey, name, buffer, capacity * uint32_t(sizeof(char16_t)), &got)) {
    buffer[0] = 0;
    return 0;
  }
  Terminate(buffer, capacity, got);
  return 1;
}

// ---- named printer-data values ------------------------------------------------------------

int32_t SplSetDriverFileNames(HANDLE printer, DriverContext* ctx) {
  if (!ctx || !ctx->model) return 0;
  bool ok = true;
  // Written with the terminating zero, which every reader copes with.
  if (ctx->model->spoolDllName && *ctx->model->spoolDllName)
    ok = SetText(printer, u"SPLUserModePrinterDriver", ctx->model->spoolDllName) && ok;
  if (ctx->model->iniFileName && *ctx->model->iniFileName)
    ok = SetText(printer, u"DriverIniFileName", ctx->model->iniFileName) && ok;
  SplSetGrFileNameData(ctx);
  SplSetEdFileNameData(ctx);
  return ok ? 1 : 0;
}

int32_t SplSetPermissionData(HANDLE printer, const void* data, uint32_t size) {
  return SplSetPrinterData(printer, data, size, REG_DWORD, u"Permission");
}

int32_t SplSetPrinterNameData(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  int32_t ok = info && info->pPrinterName ? SetText(printer, u"PrinterName", info->pPrinterName) : 0;
  MemFree(info);
  return ok;
}

int32_t SplGetPrinterNameData(HANDLE printer, char16_t* buffer, DriverContext* ctx) {
  if (!buffer) {
    if (!ctx || !ctx->work) return 0;
    return SplReadPrinterString(printer, u"PrinterName", ctx->work->printerName, Cap(ctx->work->printerName));
  }
  return SplReadPrinterNameData(printer, buffer);
}

int32_t SplReadPrinterNameData(HANDLE printer, char16_t* buffer) {
  return buffer ? SplReadPrinterString(printer, u"PrinterName", buffer, 261) : 0;
}

int32_t SplSetDriverNameData(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  int32_t ok = info && info->pDriverName ? SetText(printer, u"DriverName", info->pDriverName) : 0;
  MemFree(info);
  return ok;
}

int32_t SplSetGrFileNameData(DriverContext* ctx) {
  if (!ctx || !ctx->work || ctx == CtxGetTemplate()) return 0;  // its scratch text is read-only
  char16_t* name = ctx->work->scratch;
  if (!SplGetDriverFileName(name, Cap(ctx->work->scratch), ctx)) return 0;
  return SetText(ctx->printer, u"DriverGRFileName", name);
}

int32_t SplGetDriverFileName(char16_t* buffer, uint32_t capacity, DriverContext* ctx) {
  return DriverFileName(buffer, capacity, ctx, [](const DRIVER_INFO_3W& d) { return d.pDriverPath; });
}

int32_t SplGetDriverHelpFileName(char16_t* buffer, uint32_t capacity, DriverContext* ctx) {
  return DriverFileName(buffer, capacity, ctx, [](const DRIVER_INFO_3W& d) { return d.pHelpFile; });
}

int32_t SplSetHelpFileNameData(DriverContext* ctx) {
  if (!ctx || !ctx->work || ctx == CtxGetTemplate()) return 0;  // its scratch text is read-only
  char16_t* name = ctx->work->scratch;
  if (!SplGetDriverHelpFileName(name, Cap(ctx->work->scratch), ctx)) return 0;
  return SetText(ctx->printer, u"HelpFileName", name);
}

int32_t SplGetHelpFileNameData(char16_t* buffer, uint32_t size, DriverContext* ctx) {
  return ctx ? SplGetHelpFileNameDataByHandle(buffer, size, ctx->printer) : 0;
}

int32_t SplGetHelpFileNameDataByHandle(char16_t* buffer, uint32_t size, HANDLE printer) {
  return SplReadPrinterString(printer, u"HelpFileName", buffer, size / uint32_t(sizeof(char16_t)));
}

int32_t SplSetEdFileNameData(DriverContext* ctx) {
  if (!ctx) return 0;
  char16_t name[27] = {};  // at most 26 characters
  IniGetString(u"DriversFileName", u"DriverEDFileName", u"", name, Cap(name), PathGetInstallInfoFile(ctx));
  return SetText(ctx->printer, u"DriverEDFileName", name);
}

// ---- registry values ------------------------------------------------------------------------

int32_t RegInitPrintLogKeys(DriverContext*) {
  char16_t dir[260] = {};
  if (!RegReadString(kPrintLogKey, u"LogFileDirectory", dir, Cap(dir)) || dir[0] == 0) {
    char16_t windows[260] = {};
    UINT n = GetWindowsDirectoryW(windows, Cap(windows));
    if (n > 0 && n < Cap(windows) && plat::WCopy(dir, Cap(dir), windows) &&
        plat::WAppend(dir, Cap(dir), u"\\temp\\PrintLog")) {
      RegWriteValue(kPrintLogKey, u"LogFileDirectory", dir, uint32_t((plat::WLen(dir) + 1) * sizeof(char16_t)),
                    REG_SZ);
    }
  }
  // Any value already there, whatever its type or size, is left alone.
  if (!ValueExists(kPrintLogKey, u"MaxLogFileSize")) {
    DWORD size = 64;
    RegWriteValue(kPrintLogKey, u"MaxLogFileSize", &size, sizeof size, REG_DWORD);
  }
  return 1;
}

int32_t RegInitPrintLog(int32_t flag, DriverContext* ctx) {
  RegInitPrintLogKeys(ctx);
  if (!flag) return 1;
  auto* name = static_cast<char16_t*>(MemAllocZeroed(260 * sizeof(char16_t)));
  if (!name) return 0;
  int32_t ok = 0;
  if (SplGetDriverFileName(name, 256, ctx)) {
    // The extension becomes "log"; a name without one gets ".log".
    char16_t* dot = nullptr;
    for (char16_t* p = name; *p; ++p)
      if (*p == u'.') dot = p;
    if (dot) dot[1] = 0;
    else plat::WAppend(name, 260, u".");
    plat::WAppend(name, 260, u"log");
    ok = SetText(ctx->printer, u"LogFileName", name);
  }
  MemFree(name);
  return ok;
}

int32_t RegIsSaveDeviceSetup(DriverContext*) {
  uint8_t value[520] = {};
  DWORD got = 0;
  if (!QueryValue(kCustomSetupKey, u"SaveDeviceSetup", value, sizeof value, &got) || got < 2) return 0;
  uint16_t word = uint16_t(value[0] | (value[1] << 8));
  return word == 1 ? 1 : 0;
}

int32_t RegIsJobLinkerInstalled(int32_t kind, DriverContext*) {
  if (kind != 2) return 0;
  DWORD count = 0, got = 0;
  if (!QueryValue(kJobLinkerKey, u"INSTALL_COUNT", &count, sizeof count, &got) || got != sizeof count) return 0;
  return count ? 1 : 0;
}
