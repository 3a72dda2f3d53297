// Merging an input DEVMODE into a context's working DEVMODE, and the
// environment flags that describe where the DEVMODE is used.
#include <cstring>
#include <iterator>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_exchange.h"
#include "velm/dm_merge.h"
#include "velm/jobinfo.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/os.h"
#include "velm/printer_data.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kLanguageByte = 587;  // vdmLanguageID
constexpr uint16_t kTextBitmapBit = 0x2000;
constexpr uint16_t kUserPaper = 256;
constexpr uint32_t DM_PAPERSIZE = 2;
constexpr uint32_t kFirstAction = 224, kLastAction = 239;

// The flag bytes a merge keeps from the working DEVMODE.
constexpr uint32_t kKeptFlags[] = {1241, 1242, 1243, 1244, 1245, 1246, 1249, 1253, 1255, 1256};

// Mirror items run from DEVMODE byte 892; the options block holds the same
// fields from its byte 0, reserved bytes 292-348 included.
constexpr uint32_t kMirrorStart = 892;
constexpr uint32_t kConfigBytes = 349;
constexpr uint32_t kReservedStart = 292;

bool SameHeader(const uint8_t* a, const uint8_t* b) {
  return std::memcmp(a + dm::kModelTag, b + dm::kModelTag, 4) == 0 &&
         std::memcmp(a + dm::kPrivateSize, b + dm::kPrivateSize, 4) == 0 &&
         std::memcmp(a + dm::kPrivateVersion, b + dm::kPrivateVersion, 2) == 0;
}

}  // namespace

int32_t DmMergeInput(DriverContext* ctx, const uint8_t* input, size_t input_length, uint32_t mode) {
  if (!(mode & DM_IN_BUFFER) && !(mode & kMergeDocSheet)) return 1;
  // The template is read-only: every context starts from its state.
  if (!ctx || !ctx->devmode || !ctx->work || ctx == CtxGetTemplate()) return 0;
  uint8_t* working = ctx->devmode;
  auto* copy = static_cast<uint8_t*>(MemAllocZeroed(dm::kTotalSize));
  if (!copy) return 0;
  std::memcpy(copy, working, dm::kTotalSize);

  ctx->work->mergeMode = mode;
  OptSetValueById(ctx, setting::wdmCtrlWorkPrompt, (mode & DM_IN_PROMPT) ? 1 : 0);

  if (input) {
    DmCopyInputDevmode(input, input_length, copy, dm::kTotalSize);
    // Another driver's, model's or language's private part is not taken.
    if (!SameHeader(copy, working) || copy[kLanguageByte] != working[kLanguageByte])
      std::memcpy(copy + dm::kPublicSize, working + dm::kPublicSize, dm::kDriverExtra);
  }

  // The libraries without a user interface take no exchange request from an
  // input DEVMODE.
  const bool with_ui = !LibGetBuild().mergeWithoutUi;
  if (with_ui && !DmApplyExchangeRequest(ctx, copy)) {
    MemFree(copy);
    return 0;
  }
  if (with_ui && (ctx->work->mergeMode & kMergeRequestApplied)) mode |= kMergeRequestApplied;

  // The private part comes from the copy; the environment flags that
  // describe this machine and caller stay.
  uint8_t kept[std::size(kKeptFlags)];
  for (size_t i = 0; i < std::size(kKeptFlags); ++i) kept[i] = working[kKeptFlags[i]];
  int32_t front = OptGetValueById(ctx, setting::vdmFrontFunc) & 0xFF;
  std::memcpy(working + dm::kPublicSize, copy + dm::kPublicSize, dm::kDriverExtra);
  dm::StampRegionOffsets(working);  // a peer's header bytes never address anything
  for (size_t i = 0; i < std::size(kKeptFlags); ++i) working[kKeptFlags[i]] = kept[i];
  OptSetValueById(ctx, setting::vdmFrontFunc, front);

  uint16_t quality = DmGetQualityFuncBits(ctx);
  if (MdfGetItemDefault(ctx, setting::vdmQualityFuncTextBitmapSupport)) quality |= kTextBitmapBit;
  else quality &= uint16_t(~kTextBitmapBit);
  DmSetQualityFuncBits(ctx, quality);

  DmMergePublicFields(ctx, working, copy);
  if (with_ui) {
    DmSetFlagJobToolInstalledTo(ctx, RegIsJobLinkerInstalled(2, ctx));
    if (mode & DM_IN_PROMPT) JobInfoReadMaskIfEnabled(ctx, 159);
  }
  if (!(mode & kMergeSettingsFile) && (mode & 0xC220004u)) StoreLoadItems(ctx->printer, ctx, kRegionDevmode, 0);
  DmPublicToPrivate(ctx, copy);
  DmClearTerminalServerActions(ctx, 0);
  DmCopyDeviceConfig(ctx);
  OptSetValueById(ctx, setting::wdmUIStart, 0);
  if (mode & 0x1D220004u) RuleApplyAllTransacts(ctx);
  if ((ctx->work->mergeMode & kMergeRequestApplied) || (mode & DM_IN_PROMPT))
    DmPrivateToPublic(working, ctx, 2);
  else
    DmSetOutputPaper(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx, working);

  auto* pub = reinterpret_cast<DEVMODEW*>(working);
  if (uint16_t(pub->dmPaperSize) == kUserPaper && OptGetValueById(ctx, setting::vdmHidden2Func19) != 0)
    pub->dmFields |= DM_PAPERSIZE;
  MemFree(copy);
  return 1;
}

