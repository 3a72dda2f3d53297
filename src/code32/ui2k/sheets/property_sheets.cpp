// The sheet callbacks of the printer and document sheets, document
// properties with and without a sheet, and the DLL entry.
#include <cstring>

#include "plat/kernel.h"
#include "plat/winspool.h"
#include "sheets.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/library.h"
#include "velm/os.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/remote.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"
#include "velm/ucode.h"

namespace {

constexpr uint16_t kDocumentHeaderSize = 28;
constexpr uint16_t kDeviceHeaderSize = 12;
constexpr WORD kInfoHeaderFlags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
constexpr ULONG_PTR kSheetIcon = 64082;
constexpr uint32_t kOpenSheet = kOpenEntryPoint;
constexpr uint32_t kMergeSheetPrinter = 0x400000A;
constexpr uint32_t kMergeNoUi = 0x22000008;
constexpr uint32_t kSettingDuplexTrayType = 10014;
constexpr int32_t kRemoteFeaturePresets = 7;
constexpr int32_t kJobToolKind = 2;
constexpr uint32_t kQstDeviceSave = 8;

// The printer of a callback: its PRINTER_INFO_2 (freed by the holder) and
// whether it was renamed; ok false when the check failed.
struct PrinterCheck {
  PRINTER_INFO_2W* info = nullptr;
  int32_t renamed = 0;
  bool ok = false;
  PrinterCheck() = default;
  PrinterCheck(const PrinterCheck&) = delete;
  PrinterCheck& operator=(const PrinterCheck&) = delete;
  ~PrinterCheck() { MemFree(info); }
};

void CheckPrinter(HANDLE printer, PrinterCheck* check) {
  check->info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  if (!check->info) return;
  check->renamed = SplIsPrinterRenamed(printer, check->info);
  if (!check->renamed && InstCheckPrinter(printer, 1, check->info) != 1) return;
  check->ok = true;
}

void Publish(HANDLE printer) {
  PRINTER_INFO_7W publish{nullptr, DSPRINT_UPDATE};
  // Publishing in the directory is a courtesy; the settings are saved already.
  (void)SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&publish), 0);
}

// A working DEVMODE of other sizes or of another model starts again from
// the defaults and the stored items.
void RepairDevmode(DriverContext* ctx) {
  uint16_t size, extra;
  std::memcpy(&size, ctx->devmode + 68, 2);
  std::memcpy(&extra, ctx->devmode + 70, 2);
  if (uint32_t(size) + extra != DmGetTotalSize() || !DmIsCompatible(ctx->devmode)) {
    DmSetDefaults(ctx);
    StoreFreeFontBlobs(ctx);
    StoreLoadAll(ctx);
  }
}

// The hand-over of the installation: [printer] VelmInstDone of velmcfg.ini
// in the common data directory.
void ApplyInstallHandOver(DriverContext* ctx) {
  char16_t path[260];
  if (!PathMakeInDataDir(path, 260, u"velmcfg.ini", ctx) || !FileExists(path)) return;
  const char16_t* section = InstGetPrinterSectionName(ctx);
  int32_t done = IniGetInt(section, u"VelmInstDone", -1, path) & 0xFF;
  if (done == 1) OptSetValueById(ctx, setting::vdmLanguageID, IniGetInt(section, u"DispLang", 0, path) & 0xFF);
  else if (done == 0) InstApplyLocaleDefaults(InstGetPrinterSectionName(ctx), ctx);
}

bool IsLocal(DriverContext* ctx) { return DmGetFlagRemotePrinter(ctx) != 1; }

// The device-query flags: ex (the default trays were taken over already)
// and bidi (the device was queried), from the client ini for a local
// printer that has it there.
void BidiFlags(DriverContext* ctx, int32_t* ex, int32_t* bidi) {
  *ex = BidiGetExFlag(ctx);
  *bidi = IsLocal(ctx) && BidiIniHasFlag(ctx) ? BidiIniGetFlag(ctx) : BidiIsFlagSet(ctx);
}

void SetOsKindAndUserDefault(DriverContext* ctx, DWORD mode) {
  if (OsIsNt5OrLater()) {
    DmSetFlagUserDefault(ctx);
    DmSetOsKindNt5(ctx);
  } else {
    DmSetFlagUserDefaultTo(ctx, (mode & DM_USER_DEFAULT) ? 1 : 0);
    DmSetOsKindNt4(ctx);
  }
}

