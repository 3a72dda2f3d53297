// The steps from which the query library builds a DEVMODE for outside
// programs: defaults, the OS kind, the state a caller must not inherit, the
// paper and scale derived again, margins, resolution rules and the
// finishing settings that a merge must not lose.
#include <cstring>

#include "api/api_support.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/os.h"
#include "velm/presets.h"
#include "velm/rule_computed.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/units.h"

namespace {

constexpr uint32_t kDmPaperSizeField = 0x2, kDmPaperLengthField = 0x4, kDmPaperWidthField = 0x8;
constexpr uint32_t kDmMediaTypeField = 0x2000000;
constexpr uint32_t kChangeUiMode = 0x4000000;

enum : uint32_t {
  kOrientation = 7, kPaperSize = 8, kPrintQuality = 14, kCollate = 19, kMachineId = 39, kUiModeChange = 40,
  kPresetNo = 41, kResolutionW = 42, kSrcLength = 44, kSrcWidth = 45, kOutPaper = 50, kDstLength = 51,
  kDstWidth = 52, kSelectScale = 58, kSelectDuplex = 61, kSelectSort = 64, kSelectPunch = 65, kSelectStaple = 66,
  kSelectMargin = 70, kScaleType = 90, kScaleH = 92, kScaleV = 93, kDuplexType = 102, kPunchType = 134,
  kStapleType = 136, kUseUserMacro = 185, kUserPrintMacro = 188, kResolutionBoth = 248, kCfSupport = 299,
  kWorkPrompt = 885, kPrinterMemory = 10012, kCfType = 10063,
};

DEVMODEW* Public(DriverContext* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->devmode); }

int32_t Get(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }
void Set(DriverContext* ctx, uint32_t id, int32_t value) { OptSetValueById(ctx, id, value); }

}  // namespace

void ApiSetOsKind(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  if (OsIsWin9x()) {
    OSVERSIONINFOW v{};
    DmSetOsKind(ctx, OsGetVersion(&v) && v.dwMinorVersion != 0 ? 3 : 0);
  } else if (OsIsNt5OrLater()) {
    DmSetOsKindNt5(ctx);
  } else {
    DmSetOsKindNt4(ctx);
  }
}

void ApiPrepareDefaultDevmode(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  const bool nine_x = OsIsWin9x() != 0;
  if (nine_x) {
    Public(ctx)->dmSpecVersion = 0x0400;
    Public(ctx)->dmFields |= kDmMediaTypeField;
  }
  ApiSetOsKind(ctx);
  if (nine_x) {
    // The private signature twice with its companions, as the 9x driver
    // writes it.
    uint8_t* p = ctx->devmode + dm::kSignature;
    std::memcpy(p, "VELM", 4);
    std::memset(p + 4, 0, 4);
    std::memcpy(p + 8, "VELM", 4);
    std::memset(p + 12, 0, 4);
  }
}

void ApiRederivePaper(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  DmSetPaper(Get(ctx, kPaperSize), kPaperSize, ctx, ctx->devmode);
  DmSetOutputPaper(Get(ctx, kOutPaper), kOutPaper, ctx, ctx->devmode);
  if (Get(ctx, kSelectScale) != 1 || Get(ctx, kScaleType) != 2) return;
  const int32_t src_w = Get(ctx, kSrcWidth), src_l = Get(ctx, kSrcLength);
  // A source without extent has no ratio: the scales stay as they are.
  if (src_w <= 0 || src_l <= 0) return;
  int32_t by_width = UnitMulDiv(Get(ctx, kDstWidth), 100, src_w);
  int32_t by_length = UnitMulDiv(Get(ctx, kDstLength), 100, src_l);
  if (by_width < 0 || by_length < 0) return;
  int32_t fit = by_width < by_length ? by_width : by_length;
  Set(ctx, kScaleH, fit);
  Set(ctx, kScaleV, fit);
}

void ApiApplyUserMacroPlanes(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  int32_t macro = Get(ctx, kUserPrintMacro);
  if (Get(ctx, kUseUserMacro) != 1 || macro < 32 || macro > 39) return;
  DmPushSettings(ctx);
  int32_t planes[4] = {};
  bool loaded = PresetLoadQualityByIndex(ctx, macro - 32) != 0;
  for (int i = 0; i < 4; ++i) planes[i] = Get(ctx, 164 + uint32_t(i));
  DmPopSettings(ctx, 1);
  if (!loaded) return;
  for (int i = 0; i < 4; ++i) Set(ctx, 164 + uint32_t(i), planes[i]);
}

void ApiResetDevmodeState(DriverContext* ctx, uint32_t mode) {
  if (!ctx || !ctx->devmode) return;
  Set(ctx, kUiModeChange, 0);
  DmClearFlagUIModeChange(ctx);
  CtxClearChanged(ctx, kChangeUiMode);
  if (mode != 4) {
    Set(ctx, kPresetNo, 255);
    if (mode == 1 || mode == 17) {
      Set(ctx, kUseUserMacro, 0);
      Set(ctx, kUserPrintMacro, 0);
    } else if (mode == 2 || mode == 18) {
      ApiApplyUserMacroPlanes(ctx);
    }
  }
  ApiRederivePaper(ctx);
}

void ApiResetSimplexMargins(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  if (MdfGetItemType(ctx, 105) == kFeatureNumeric) return;
  Set(ctx, 103, MdfGetItemDefault(ctx, 103));
  Set(ctx, 104, MdfGetItemDefault(ctx, 104));
}

