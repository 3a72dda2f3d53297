// DrvConvertDevMode, DevQueryPrintEx and DrvUpgradePrinter: the spooler's
// calls without a user interface. DrvConvertDevMode also runs a printer's
// first-run set-up (the driver default) and the upgrade of its settings
// after a driver update (the conversion).
#include <cstring>

#include "events.h"
#include "plat/kernel.h"
#include "spooler_calls.h"
#include "velm/devmode.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/jobinfo.h"
#include "velm/lock.h"
#include "velm/settings.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/remote.h"
#include "velm/remote_api.h"
#include "velm/save_stack.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace events {

size_t DeclaredLength(const DEVMODEW* devmode) {
  if (!devmode) return 0;
  uint16_t size = 0, extra = 0;
  std::memcpy(&size, reinterpret_cast<const uint8_t*>(devmode) + 68, 2);
  std::memcpy(&extra, reinterpret_cast<const uint8_t*>(devmode) + 70, 2);
  return size_t(size) + extra;
}

}  // namespace events

namespace {

using events::Context;
using events::FirstRun;
using events::Printer;

constexpr uint16_t kKindStoredDefaults = 0x1B00;  // kind 0, cache, admin, mutex held
constexpr uint16_t kKindModel = 0x300;            // kind 0, admin, mutex held
constexpr int32_t kRemoteFeatureClient = 7;
constexpr uint32_t kInstallRefresh = 4096;

// The private version of this driver's DEVMODEs.
uint32_t ModelVersion() {
  DriverContext* t = CtxGetTemplate();
  return t && t->model ? t->model->privateVersion : 0;
}

// The private version a DEVMODE carries at byte 357; false for one too
// short to carry it (a foreign DEVMODE).
bool ReadPrivateVersion(const uint8_t* devmode, size_t length, uint32_t* version) {
  if (!devmode || length < dm::kPrivateVersion + 4) return false;
  std::memcpy(version, devmode + dm::kPrivateVersion, 4);
  return true;
}

// Same model: the low words agree. Older: a smaller high word.
bool SameModel(uint32_t version) { return (version & 0xFFFF) == (ModelVersion() & 0xFFFF); }
bool OlderDriver(uint32_t version) { return (version >> 16) < (ModelVersion() >> 16); }

void StampModelVersion(uint8_t* devmode) {
  uint32_t v = ModelVersion();
  std::memcpy(devmode + dm::kPrivateVersion, &v, 4);
}

// The context's DEVMODE into the caller's buffer of capacity bytes: whole
// when it fits, else each part as far as the caller's own sizes reach.
void CopyToCaller(DriverContext* ctx, DEVMODEW* output, uint32_t capacity) {
  uint8_t* working = CtxGetDevmode(ctx);
  if (!output || !working) return;
  auto* out = reinterpret_cast<uint8_t*>(output);
  const uint32_t total = DmGetTotalSize();
  if (capacity >= total)
    std::memcpy(out, working, total);
  else
    DmCopyDevmodeParts(working, total, out, capacity);
}

// The driver defaults with the printer's stored settings, no set-up.
int32_t StoredDefaults(HANDLE printer, DEVMODEW* output, uint32_t capacity) {
  // The kind word says the caller holds the driver mutex: so it does.
  DriverMutexHold hold;
  Context ctx(CtxOpenKind(printer, printer, kKindStoredDefaults, kOpenEntryPoint));
  if (!ctx) return 0;
  DmSetDefaults(ctx.get());
  CopyToCaller(ctx.get(), output, capacity);
  return 1;
}

// After the set-up of type 0: the terminal-server client's DEVMODE, when
// the client configuration serves one of this model. 0 only when no
// context could be opened.
int32_t TakeClientDevmode(HANDLE printer, DEVMODEW* output, uint32_t capacity, uint8_t* server_type) {
  const uint32_t total = DmGetTotalSize();
  auto* buffer = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
  if (!buffer) return 0;
  int32_t result = 1;
  {
    DriverMutexHold hold;
    Context ctx(CtxOpenKind(printer, printer, kKindModel, kOpenEntryPoint));
    uint32_t version = 0;
    if (!ctx) {
      result = 0;
    } else if (RemoteGetClientDevmode(ctx.get(), reinterpret_cast<DEVMODEW*>(buffer), server_type) &&
               ReadPrivateVersion(buffer, total, &version) && SameModel(version)) {
      if (OlderDriver(version)) {
        uint32_t size = total;
        if (DmConvertDevMode(buffer, total, CtxGetDevmode(ctx.get()), &size, CDM_CONVERT) == 1) {
          PresetRefreshQualities(ctx.get());
          StampModelVersion(CtxGetDevmode(ctx.get()));
          CopyToCaller(ctx.get(), output, capacity);
        }
      } else if (output) {
        std::memcpy(output, buffer, capacity < total ? capacity : total);
      }
    }
  }
  MemFree(buffer);
  return result;
}

// CDM_DRIVER_DEFAULT: the defaults, and the printer's set-up on first use.
int32_t DriverDefault(const char16_t* name, DEVMODEW* output, uint32_t capacity) {
  Printer probe(name, {kAccessUse});
  if (!probe) return 0;
  const bool remote = SplIsRemoteByHandle(probe.get()) != 0;
  if (!remote) probe.Close();
  Printer local(remote ? nullptr : name, {kAccessAll});
  HANDLE printer = remote ? probe.get() : local.get();
  if (!printer) return 0;

  FirstRun first_run;
  if (remote || (InstIsBatchInstallDone(printer) && SplHasPrinterDevmode(printer)))
    return StoredDefaults(printer, output, capacity);

  int32_t ran;
  {
    DriverMutexHold hold;
    CtxSetFirstRun(1);
    ran = InstSetUpOnce(printer, output, capacity, kSetupDriverDefault);
  }
  if (ran == 0) return 0;
  // Another process finished the set-up while this one waited.
  if (ran == kSetupAlreadyDone) return StoredDefaults(printer, output, capacity);
  CtxSetFirstRun(0);

  uint8_t server_type = 0;
  if (RemoteIsFeatureBitOn(kRemoteFeatureClient) && !TakeClientDevmode(printer, output, capacity, &server_type))
    return 0;
  std::u16string printer_name = name;
  const bool client = printer_name.find(u"\\Client") != std::u16string::npos || server_type == kRemoteServerType17;
  return InstWriteInstallRecord(printer, kInstallFirst, client ? 0 : 2) ? 1 : 0;
}

// CDM_CONVERT: the printer's settings after a driver update.
int32_t ConvertAfterUpdate(const char16_t* name, const uint8_t* input, size_t input_length, DEVMODEW* output,
                           uint32_t capacity) {
  Printer printer(name, {SplIsRemoteByName(name) ? kAccessUse : kAccessAll});
  if (!printer) return 0;
  FirstRun first_run;
  Context ctx(CtxOpenKind(printer.get(), printer.get(), kKindModel, kOpenEntryPoint));
  if (!ctx) return 0;
  JobInfoSyncPrinter(ctx.get());

  uint16_t install_type;
  uint32_t version = 0;
  if (InstBatchHasEntriesByName(name)) {
    if (!InstInitializePrinter(printer.get(), output, output ? capacity : 0, kSetupDriverDefault)) return 0;
    install_type = kInstallAdminChange;
  } else if (ReadPrivateVersion(input, input_length, &version) && SameModel(version)) {
    InstInstallFiles(ctx.get(), kInstallRefresh);
    DmClearTerminalServerActions(ctx.get(), 1);
    if (OlderDriver(version)) {
      PresetRefreshQualities(ctx.get());
      if (output) {
        StampModelVersion(CtxGetDevmode(ctx.get()));
        CopyToCaller(ctx.get(), output, capacity);
      }
    }
    InstApplyBatchDefaults(printer.get(), nullptr, 1, ctx.get());
    PathSecureDataDir(ctx.get());
    install_type = kInstallUpdate;
  } else {
    // A DEVMODE of another model or driver, or one too short to say.
    if (!InstInitializePrinter(printer.get(), output, output ? capacity : 0, kSetupInitialize)) return 0;
    DmSetDefaults(ctx.get());
    CopyToCaller(ctx.get(), output, capacity);
    install_type = kInstallFirst;
  }
  CtxSetFirstRun(0);
  return InstWriteInstallRecord(printer.get(), install_type, 0) ? 1 : 0;
}

}  // namespace