void CloseWithSnapshot(DriverContext* ctx) {
  MemFree(ctx->work->sheetSnapshot);
  ctx->work->sheetSnapshot = nullptr;
  CtxClose(ctx);
}

// ---- document sheet --------------------------------------------------------------------

LONG DocumentInit(PROPSHEETUI_INFO* info, DOCUMENTPROPERTYHEADER* h, const PrinterCheck& check) {
  DriverContext* ctx = CtxOpenWithPrinterInfo(h->hPrinter, h->hPrinter, kOpenSheet, check.info);
  if (!ctx) return -1;
  if (!ctx->image) {
    CtxClose(ctx);
    return -1;
  }
  RepairDevmode(ctx);
  if (check.renamed) InstHandlePrinterRename(ctx);
  if (RemoteIsFeatureBitOn(kRemoteFeaturePresets)) RemoteRefreshPresets(ctx);
  if (check.renamed && InstCheckPrinter(ctx->printer, 1, check.info) != 1) {
    CtxClose(ctx);
    return -1;
  }
  ApplyInstallHandOver(ctx);
  DmSetFlagTerminalServerTo(ctx, OsIsTerminalServer(ctx->printer));
  DmSetFlagAdministratorTo(ctx, OsIsAdministrator());
  if (IsLocal(ctx) && BidiIniGetFlag(ctx)) BidiIniLoadSettings(ctx);
  BidiQueryIfNeeded(ctx, nullptr);
  int32_t ex, bidi;
  BidiFlags(ctx, &ex, &bidi);
  WorkRecord& w = *ctx->work;
  MemFree(w.sheetSnapshot);
  w.sheetSnapshot = nullptr;
  if (ex == 0 && bidi == 1) {
    BidiApplyDefaultTrays(ctx);
    w.sheetSnapshot = static_cast<uint8_t*>(MemAllocZeroed(DmGetWorkBufferSize()));
    if (!w.sheetSnapshot) {
      CtxClose(ctx);
      return -1;
    }
  }
  SetOsKindAndUserDefault(ctx, h->fMode);
  DmClearFlagDeviceSheet(ctx);
  DmSetFlagNoPermissionTo(ctx, (h->fMode & DM_NOPERMISSION) ? 1 : 0);
  int32_t job_tool = RegIsJobLinkerInstalled(kJobToolKind, ctx);
  DmSetFlagJobToolInstalledTo(ctx, job_tool);
  UcodeUpdateProviderFlags(ctx);
  int32_t provider = DmGetFlagProviderUcode(ctx);
  if (OsIsNt5OrLater()) {
    // Writing one item to printer data probes for the right to refresh the presets.
    if (DmGetFlagNoPermission(ctx) == 0 &&
        StoreSaveItemToPrinterData(ctx->printer, ctx, OptFindSetting(ctx, kSettingDuplexTrayType)) == 1)
      InstRefreshPresets(ctx, 0);
  } else if (DmGetFlagUserDefault(ctx) == 1 && DmGetFlagNoPermission(ctx) == 0) {
    InstRefreshPresets(ctx, 0);
  }
  if (!DmMergeInput(ctx, reinterpret_cast<const uint8_t*>(h->pdmIn), UiDevmodeLength(h->pdmIn),
                    h->fMode | kMergeDocSheet)) {
    CloseWithSnapshot(ctx);
    return -1;
  }
  DmSetFlagJobToolInstalledTo(ctx, job_tool);
  DmSetFlagProviderUcodeTo(ctx, provider);
  DmSetFlagProviderUcode2To(ctx, provider);
  info->UserData = ULONG_PTR(ctx);

  Publish(ctx->printer);
  InstSetCountryDefaults(ctx);
  if (ex == 0 && bidi == 1) {
    BidiApplyDefaultTrays(ctx);
    std::memcpy(w.sheetSnapshot, ctx->devmode, DmGetWorkBufferSize());
  }
  w.inputDevmode = h->pdmIn;
  w.outputDevmode = h->pdmOut;
  w.documentSheetMode = int32_t(h->fMode);
  w.sheetCallback = reinterpret_cast<void*>(info->pfnComPropSheet);
  w.sheetHandle = info->hComPropSheet;
  w.sheetCommitted = 0;
  w.sheetMode = 1;
  UiAddSheetPages(ctx, 1);
  return 1;
}