void ApiClearMargins(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  Set(ctx, 103, MdfGetItemDefault(ctx, 103));
  for (uint32_t id = 104; id <= 107; ++id) Set(ctx, id, 0);
}

void ApiClearMarginsIfOff(DriverContext* ctx) {
  if (ctx && ctx->devmode && Get(ctx, kSelectMargin) == 0) ApiClearMargins(ctx);
}

void ApiApplyResolutionRules(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  Set(ctx, kWorkPrompt, 1);
  RuleApplyItemTransact(ctx, MdfFindItem(ctx, kResolutionBoth));
  Set(ctx, kWorkPrompt, 0);
}

int32_t ApiResolutionKind(DriverContext* ctx) {
  if (!ctx) return -1;
  MdfItem item = MdfFindItem(ctx, kResolutionW);
  ImgFeature f;
  if (!item || !MdfReadItem(ctx, item, &f)) return -1;
  uint16_t type = MdfStorageType(f.type);
  if (MdfIsListType(type) && MdfCountItemOptions(ctx, kResolutionW) > 0) return 0;
  if (type == kFeatureNumeric && Get(ctx, kResolutionW) != 0) return 1;
  return -1;
}

int32_t ApiCheckPageDotLimit(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return 0;
  DmResolutionToPublic(ctx->devmode, ctx);
  const uint32_t both = kDmPaperLengthField | kDmPaperWidthField;
  if ((Public(ctx)->dmFields & both) == both) DmSetCustomPaper(ctx->devmode, ctx);
  else DmSetPaper(Get(ctx, kPaperSize), kPaperSize, ctx, ctx->devmode);
  DmSetOutputPaper(Get(ctx, kOutPaper), kOutPaper, ctx, ctx->devmode);
  if (Public(ctx)->dmPrintQuality == 600) return 1;
  return RuleCheckPageDotLimit(ctx, 1) ? 1 : 0;
}

int32_t ApiNeedsStandardResolution(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || Get(ctx, kMachineId) != 130) return 0;
  if (!ApiCheckPageDotLimit(ctx)) return 1;
  const bool cf_unit = Get(ctx, kCfSupport) != 0 && Get(ctx, kCfType) != 0;
  const int32_t memory = cf_unit ? 160 : 32;
  if (CapsHasDuplexUnit(ctx) && Get(ctx, kSelectDuplex) != 0 && Get(ctx, kPrinterMemory) == memory &&
      Get(ctx, kResolutionBoth) == 4)
    return 1;
  return 0;
}

void ApiMergeKeepCustomPaper(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  uint8_t copy[dm::kTotalSize];
  std::memcpy(copy, ctx->devmode, sizeof copy);
  const auto* before = reinterpret_cast<const DEVMODEW*>(copy);
  DmMergeInput(ctx, copy, sizeof copy, 0x2220000A);
  const uint32_t both = kDmPaperLengthField | kDmPaperWidthField;
  if (before->dmPaperLength != 0 && before->dmPaperWidth != 0 && (before->dmFields & both) == both) {
    DEVMODEW* now = Public(ctx);
    now->dmPaperLength = before->dmPaperLength;
    now->dmPaperWidth = before->dmPaperWidth;
    now->dmFields = (now->dmFields | both) & ~kDmPaperSizeField;
  }
}

void ApiFixFinishingAfterMerge(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  struct Kept {
    uint32_t select, value;
    bool disabled;
    int32_t saved;
  } kept[] = {{kSelectDuplex, kDuplexType, false, 0},
              {kSelectStaple, kStapleType, false, 0},
              {kSelectPunch, kPunchType, false, 0}};
  for (Kept& k : kept) {
    MdfItem item = MdfFindItem(ctx, k.select);
    k.disabled = item && RuleIsItemDisabled(ctx, item, 0);
    if (k.disabled) k.saved = Get(ctx, k.value);
  }
  ApiMergeKeepCustomPaper(ctx);
  for (const Kept& k : kept) {
    MdfItem item = MdfFindItem(ctx, k.select);
    if (k.disabled && item && RuleIsItemDisabled(ctx, item, 0)) Set(ctx, k.value, k.saved);
  }
  Public(ctx)->dmCollate = Get(ctx, kSelectSort) != 0 ? 1 : 0;
}

uint8_t* ApiSnapshotDevmode(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return nullptr;
  auto* copy = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
  if (copy) std::memcpy(copy, ctx->devmode, dm::kWorkBufferSize);
  return copy;
}

void ApiRestoreDevmode(DriverContext* ctx, uint8_t* snapshot, int32_t restore) {
  if (snapshot && restore && ctx && ctx->devmode) std::memcpy(ctx->devmode, snapshot, dm::kWorkBufferSize);
  MemFree(snapshot);
}

void ApiSetCustomPaperFromRecord(DriverContext* ctx, const uint8_t* record) {
  if (!ctx || !ctx->devmode || !record) return;
  int32_t paper, width, length;
  std::memcpy(&paper, record + 4, 4);
  std::memcpy(&width, record + 8, 4);
  std::memcpy(&length, record + 12, 4);
  // The record's fields are 32-bit; a size the public fields cannot hold
  // leaves them alone.
  if (width < 0 || width > 0x7FFF || length < 0 || length > 0x7FFF) return;
  Set(ctx, kPaperSize, paper);
  DEVMODEW* d = Public(ctx);
  d->dmPaperWidth = SHORT(width);
  d->dmPaperLength = SHORT(length);
  d->dmFields = (d->dmFields | kDmPaperLengthField | kDmPaperWidthField) & ~kDmPaperSizeField;
}