BOOL UiConvertDevMode(LPWSTR printer_name, DEVMODEW* input, DEVMODEW* output, LONG* needed, DWORD mode) {
  if (!needed || (mode != CDM_CONVERT && mode != CDM_CONVERT351 && mode != CDM_DRIVER_DEFAULT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* in = reinterpret_cast<const uint8_t*>(input);
  const size_t in_length = events::DeclaredLength(input);
  const uint32_t capacity = output && *needed > 0 ? uint32_t(*needed) : 0;
  uint32_t size = capacity;
  int32_t result = DmConvertDevMode(in, in_length, reinterpret_cast<uint8_t*>(output), &size, mode);
  *needed = LONG(size);
  if (result == 2 && mode == CDM_DRIVER_DEFAULT)
    result = DriverDefault(printer_name, output, capacity);
  else if (result == 1 && mode == CDM_CONVERT)
    result = ConvertAfterUpdate(printer_name, in, in_length, output, capacity);
  CtxSetFirstRun(0);
  return result == 1 ? TRUE : FALSE;
}

BOOL UiDevQueryPrintEx(DEVQUERYPRINT_INFO* info) {
  if (!info) return FALSE;
  if (!info->pDevMode) return TRUE;
  if (InstCheckOnOpen(info->hPrinter) != 1) return TRUE;
  Context ctx(CtxOpen(info->hPrinter, info->hPrinter, kOpenEntryPoint));
  if (!ctx) return FALSE;
  const auto* dm = reinterpret_cast<const uint8_t*>(info->pDevMode);
  return DmMergeInput(ctx.get(), dm, events::DeclaredLength(info->pDevMode), kMergeQueryPrint | DM_IN_BUFFER) ? TRUE
                                                                                                            : FALSE;
}

BOOL UiUpgradePrinter(DWORD level, BYTE* info) {
  const auto* upgrade = reinterpret_cast<const DRIVER_UPGRADE_INFO_1W*>(info);
  Printer printer(level == 1 && upgrade ? upgrade->pPrinterName : nullptr, {kAccessAll});
  if (!printer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (InstCheckOnOpen(printer.get()) != 1) return FALSE;
  Context ctx(CtxOpen(printer.get(), printer.get(), kOpenEntryPoint));
  if (!ctx) return FALSE;
  const int32_t saved = StoreSavePrinterSettings(printer.get(), ctx.get());
  const int32_t named = SplSetDriverFileNames(printer.get(), ctx.get());
  return saved && named ? TRUE : FALSE;
}