void SetResult(PROPSHEETUI_INFO* info, WorkRecord& w) {
  info->Result = 1;
  auto set = reinterpret_cast<PFNCOMPROPSHEET>(w.sheetCallback);
  if (set) set(w.sheetHandle, CPSFUNC_SET_RESULT, 0, 1);
}

// Puts the sheet's DEVMODE as it was opened back and stores it.
void RestoreSnapshot(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  if (!w.sheetSnapshot) return;
  std::memcpy(ctx->devmode, w.sheetSnapshot, DmGetWorkBufferSize());
  MemFree(w.sheetSnapshot);
  w.sheetSnapshot = nullptr;
  UiSaveDocumentSettings(ctx, 3);
}

void DocumentDestroy(PROPSHEETUI_INFO* info, DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  int32_t ex, bidi;
  BidiFlags(ctx, &ex, &bidi);
  const bool trays = ex == 0 && bidi == 1;
  if (w.saveOnClose == 1) {
    JobInfoOpenIfEnabled(ctx);
    JobInfoWriteOneIfEnabled(ctx, 158);
    JobInfoReadOneIfEnabled(ctx, 1);
    JobInfoCloseIfEnabled(ctx);
    if (uint32_t(w.documentSheetMode) & (DM_UPDATE | DM_COPY)) UiSaveDocumentSettings(ctx, 3);
    if (trays) BidiSetExFlag(ctx);
    if (RegIsSaveDeviceSetup(ctx)) {
      // A copy of the device set-up for other users: the sheet's own
      // settings are stored above, whatever the copy answers.
      (void)QstSaveDefaultDeviceSection(ctx);
      (void)QstSaveDeviceSection(nullptr, kQstDeviceSave, ctx);
    }
    SetResult(info, w);
  } else if (w.sheetCommitted && OsIsNt5OrLater()) {
    if (trays) BidiSetExFlag(ctx);
    SetResult(info, w);
  } else if (!trays) {
    info->Result = 0;
  } else {
    // Cancelled after the default trays were applied: the DEVMODE as it was
    // opened is stored, and the trays count as taken over.
    RestoreSnapshot(ctx);
    BidiSetExFlag(ctx);
    SetResult(info, w);
  }
  MemFree(w.sheetSnapshot);
  w.sheetSnapshot = nullptr;
  info->UserData = 0;
  CtxClose(ctx);
}

// ---- printer sheet -------------------------------------------------------------------------

LONG DeviceInit(PROPSHEETUI_INFO* info, DEVICEPROPERTYHEADER* h, const PrinterCheck& check) {
  DriverContext* ctx = CtxOpenWithPrinterInfo(h->hPrinter, h->hPrinter, kOpenSheet, check.info);
  if (!ctx) return -1;
  if (!ctx->image) {
    CtxClose(ctx);
    return -1;
  }
  RepairDevmode(ctx);
  if (check.renamed) InstHandlePrinterRename(ctx);
  if (check.renamed && InstCheckPrinter(ctx->printer, 1, check.info) != 1) {
    CtxClose(ctx);
    return -1;
  }
  ApplyInstallHandOver(ctx);
  DmSetFlagTerminalServerTo(ctx, OsIsTerminalServer(ctx->printer));
  DmSetFlagAdministratorTo(ctx, OsIsAdministrator());
  if (IsLocal(ctx) && BidiIniGetFlag(ctx)) BidiIniLoadSettings(ctx);
  BidiQueryWithProgress(ctx, nullptr);
  if (OsIsNt5OrLater()) DmSetOsKindNt5(ctx);
  else DmSetOsKindNt4(ctx);
  DmSetFlagUserDefault(ctx);
  DmSetFlagDeviceSheet(ctx);
  const int32_t no_permission = (h->Flags & DPS_NOPERMISSION) ? 1 : 0;
  DmSetFlagNoPermissionTo(ctx, no_permission);
  DmSetFlagJobToolInstalledTo(ctx, RegIsJobLinkerInstalled(kJobToolKind, ctx));
  UcodeUpdateProviderFlags(ctx);
  if (!DmMergeInput(ctx, nullptr, 0, kMergeSheetPrinter)) {
    CtxClose(ctx);
    return -1;
  }
  info->UserData = ULONG_PTR(ctx);

  Publish(ctx->printer);
  WorkRecord& w = *ctx->work;
  InstSetCountryDefaults(ctx);
  DmSetFlagUserDefault(ctx);
  DmSetFlagDeviceSheet(ctx);
  DmSetFlagNoPermissionTo(ctx, no_permission);
  w.permission = no_permission ? 0 : 1;
  w.sheetCallback = reinterpret_cast<void*>(info->pfnComPropSheet);
  w.sheetHandle = info->hComPropSheet;
  w.sheetCommitted = 0;
  w.sheetMode = 2;
  UiAddSheetPages(ctx, 2);
  return 1;
}