void DmSetEnvironmentFlags(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || !ctx->work || ctx == CtxGetTemplate()) return;
  DmSetEnvironmentFlags(ctx, OsIsTerminalServer(ctx->printer));
}

void DmSetEnvironmentFlags(DriverContext* ctx, int32_t terminal_server) {
  if (!ctx || !ctx->devmode || !ctx->work || ctx == CtxGetTemplate()) return;
  DmSetFlagUserDefaultTo(ctx, 1);
  DmSetOsKind(ctx, OsIsNt5OrLater() ? 2 : 1);
  DmSetFlagBatchInstallDoneTo(ctx, 1);
  DmSetFlagBatchUserCodeTo(ctx, 0);
  DmSetFlagBidiQueriedTo(ctx, 0);
  DmSetFlagNoPermissionTo(ctx, 0);
  DmSetFlagUIModeChangeTo(ctx, OptGetValueById(ctx, setting::vdmUIModeChange) != 0 ? 1 : 0);
  DmSetFlagBidiEnabledTo(ctx, SplIsBidiEnabled(ctx));
  DmSetFlagRemotePrinterTo(ctx, SplIsRemotePrinter(ctx));
  DmSetFlagLogCodeUseTo(ctx, OptGetValueById(ctx, setting::vdmLogCodeUse));
  DmSetFlagProviderUcodeTo(ctx, 0);
  DmSetFlagJobToolInstalledTo(ctx, LibGetBuild().jobToolFlagCleared ? 0 : RegIsJobLinkerInstalled(2, ctx));
  DmSetFlagDeviceSheetTo(ctx, 0);
  DmSetFlagProviderUcode2To(ctx, 0);
  DmSetFlagTerminalServerTo(ctx, terminal_server);
  DmSetFlagAdministratorTo(ctx, (ctx->work->kindOptions & kKindOptAdmin) ? 1 : OsIsAdministrator());
}

void DmCopyDeviceConfig(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return;
  const uint8_t* options = ctx->devmode + kRegionStart[kRegionOptions];
  // Field by field, so that alignment gaps keep what they hold; the reserved
  // bytes go as one block.
  for (uint32_t id = 430; id <= 706; ++id) {
    const SettingRecord* mirror = OptFindSetting(ctx, id);
    const SettingRecord* source = OptFindSetting(ctx, 10001 + (id - 430));
    if (!mirror || !source) continue;
    uint8_t* to = OptGetValueAddr(ctx, mirror);
    const uint8_t* from = OptGetValueAddr(ctx, source);
    if (to && from) std::memcpy(to, from, DescSize(source->descriptor));
  }
  std::memcpy(ctx->devmode + kMirrorStart + kReservedStart, options + kReservedStart, kConfigBytes - kReservedStart);
}

void DmClearTerminalServerActions(DriverContext* ctx, int32_t store) {
  if (!ctx) return;
  DmClearTerminalServerActions(ctx, store, OsIsTerminalServer(ctx->printer));
}

void DmClearTerminalServerActions(DriverContext* ctx, int32_t store, int32_t terminal_server) {
  if (!ctx || !terminal_server) return;
  for (uint32_t id = kFirstAction; id <= kLastAction; ++id) OptSetValueById(ctx, id, 0);
  // The actions are cleared in this context whatever the store says; a word
  // that was not stored is cleared again at the next open.
  if (store) (void)StoreSaveActionWord(ctx);
}
