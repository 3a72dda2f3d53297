// Spooler records, the printer facts cached per context, and the printer
// and driver names.
#include "velm/spooler.h"

#include <cstring>

#include "plat/kernel.h"
#include "plat/registry.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/remote.h"
#include "velm/printer_data.h"
#include "velm/settings.h"

namespace {

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

using Fetch = BOOL (*)(HANDLE, DWORD, BYTE*, DWORD, DWORD*);

BOOL FetchPrinter(HANDLE h, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  return GetPrinterW(h, level, buffer, size, needed);
}

BOOL FetchDriver(HANDLE h, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  return GetPrinterDriverW(h, nullptr, level, buffer, size, needed);
}

// The two-call protocol: ask for the size, then fetch into a block of it.
void* TwoCallFetch(Fetch fetch, HANDLE printer, DWORD level) {
  DWORD needed = 0;
  if (fetch(printer, level, nullptr, 0, &needed)) return nullptr;  // nothing to fetch
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return nullptr;
  void* block = MemAllocZeroed(needed);
  if (!block) return nullptr;
  DWORD again = 0;
  if (!fetch(printer, level, static_cast<BYTE*>(block), needed, &again)) {
    MemFree(block);
    return nullptr;
  }
  return block;
}

const ModelInfo& Model(DriverContext* ctx) { return ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo(); }

// Fetches PRINTER_INFO_2, caches its facts and hands it to use; false when
// the spooler cannot answer.
template <class F>
bool WithPrinterInfo(DriverContext* ctx, F use) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(ctx->printer, 2));
  if (!info) return false;
  SplCachePrinterInfo(info, ctx);
  use(*info);
  MemFree(info);
  return true;
}

}  // namespace

void* SplGetPrinterInfo(HANDLE printer, DWORD level) { return TwoCallFetch(FetchPrinter, printer, level); }

void* SplGetDriverInfo(HANDLE printer, DWORD level) { return TwoCallFetch(FetchDriver, printer, level); }

void SplCachePrinterInfo(const PRINTER_INFO_2W* info, DriverContext* ctx) {
  if (!info || !ctx || !ctx->work) return;
  WorkRecord& w = *ctx->work;
  if (w.remote == 0) w.remote = info->pServerName ? 1 : 2;
  if (w.printerName[0] == 0 && info->pPrinterName) plat::WCopy(w.printerName, Cap(w.printerName), info->pPrinterName);
  if (w.driverName[0] == 0 && info->pDriverName) plat::WCopy(w.driverName, Cap(w.driverName), info->pDriverName);
  if (w.attributesValid == 0) {
    w.attributes = info->Attributes;
    w.attributesValid = 1;
  }
}

int32_t SplTestPrinterAttributes(uint32_t mask, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  WorkRecord& w = *ctx->work;
  if (!w.attributesValid) {
    // A failed fetch caches nothing, so the next test asks again.
    if (!WithPrinterInfo(ctx, [&](const PRINTER_INFO_2W& info) {
          w.attributes = info.Attributes;
          w.attributesValid = 1;
        }))
      return 0;
  }
  return (w.attributes & mask) ? 1 : 0;
}

int32_t SplIsBidiEnabled(DriverContext* ctx) { return SplTestPrinterAttributes(PRINTER_ATTRIBUTE_ENABLE_BIDI, ctx); }

int32_t SplIsRemotePrinter(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  WorkRecord& w = *ctx->work;
  if (w.remote == 0) w.remote = SplQueryRemotePrinter(ctx) ? 1 : 2;
  return w.remote == 1 ? 1 : 0;
}

int32_t SplQueryRemotePrinter(DriverContext* ctx) {
  if (!ctx) return 0;
  int32_t remote = 0;
  WithPrinterInfo(ctx, [&](const PRINTER_INFO_2W& info) { remote = info.pServerName ? 1 : 0; });
  return remote;
}

int32_t SplIsRemoteByHandle(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  int32_t remote = SplIsRemoteInfo(info);
  MemFree(info);
  return remote;
}

int32_t SplHasPrinterDevmode(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  int32_t has = info && info->pDevMode ? 1 : 0;
  MemFree(info);
  return has;
}

int32_t SplIsRemoteInfo(const PRINTER_INFO_2W* info) { return info && info->pServerName ? 1 : 0; }

int32_t SplIsPrinterRenamed(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!info || info->pServerName) return 0;
  char16_t client[261] = {};
  if (SplReadPrinterString(printer, u"ClientName", client, Cap(client)) && client[0]) return 0;
  if (InstIsServerType17(printer, info->pPrinterName)) return 0;
  // The stored name is read into 522 bytes; the block has room for one more
  // character, which stays zero, so an unterminated value still ends.
  auto* stored = static_cast<char16_t*>(MemAllocZeroed(522 + sizeof(char16_t)));
  if (!stored) return 0;
  int32_t renamed = 1;
  if (SplGetPrinterData(printer, stored, 522, u"PrinterName"))
    renamed = plat::WCmpI(stored, info->pPrinterName ? info->pPrinterName : u"") != 0 ? 1 : 0;
  MemFree(stored);
  return renamed;
}

const char16_t* SplGetPrinterName(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  if (ctx->work->printerName[0] == 0) WithPrinterInfo(ctx, [](const PRINTER_INFO_2W&) {});
  return ctx->work->printerName;
}

char16_t* SplCopyPrinterName(char16_t* buffer, uint32_t capacity, const PRINTER_INFO_2W* info) {
  if (!buffer) return nullptr;
  if (capacity == 0) return buffer;
  if (!info || !info->pPrinterName || !plat::WCopy(buffer, capacity, info->pPrinterName)) buffer[0] = 0;
  return buffer;
}

char16_t* SplCopyPrinterNameByHandle(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer) return nullptr;
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  SplCopyPrinterName(buffer, capacity, info);
  MemFree(info);
  return buffer;
}

const char16_t* SplGetDriverName(DriverContext* ctx) {
  if (!ctx || !ctx->work) return Model(ctx).fallbackDriverName;
  if (ctx->work->driverName[0] == 0) WithPrinterInfo(ctx, [](const PRINTER_INFO_2W&) {});
  return ctx->work->driverName[0] ? ctx->work->driverName : Model(ctx).fallbackDriverName;
}

char16_t* SplCopyDriverNameByHandle(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return buffer;
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  if (!info || !info->pDriverName || !plat::WCopy(buffer, capacity, info->pDriverName))
    plat::WCopy(buffer, capacity, CtxGetBuiltinModelInfo().fallbackDriverName);
  MemFree(info);
  return buffer;
}

int32_t SplGetAdminChange(HANDLE printer, uint32_t* out) {
  DWORD value = 0, type = 0, needed = 0;
  DWORD r = GetPrinterDataW(printer, const_cast<LPWSTR>(u"AdminChange"), &type, reinterpret_cast<BYTE*>(&value),
                            sizeof value, &needed);
  // Only a value of exactly four bytes is a number.
  if (r != ERROR_SUCCESS || needed != sizeof value) value = 0;
  if (out) *out = value;
  return value ? 1 : 0;
}

HANDLE SplRevertToPrinterSelf() { return RevertToPrinterSelf(); }

void SplImpersonatePrinterClient(HANDLE token) {
  if (token) ImpersonatePrinterClient(token);
}

int32_t SplIsRemoteByName(const char16_t* name) {
  if (!name) return 0;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, 0x20008};
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(name), &h, &defaults)) return 0;
  int32_t remote = SplIsRemoteByHandle(h);
  ClosePrinter(h);
  return remote;
}