void DeviceDestroy(PROPSHEETUI_INFO* info, DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  if (w.saveOnClose == 1) {
    UiSavePrinterSettings(ctx, 3);
    if (RegIsSaveDeviceSetup(ctx)) {
      // A copy of the device set-up for other users: the sheet's own
      // settings are stored above, whatever the copy answers.
      (void)QstSaveDefaultDeviceSection(ctx);
      (void)QstSaveDeviceSection(nullptr, kQstDeviceSave, ctx);
    }
    InstRefreshPresets(ctx, 1);
    if (BidiIsFlagDataUsable(ctx)) BidiIniDeleteSection(ctx);
    SetResult(info, w);
  } else {
    info->Result = 0;
  }
  info->UserData = 0;
  CtxClose(ctx);
}

// The reasons every sheet answers alike once it has its context.
LONG CommonReason(PROPSHEETUI_INFO* info, LPARAM param, LPWSTR title) {
  switch (info->Reason) {
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(param);
      if (!header) return -1;
      header->Flags = kInfoHeaderFlags;
      header->pTitle = title;
      header->hInst = CommonModuleHandle();
      header->IconID = kSheetIcon;
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT: {
      auto* r = reinterpret_cast<SETRESULT_INFO*>(param);
      if (r) info->Result = ULONG_PTR(r->Result);
      return 1;
    }
    case PROPSHEETUI_REASON_GET_ICON:
      return -1;
  }
  return 1;
}

}  // namespace

BOOL UiDllMain(HINSTANCE module, DWORD reason, LPVOID) {
  // Attach keeps the module and makes the locks; detach releases the cached
  // contexts before the model list they refer to, then the locks.
  CommonDllMain(module, reason);
  return TRUE;
}

LONG UiRunCommonPropertySheet(HWND owner, PFNPROPSHEETUI callback, LPARAM param, DWORD* result) {
  HMODULE module = LoadLibraryA("compstui.dll");
  if (!module) return -1;
  auto run = reinterpret_cast<CommonPropertySheetUIWProc>(GetProcAddress(module, "CommonPropertySheetUIW"));
  LONG answer = run ? run(owner, callback, param, result) : -1;
  FreeLibrary(module);
  return answer;
}

LONG UiDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM param) {
  if (!info) {
    auto* h = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(param);
    if (!h) return -1;
    PrinterCheck check;
    if (h->fMode && h->pdmOut) {
      CheckPrinter(h->hPrinter, &check);
      if (!check.ok) return -1;
    }
    return UiDocumentPropertiesNoUi(h, check.info, check.renamed);
  }
  auto* h = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info->lParamInit);
  if (!h) return -1;
  PrinterCheck check;
  CheckPrinter(h->hPrinter, &check);
  if (!check.ok) return -1;
  if (info->Reason == PROPSHEETUI_REASON_INIT) return DocumentInit(info, h, check);
  auto* ctx = reinterpret_cast<DriverContext*>(info->UserData);
  if (!ctx) return -1;
  Publish(ctx->printer);
  if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
    DocumentDestroy(info, ctx);
    return 1;
  }
  return CommonReason(info, param, h->pszPrinterName);
}

LONG UiDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM param) {
  if (!info) return -1;
  auto* h = reinterpret_cast<DEVICEPROPERTYHEADER*>(info->lParamInit);
  if (!h) return -1;
  PrinterCheck check;
  if (info->Reason != PROPSHEETUI_REASON_DESTROY) {
    CheckPrinter(h->hPrinter, &check);
    if (!check.ok) return -1;
  }
  if (info->Reason == PROPSHEETUI_REASON_INIT) return DeviceInit(info, h, check);
  auto* ctx = reinterpret_cast<DriverContext*>(info->UserData);
  if (!ctx) return -1;
  Publish(ctx->printer);
  if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
    DeviceDestroy(info, ctx);
    return 1;
  }
  return CommonReason(info, param, h->pszPrinterName);
}

