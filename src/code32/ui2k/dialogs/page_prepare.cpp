// The one-time preparation of a context's dialog tables for its pages:
// every item bound to its setting and model feature, the cursors, the
// preset's name and comment and the watermark choice checked.
#include "plat/resources.h"
#include "ui2k/dialog_adjust.h"
#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/settings.h"

namespace {

constexpr int32_t kFirstPresetOption = 119;
constexpr int32_t kMaxPresets = 16;
constexpr DWORD kResCursor = 1;  // RT_CURSOR

}  // namespace

void UiPrepareDialogTables(DriverContext* ctx, DialogRecord* dialog) {
  if (!ctx || !ctx->work || !ctx->dialogs || ctx->dialogs->count == 0) return;
  DialogRecord* probe = dialog ? dialog : &ctx->dialogs->rows[0];
  for (uint32_t i = 0; i < probe->itemCount; ++i)
    if (probe->items[i].feature) return;  // prepared before

  OptSetValueById(ctx, setting::wdmUIStart, 1);
  DlgAdjustUiTables(ctx);
  for (int16_t d = 0; d < ctx->dialogs->count; ++d) {
    DialogRecord& rec = ctx->dialogs->rows[d];
    for (uint32_t i = 0; i < rec.itemCount; ++i) {
      DialogItemRecord& item = rec.items[i];
      item.setting = OptFindSettingByKey(ctx, item.symbol);
      if (ctx->image) {
        MdfItem model = UiFindModelItem(ctx, item.symbol);
        if (item.kind == 23 && item.linkedControl)
          if (DialogItemRecord* linked = CtxFindControl(ctx, &rec, item.linkedControl))
            model = UiFindModelItem(ctx, linked->symbol);
        UiBindItemModel(ctx, &item, model);
      }
      if (!item.controlIdCopy) item.controlIdCopy = item.controlId;
    }
  }
  FreeSizeRefreshSlots(ctx);
  if (HMODULE module = ResLoadUiDll(ctx)) {
    size_t size = 0;
    ctx->work->handCursor = const_cast<void*>(plat::FindModuleResource(module, kResCursor, 8000, &size));
    ctx->work->pressedHandCursor = const_cast<void*>(plat::FindModuleResource(module, kResCursor, 8001, &size));
  }
  const int32_t n = OptGetOptionById(ctx, setting::vdmPresetNo) - kFirstPresetOption;
  if (n >= 0 && n < kMaxPresets) {
    // The name and comment fields are cut at a whole character.
    char16_t text[kPresetNameChars + 1] = {};
    PresetGetEntryText(ctx, n, 1, text);
    OptSetText(ctx, OptFindSetting(ctx, setting::wdmPresetName), text);
    PresetGetEntryText(ctx, n, 2, text);
    OptSetText(ctx, OptFindSetting(ctx, setting::wdmPresetComment), text);
  }
  if (OptGetValueById(ctx, setting::vdmFuncSelectWaterMark) &&
      OptGetValueById(ctx, setting::vdmWmID) < StampGetCount(ctx)) {
    const int32_t kind = OptGetValueById(ctx, setting::vdmWmKind);
    if (kind >= 1 && kind <= 3) {
      const int32_t id = OptGetValueById(ctx, setting::vdmWmID);
      StampSelect(ctx, id);
      OptSetValueById(ctx, setting::vdmWmID, id);
    } else {
      OptSetValueById(ctx, setting::vdmFuncSelectWaterMark, 0);
      OptSetValueById(ctx, setting::vdmWmID, 0);
    }
  }
  ctx->work->modified = 0;
  UiClearSettingDirty(ctx);
}

