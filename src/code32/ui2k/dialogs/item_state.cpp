// Whether the rules hide or disable a control of a page, whether that
// answer may have changed since the last refresh, and the two walkers over
// a feature's option records that fill the lists.
#include <cstdint>

#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

constexpr uint16_t kMaintenanceDialog = 1007;
constexpr uint16_t kMaintenanceList = 2139;
constexpr uint16_t kDeleteButton = 2140;
constexpr uint16_t kMoveBackButton = 2143;
constexpr uint16_t kMoveNextButton = 2144;
constexpr int32_t kFirstPresetOption = 119;

constexpr uint32_t kTypePickOne = 1, kTypePickMany = 2, kTypeString = 16;

bool IsMaintenanceButton(uint16_t control_id) {
  return control_id == kDeleteButton || control_id == kMoveBackButton || control_id == kMoveNextButton;
}

uint32_t BaseType(DriverContext* ctx, MdfItem model) { return MdfGetNodeType(ctx, model) & 0xFF; }

bool HasPerOptionJudges(DriverContext* ctx, MdfItem model) {
  uint32_t t = BaseType(ctx, model);
  return t == kTypePickOne || t == kTypePickMany;
}

DialogItemRecord* MaintenanceList(DriverContext* ctx) {
  return CtxFindControl(ctx, CtxFindDialog(ctx, kMaintenanceDialog), kMaintenanceList);
}

// The maintenance buttons follow the preset selected in the maintenance
// list (p) among the n presets: delete needs 1 <= p < n, move back
// 2 <= p < n, move next 1 <= p < n - 1.
int32_t MaintenanceButtonDisabled(DriverContext* ctx, uint16_t control_id) {
  int32_t p = OptGetControlOption(ctx, MaintenanceList(ctx)) - kFirstPresetOption;
  int32_t n = PresetGetCount(ctx);
  bool enabled = false;
  if (control_id == kDeleteButton) enabled = p >= 1 && p < n;
  if (control_id == kMoveBackButton) enabled = p >= 2 && p < n;
  if (control_id == kMoveNextButton) enabled = p >= 1 && p < n - 1;
  return enabled ? 0 : 1;
}

bool ReadExclusive(DriverContext* ctx, MdfItem model, ImgExclusive* out) {
  ImgFeature f{};
  return model && MdfReadItem(ctx, model, &f) && f.exclusive &&
         MdfImgReadExclusive(ctx->image, f.exclusive, out);
}

// Whether the feature's judge (hide or disable) or one of its Item entries'
// reads a dirty setting.
int32_t JudgesReadDirty(DriverContext* ctx, MdfItem model, bool hide) {
  ImgExclusive ex{};
  if (!ReadExclusive(ctx, model, &ex)) return 0;
  if (UiJudgeReadsDirtySetting(ctx, hide ? ex.hide : ex.disable)) return 1;
  uint32_t steps = MdfStepLimit(ctx->image);
  ImgItemEntry entry{};
  for (uint32_t at = ex.items; at && steps-- && MdfImgReadItem(ctx->image, at, &entry); at = entry.next)
    if (UiJudgeReadsDirtySetting(ctx, hide ? entry.hide : entry.disable)) return 1;
  return 0;
}

}  // namespace

MdfItem UiItemModel(DriverContext* ctx, const DialogItemRecord* item) {
  if (!ctx || !ctx->image || !item || !item->feature) return 0;
  // The item holds a pointer into the image; anything outside it is no feature.
  auto base = reinterpret_cast<uintptr_t>(MdfImageBytes(ctx->image));
  auto at = reinterpret_cast<uintptr_t>(item->feature);
  if (at <= base || at - base >= MdfImageSize(ctx->image)) return 0;
  return MdfItem(at - base);
}

void UiBindItemModel(DriverContext* ctx, DialogItemRecord* item, MdfItem model) {
  if (!item) return;
  item->feature = ctx && ctx->image && model && model < MdfImageSize(ctx->image)
                      ? MdfImageBytes(ctx->image) + model
                      : nullptr;
}

MdfItem UiFindModelItem(DriverContext* ctx, int32_t setting_key) {
  return ctx && setting_key ? MdfFindItemByKey(ctx, setting_key) : 0;
}