LONG UiDocumentPropertiesNoUi(DOCUMENTPROPERTYHEADER* h, const PRINTER_INFO_2W* info, int32_t renamed) {
  h->cbOut = DmGetTotalSize();
  if (!h->fMode || !h->pdmOut) return LONG(h->cbOut);
  DriverContext* ctx = CtxOpenWithMode(h->hPrinter, h->hPrinter, kOpenDocNoUi, h->fMode, info);
  if (!ctx) return -1;
  if (!ctx->image) {
    CtxClose(ctx);
    return -1;
  }
  RepairDevmode(ctx);
  WorkRecord& w = *ctx->work;
  w.inputDevmode = h->pdmIn;
  w.outputDevmode = h->pdmOut;
  w.documentSheetMode = int32_t(h->fMode);
  w.sheetCallback = nullptr;
  w.sheetHandle = nullptr;
  if (renamed) InstHandlePrinterRename(ctx);
  if (RemoteIsFeatureBitOn(kRemoteFeaturePresets)) RemoteRefreshPresets(ctx);
  if (renamed && info && InstCheckPrinter(ctx->printer, 1, info) != 1) {
    CtxClose(ctx);
    return -1;
  }
  SetOsKindAndUserDefault(ctx, h->fMode);
  DmSetFlagNoPermissionTo(ctx, (h->fMode & DM_NOPERMISSION) ? 1 : 0);
  DmSetFlagRemotePrinterTo(ctx, SplIsRemotePrinter(ctx));
  int32_t job_tool = RegIsJobLinkerInstalled(kJobToolKind, ctx);
  DmSetFlagJobToolInstalledTo(ctx, job_tool);
  UcodeUpdateProviderFlags(ctx);
  int32_t provider = DmGetFlagProviderUcode(ctx);
  if ((h->fMode & DM_MODIFY) && h->pdmIn) {
    if (!DmMergeInput(ctx, reinterpret_cast<const uint8_t*>(h->pdmIn), UiDevmodeLength(h->pdmIn),
                      h->fMode | kMergeNoUi)) {
      CtxClose(ctx);
      return -1;
    }
    DmSetFlagJobToolInstalledTo(ctx, job_tool);
    DmSetFlagProviderUcodeTo(ctx, provider);
    DmSetFlagProviderUcode2To(ctx, provider);
  }
  const int32_t applied = (h->fMode & (DM_UPDATE | DM_COPY)) ? UiApplyDocumentResult(ctx) : 1;
  w.inputDevmode = w.outputDevmode = nullptr;
  CtxClose(ctx);
  if (!applied) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  return 1;
}

LONG UiRunDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input,
                             DWORD mode) {
  DOCUMENTPROPERTYHEADER h{kDocumentHeaderSize, 0, printer, device, input, output, 0, mode};
  if (mode & DM_PROMPT) {
    DWORD result = 0;
    if (UiRunCommonPropertySheet(owner, DrvDocumentPropertySheets, LPARAM(&h), &result) < 0) return -1;
    return LONG(result);
  }
  // The rename step runs; the install check of a renamed printer needs its
  // PRINTER_INFO_2, which this path does not fetch.
  return UiDocumentPropertiesNoUi(&h, nullptr, 1);
}

LONG UiDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input, DWORD mode) {
  if (mode == 0 || !output) return LONG(DmGetTotalSize());
  InstCheckOnOpen(printer);
  LONG r = UiRunDocumentProperties(owner, printer, device, output, input, mode);
  return r > 0 ? IDOK : r == 0 ? IDCANCEL : r;
}

LONG UiAdvancedDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input) {
  if (!output) return LONG(DmGetTotalSize());
  InstCheckOnOpen(printer);
  return UiRunDocumentProperties(owner, printer, device, output, input, DM_COPY | DM_PROMPT | DM_ADVANCED) > 0 ? 1 : 0;
}

BOOL UiPrinterProperties(HWND owner, HANDLE printer) {
  DEVICEPROPERTYHEADER h{kDeviceHeaderSize, 0, printer, nullptr};
  // Writing the permission value tells whether this user may change the printer.
  DWORD one = 1;
  if (!SplSetPermissionData(printer, &one, sizeof one)) h.Flags |= DPS_NOPERMISSION;
  DWORD result = 1;
  // A sheet that cannot be shown changed nothing: FALSE, not the initial 1.
  if (UiRunCommonPropertySheet(owner, DrvDevicePropertySheets, LPARAM(&h), &result) == -1) return FALSE;
  return result != 0 ? TRUE : FALSE;
}

