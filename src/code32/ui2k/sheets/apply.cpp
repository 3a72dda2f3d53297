// What OK and Apply do: the private settings into the public fields, the
// caller's output DEVMODE, the saves to printer data and the driver ini,
// the committed snapshot, publishing and the result handed to compstui.
#include <cstring>

#include "plat/winspool.h"
#include "sheets.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_exchange.h"
#include "velm/dm_merge.h"
#include "velm/jobinfo.h"
#include "velm/os.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velm/ucode.h"

namespace {

constexpr uint32_t kJobInfoAfterCommit = 159;
constexpr uint32_t kJobInfoDocumentCommit = 158;
constexpr uint32_t kJobInfoUserCode = 1;
constexpr uint32_t kSettingCollate = 64;
constexpr uint32_t kDmCollate = 0x8000;
constexpr size_t kFieldsAt = 72;
constexpr size_t kCollateAt = 100;

uint32_t Fields(const uint8_t* dm) {
  uint32_t v;
  std::memcpy(&v, dm + kFieldsAt, 4);
  return v;
}

// DM_COLLATE and dmCollate of a DEVMODE: cleared when collation is not
// offered, else set from the collate setting.
void SetCollate(DriverContext* ctx, uint8_t* dm, bool offered) {
  uint32_t fields = Fields(dm);
  int16_t collate = 0;
  if (offered) {
    fields |= kDmCollate;
    collate = OptGetValueById(ctx, kSettingCollate) ? 1 : 0;
  } else {
    fields &= ~kDmCollate;
  }
  std::memcpy(dm + kFieldsAt, &fields, 4);
  std::memcpy(dm + kCollateAt, &collate, 2);
}

void Publish(HANDLE printer) {
  PRINTER_INFO_7W publish{nullptr, DSPRINT_UPDATE};
  // Publishing in the directory is a courtesy; the settings are saved already.
  (void)SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&publish), 0);
}

}  // namespace

size_t UiDevmodeLength(const DEVMODEW* devmode) {
  if (!devmode) return 0;
  return size_t(devmode->dmSize) + devmode->dmDriverExtra;
}

int32_t UiCommitSheet(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  int32_t ui_mode_change = DmGetFlagUIModeChange(ctx);
  w.sheetCommitted = 1;
  UiCommitSettings(ctx);
  CtxFreeSavedFontTables(ctx);
  CtxSaveDevmode(ctx);
  JobInfoReadMaskIfEnabled(ctx, kJobInfoAfterCommit);
  DmSetFlagUIModeChangeTo(ctx, ui_mode_change);
  auto set = reinterpret_cast<PFNCOMPROPSHEET>(w.sheetCallback);
  if (!set) return 1;
  if (w.sheetMode == 2) {
    // Published before compstui hears of the result.
    Publish(ctx->printer);
    set(w.sheetHandle, CPSFUNC_SET_RESULT, 0, 1);
  } else if (uint32_t(w.documentSheetMode) & (DM_UPDATE | DM_COPY)) {
    set(w.sheetHandle, CPSFUNC_SET_RESULT, 0, 1);
  }
  return 1;
}

int32_t UiCommitSettings(DriverContext* ctx) {
  if (ctx->work->sheetMode == 2) {
    InstRefreshPresets(ctx, 1);
    UiSavePrinterSettings(ctx, 3);
    return 1;
  }
  JobInfoOpenIfEnabled(ctx);
  JobInfoWriteOneIfEnabled(ctx, kJobInfoDocumentCommit);
  JobInfoReadOneIfEnabled(ctx, kJobInfoUserCode);
  JobInfoCloseIfEnabled(ctx);
  UiSaveDocumentSettings(ctx, 4);
  return 1;
}

int32_t UiSavePrinterSettings(DriverContext* ctx, int32_t mode) {
  UcodeSaveIfEnabled(ctx);
  DmPrivateToPublic(ctx->devmode, ctx, mode);
  return StoreSavePrinterSettings(ctx->printer, ctx) ? 1 : 0;
}

int32_t UiSaveDocumentSettings(DriverContext* ctx, int32_t mode) {
  DmPrivateToPublic(ctx->devmode, ctx, mode);
  UiSaveDocumentResult(ctx);
  return 1;
}

int32_t UiSaveDocumentResult(DriverContext* ctx) {
  UiApplyDocumentResult(ctx);
  StoreSaveDocumentRegions(ctx->printer, ctx);
  return 1;
}

int32_t UiApplyDocumentResult(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  const uint32_t mode = uint32_t(w.documentSheetMode);
  if (!(mode & (DM_UPDATE | DM_COPY))) return 1;
  if (mode & DM_COPY) {
    DmBuildExchangeCaps(ctx);
    JobInfoClearMaskIfEnabled(ctx, kJobInfoAfterCommit);
  }
  const bool offered = DmIsCollateSupported(ctx) != 0;
  if ((mode & DM_COPY) || (w.openFlags & kOpenDocNoUi)) {
    auto* input = static_cast<const uint8_t*>(w.inputDevmode);
    auto* output = static_cast<uint8_t*>(w.outputDevmode);
    size_t input_length = UiDevmodeLength(static_cast<const DEVMODEW*>(w.inputDevmode));
    // The caller's output buffer is as large as the size query answered.
    // An input whose sizes no DEVMODE has leaves the output unwritten: that
    // is a failure, never an output reported as filled.
    int32_t copied = DmCopyToOutput(ctx->devmode, dm::kTotalSize, input, input_length, output,
                                    output ? DmGetTotalSize() : 0);
    if (output && copied != 1) return 0;
    if (output) {
      bool input_collate = input && input_length >= kCollateAt + 2 && (Fields(input) & kDmCollate);
      bool nt4_user_default = OsIsNt4() && DmGetFlagUserDefault(ctx) == 1;
      if (!offered || !input_collate || nt4_user_default) SetCollate(ctx, output, offered);
    }
    return 1;
  }
  SetCollate(ctx, ctx->devmode, offered);
  return 1;
}