int32_t UiIsHiddenByCondition(DriverContext* ctx, int32_t setting_key) {
  MdfItem model = UiFindModelItem(ctx, setting_key);
  return model && RuleIsItemHidden(ctx, model, 0) ? 1 : 0;
}

int32_t UiIsItemHidden(DriverContext* ctx, MdfItem model, uint16_t control_id) {
  if (!model) return 0;
  if (RuleIsItemHidden(ctx, model, 0)) return 1;
  return control_id && HasPerOptionJudges(ctx, model) && RuleIsItemHidden(ctx, model, control_id) ? 1 : 0;
}

int32_t UiIsItemDisabled(DriverContext* ctx, MdfItem model, uint16_t control_id) {
  if (IsMaintenanceButton(control_id)) return MaintenanceButtonDisabled(ctx, control_id);
  if (!model) return 0;
  if (RuleIsItemDisabled(ctx, model, 0)) return 1;
  return control_id && HasPerOptionJudges(ctx, model) && RuleIsItemDisabled(ctx, model, control_id) ? 1 : 0;
}

int32_t UiJudgeReadsDirtySetting(DriverContext* ctx, uint32_t judge) {
  if (!ctx || !ctx->image || !judge) return 0;
  // The cells are walked up to the end cell; a judge that lacks one ends
  // where the image ends, never beyond.
  JudgeCell cell{};
  for (uint32_t at = judge; MdfImgReadCell(ctx->image, at, &cell); at += sizeof(JudgeCell)) {
    if (cell.kind == kCellOperator && cell.value == kOpEnd) return 0;
    if (cell.kind != kCellSetting) continue;
    const SettingRecord* row = OptFindSetting(ctx, cell.value);
    if (row && row->dirty) return 1;
  }
  return 0;
}

int32_t UiHasDisableStateChanged(DriverContext* ctx, const DialogItemRecord* item) {
  if (!item) return 0;
  if (IsMaintenanceButton(item->controlId)) {
    const DialogItemRecord* list = MaintenanceList(ctx);
    const SettingRecord* row = !list ? nullptr : list->setting ? list->setting : OptFindSettingByKey(ctx, list->symbol);
    return row && row->dirty ? 1 : 0;
  }
  MdfItem model = UiItemModel(ctx, item);
  if (uint32_t(UiIsItemDisabled(ctx, model, item->controlId)) != item->disabled) return 1;
  return JudgesReadDirty(ctx, model, false);
}

int32_t UiHasHideStateChanged(DriverContext* ctx, const DialogItemRecord* item) {
  if (!item) return 0;
  MdfItem model = UiItemModel(ctx, item);
  if (uint32_t(UiIsItemHidden(ctx, model, item->controlId)) != item->hidden) return 1;
  return JudgesReadDirty(ctx, model, true);
}

uint16_t UiGetOptionEntry(DriverContext* ctx, MdfItem model, uint32_t option, uint32_t* item_entry) {
  if (item_entry) *item_entry = 0;
  if (!ctx || !ctx->image || !model || !option) return 0;
  uint32_t type = BaseType(ctx, model);
  ImgOption rec{};
  uint16_t id = 0;
  if (type == kTypePickOne || type == kTypePickMany) {
    if (MdfImgReadOption(ctx->image, option, uint16_t(MdfGetNodeType(ctx, model)), &rec)) id = rec.optionId;
  } else if (type == kTypeString) {
    // A String feature's record begins with its option id.
    ImgString s{};
    if (MdfImgReadString(ctx->image, option, &s)) id = s.defaultOption;
  }
  if (!item_entry || !id) return id;
  ImgExclusive ex{};
  if (!ReadExclusive(ctx, model, &ex)) return id;
  uint32_t steps = MdfStepLimit(ctx->image);
  ImgItemEntry entry{};
  for (uint32_t at = ex.items; at && steps-- && MdfImgReadItem(ctx->image, at, &entry); at = entry.next) {
    if (entry.optionId == id) {
      *item_entry = at;
      break;
    }
  }
  return id;
}

uint32_t UiGetNextOption(DriverContext* ctx, MdfItem model, uint32_t option) {
  if (!ctx || !ctx->image || !model || !option || !HasPerOptionJudges(ctx, model)) return 0;
  ImgOption rec{};
  return MdfImgReadOption(ctx->image, option, uint16_t(MdfGetNodeType(ctx, model)), &rec) ? rec.next : 0;
}
