// Enabling and disabling handles of the VELMDrv interface, the interface
// version and the printer access around each operation.
#include "drv_handle.h"

#include <atomic>
#include <cstring>

#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velm/devmode.h"
#include "velm/os.h"
#include "velm/settings.h"

namespace {

std::atomic<int32_t> g_api_version{0};

constexpr uint32_t kNameChars = 260;

// The ANSI name as UTF-16; false for none and for a name longer than 260
// characters (a longer name is refused, never cut to another printer's).
bool WidenName(const char* name, char16_t (&wide)[kNameChars + 1]) {
  if (!name || !name[0]) return false;
  int n = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, int(kNameChars + 1));
  return n > 1 && wide[0];
}

}  // namespace

int32_t DrvCheckApiVersion(const char* name) {
  if (!name || !name[0]) return 0;
  int32_t version = ApiIniGetIntNoCtx(u"VELMAPI", u"VELMAPIVer");
  if (version == -1) version = kDrvDefaultApiVersion;
  g_api_version.store(version);
  return version;
}

int32_t DrvApiVersion() { return g_api_version.load(); }

DriverContext* DrvEnable(const char* name) {
  if (!name || !name[0]) return nullptr;
  DrvCheckApiVersion(name);
  char16_t wide[kNameChars + 1] = {};
  if (!WidenName(name, wide)) return nullptr;
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wide, &printer, nullptr) || !printer) return nullptr;
  DriverContext* ctx = CtxOpen(printer, printer, kOpenDrvHandle);
  if (!ctx || !ctx->work || !ctx->devmode) {
    if (ctx) CtxClose(ctx);
    ClosePrinter(printer);
    return nullptr;
  }
  ApiResetSimplexMargins(ctx);
  std::memcpy(ctx->work->printerName, wide, sizeof wide);
  // Without the holder the before-state is simply not taken.
  ctx->work->statusBefore = static_cast<uint8_t*>(MemAllocZeroed(kDrvBeforeBytes));
  DmSetEnvironmentFlags(ctx);
  // A query program never hands jobs to the job tool.
  DmSetFlagJobToolInstalledTo(ctx, 0);
  ApiSetOsKind(ctx);
  ClosePrinter(printer);
  ctx->printer = nullptr;
  ctx->queryPrinter = nullptr;
  return ctx;
}

int32_t DrvDisable(DriverContext* ctx) {
  if (!ctx) return 1;
  if (ctx->work) {
    MemFree(ctx->work->statusBefore);
    ctx->work->statusBefore = nullptr;
  }
  ctx->printer = nullptr;
  ctx->queryPrinter = nullptr;
  CtxCloseAs(ctx, kCloseToCache);
  CtxSweepCache(1);
  return 1;
}

bool DrvIsHandle(const DriverContext* ctx) {
  return ctx && ctx->work && (ctx->work->openFlags & kOpenDrvHandle) != 0;
}

uint8_t* DrvBeforeChange(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->statusBefore : nullptr; }

uint8_t* DrvBeforeEntry(DriverContext* ctx, uint32_t status_item) {
  uint8_t* holder = DrvBeforeChange(ctx);
  if (!holder || status_item < 1 || status_item > kDrvStatusItemCount) return nullptr;
  return holder + size_t(status_item - 1) * kDrvBeforeEntryBytes;
}

int32_t DrvOpenPrinter(DriverContext* ctx) {
  if (!ctx) return 0;
  return ApiOpenPrinter(ctx);
}

void DrvClosePrinter(DriverContext* ctx) {
  if (!ctx) return;
  ApiClosePrinter(ctx);
  ctx->printer = nullptr;
  ctx->queryPrinter = nullptr;
}
