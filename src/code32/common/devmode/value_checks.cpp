// Whether a value may stand for a setting: against the setting's model item
// and the rules, with built-in value sets for the public fields the model
// cannot judge, and the repair of a rejected value.
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {
constexpr uint32_t kNupKind = 94;
constexpr int32_t kPresetOptionBase = 119, kNoPresetOption = 118;

bool IsPickType(uint32_t type) {
  return type == kFeaturePickOne || type == kFeaturePickMany || type == kFeaturePickPage ||
         type == kFeaturePickSlot;
}

bool ReadNumeric(DriverContext* ctx, uint32_t id, ImgNumeric* out) {
  ImgFeature f;
  MdfItem item = MdfFindItem(ctx, id);
  return item && MdfReadItem(ctx, item, &f) && (f.type & kFeatureFlagMask) == kFeatureNumeric && f.data &&
         MdfImgReadNumeric(ctx->image, f.data, out);
}

// The pick-type part shared by both validations: false when the value is
// rejected before the rules are asked; else the option id it stands for.
bool PickOption(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx, MdfItem* out_item,
                int32_t* out_option) {
  int32_t option = value;
  if (row && row->optionList) {
    option = OptValueToOption(ctx, row, value);
    if (option == value && !OptListHasValue(ctx, row, value)) return false;
  }
  MdfItem item = MdfFindItem(ctx, id);
  *out_item = item;
  *out_option = option;
  if (!item || !MdfGetItemOptionList(ctx, id, nullptr)) return option != 0;
  if (OptModelListHasOption(item, option, ctx)) return true;
  // A model item of a setting with a landscape list may name its choices
  // by the other list's ids: the same value is the same choice there (the
  // rules then see the option as the model names it).
  for (const OptionListEntry* e = OptOtherList(ctx, row); e && e->optionId; ++e)
    if (e->value == uint32_t(value) && e->optionId != kNoOptionId && OptModelListHasOption(item, e->optionId, ctx)) {
      *out_option = e->optionId;
      return true;
    }
  return false;
}

// A function switch whose model item exists, is neither hidden nor disabled
// and is on.
bool SwitchIsLive(DriverContext* ctx, uint32_t id) {
  MdfItem item = MdfFindItem(ctx, id);
  return item && !RuleIsItemHidden(ctx, item, 0) && !RuleIsItemDisabled(ctx, item, 0) &&
         OptGetValueById(ctx, id) != 0;
}

// vdmNUPPOSTKind in line with an N-up type.
void AlignNupKind(DriverContext* ctx, MdfItem type_item, int32_t type, int32_t option) {
  if (!SwitchIsLive(ctx, setting::vdmFuncSelectNup)) return;
  int32_t kind = OptNupKindOfType(type);
  int32_t current = OptGetValueById(ctx, kNupKind);
  if (current != 1 && current != 2 && current != 3 && current != 4 && current != 9) return;
  const int32_t single = OptGetValueById(ctx, setting::dmOrientation) == 2 ? 3 : 1;
  if (kind == current) {
    if (kind == 1 && RuleIsItemHidden(ctx, type_item, uint16_t(option))) OptSetValueById(ctx, setting::vdmNUPType, single);
    return;
  }
  OptSetValueById(ctx, kNupKind, kind);
  if (kind == 1) OptSetValueById(ctx, setting::vdmNUPType, single);
}

int32_t ModelCheck(uint32_t id, DriverContext* ctx, SettingRecord** out_row) {
  SettingRecord* row = OptFindSetting(ctx, id);
  *out_row = row;
  if (!row || row->symbolKey == 0) return kCheckNoKey;
  uint32_t word = MdfGetItemTypeWord(ctx, id);
  if (!MdfFindItem(ctx, id) || (word & kFeatureTypeUnknown)) return kCheckNoItem;
  return -1;
}

// vdmPresetNo: option 119-134 is preset 0-15, 118 no preset (255).
void PresetRule(SettingRecord* row, int32_t value, DriverContext* ctx) {
  int32_t preset = value;
  if (value >= kPresetOptionBase && value <= kPresetOptionBase + 15) preset = value - kPresetOptionBase;
  else if (value == kNoPresetOption) preset = 255;
  if ((preset < 0 || preset > 127) && (preset & 0xFF) != 255) OptSetOption(ctx, row, 0);
}

int32_t WithFallback(int32_t answer, int32_t value, int32_t (*builtin)(int32_t)) {
  if (answer == kCheckNoKey || answer == kCheckNoItem) return builtin(value);
  return answer == kCheckAccepted ? 1 : 0;
}

bool In(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

}  // namespace

// ---- against the model item ------------------------------------------------------------------

int32_t OptModelListHasOption(MdfItem item, int32_t option, DriverContext* ctx) {
  ImgFeature f;
  if (!ctx || !MdfReadItem(ctx, item, &f) || !MdfIsListType(f.type)) return 0;
  ImgOption o;
  uint32_t limit = MdfImageSize(ctx->image) / mdf_image::kOptionSize + 1;
  for (uint32_t at = f.data; at && limit--; at = o.next) {
    if (!MdfImgReadOption(ctx->image, at, f.type, &o)) return 0;
    if (int32_t(o.optionId) == option) return 1;
  }
  return 0;
}

int32_t OptIsBooleanValue(int32_t value) { return value == 0 || value == 1 ? 1 : 0; }

int32_t OptIsInNumericRange(const ImgNumeric* numeric, int32_t value) {
  return numeric && numeric->minimum <= value && value <= numeric->maximum ? 1 : 0;
}

int32_t OptValidateValue(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx) {
  uint32_t type = MdfGetItemType(ctx, id);
  if (IsPickType(type)) {
    MdfItem item = 0;
    int32_t option = 0;
    if (!PickOption(row, id, value, ctx, &item, &option)) return 0;
    if (!item || !MdfGetItemOptionList(ctx, id, nullptr)) return 1;
    return RuleIsItemHidden(ctx, item, uint16_t(option)) ? 0 : 1;
  }
  if (type == kFeatureBoolean) return OptIsBooleanValue(value);
  if (type == kFeatureNumeric) {
    ImgNumeric n;
    return ReadNumeric(ctx, id, &n) ? OptIsInNumericRange(&n, value) : 0;
  }
  return 1;
}

int32_t OptValidateValueEx(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx) {
  uint32_t type = MdfGetItemType(ctx, id);
  if (!IsPickType(type)) return OptValidateValue(row, id, value, ctx) ? kValueAllowed : kValueRejected;
  MdfItem item = 0;
  int32_t option = 0;
  if (!PickOption(row, id, value, ctx, &item, &option)) return kValueRejected;
  const uint16_t opt = uint16_t(option);
  if (id == setting::vdmNUPType) {
    AlignNupKind(ctx, item, value, option);
    return kValueAllowed;
  }
  if (id == setting::vdmDuplexType || id == setting::vdmStapleType || id == setting::vdmPunchType) {
    uint32_t sw = id == setting::vdmDuplexType ? setting::vdmFuncSelectDuplex : id == setting::vdmStapleType ? setting::vdmFuncSelectStaple : setting::vdmFuncSelectPunch;
    return SwitchIsLive(ctx, sw) && RuleIsItemHidden(ctx, item, opt) ? kValueHidden : kValueAllowed;
  }
  if (RuleIsItemHidden(ctx, item, opt)) return kValueHidden;
  if (RuleIsItemDisabled(ctx, item, opt)) return kValueDisabled;
  return kValueAllowed;
}

// ---- model checks ------------------------------------------------------------------------

int32_t DmCheckValueByModel(uint32_t id, int32_t value, DriverContext* ctx) {
  SettingRecord* row;
  int32_t early = ModelCheck(id, ctx, &row);
  if (early >= 0) return early;
  return OptValidateValue(row, id, value, ctx) ? kCheckAccepted : kCheckRejected;
}

int32_t DmCheckValueOrReset(uint32_t id, int32_t value, DriverContext* ctx) {
  SettingRecord* row;
  int32_t early = ModelCheck(id, ctx, &row);
  if (early >= 0) return early;
  if (OptValidateValue(row, id, value, ctx)) return kCheckAccepted;
  if (row->optionList && IsPickType(MdfGetItemType(ctx, id))) return OptListHasValue(ctx, row, value) ? 1 : 0;
  if (id == setting::vdmPresetNo) PresetRule(row, value, ctx);
  else OptSetDefault(ctx, row);
  return kCheckAccepted;
}

int32_t DmCheckValueWithFixup(uint32_t id, int32_t value, DriverContext* ctx) {
  SettingRecord* row;
  int32_t early = ModelCheck(id, ctx, &row);
  if (early >= 0) return early;
  int32_t ex = OptValidateValueEx(row, id, value, ctx);
  if (ex == kValueAllowed || ex == kValueDisabled) return kCheckAccepted;
  if (id == setting::vdmPresetNo) PresetRule(row, value, ctx);
  else if (ctx->work && (ctx->work->mergeMode & kMergeRequestApplied)) DmClampScaleOrDefault(row, id, value, ctx);
  else OptSetDefault(ctx, row);
  return kCheckAccepted;
}

void DmClampScaleOrDefault(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx) {
  ImgNumeric n;
  if ((id == setting::vdmScaleH || id == setting::vdmScaleV) && ReadNumeric(ctx, id, &n)) {
    if (value < n.minimum) {
      OptSetOption(ctx, row, n.minimum);
      return;
    }
    if (value > n.maximum) {
      OptSetOption(ctx, row, n.maximum);
      return;
    }
  }
  OptSetDefault(ctx, row);
}

// ---- built-in value sets --------------------------------------------------------------------

int32_t DmIsKnownDefaultSource(int32_t v) { return In(v, 1, 15) || In(v, 256, 272) || In(v, 281, 285); }
int32_t DmIsOneOrTwo(int32_t v) { return v == 1 || v == 2; }
int32_t DmIsKnownPrintQuality(int32_t v) { return v == 300 || v == 600 || v == 1200 || v == 2400; }
int32_t DmIsKnownDuplex(int32_t v) { return In(v, 1, 3); }
int32_t DmIsKnownTTOption(int32_t v) { return In(v, 1, 4); }
int32_t DmIsKnownICMMethod(int32_t v) { return In(v, 1, 4) || v == 256; }
int32_t DmIsKnownICMIntent(int32_t v) { return v == 1 || v == 2 || v == 256; }
int32_t DmIsKnownMediaType(int32_t v) { return In(v, 1, 3) || In(v, 256, 271) || In(v, 513, 516); }
int32_t DmIsKnownDitherType(int32_t v) { return In(v, 1, 4) || v == 10 || v == 256; }
int32_t DmIsPrintQualityCode(int32_t v) { return In(v, -4, -1); }
int32_t DmIsKnownPaperCode(int32_t v) { return In(v, 1, 118) || v == 256 || v == 513 || v == 514 || v == 517; }
int32_t DmIsFreeSizeCode(int32_t v) { return v == 256 || In(v, 384, 392); }
int32_t DmIsKnownPaperOrFreeSize(int32_t v) { return DmIsKnownPaperCode(v) || DmIsFreeSizeCode(v); }
int32_t DmIsOutPaperSameAsSource(int32_t v) { return v == 1024; }
int32_t DmAlwaysValid(int32_t) { return 1; }

int32_t DmIsFreeSizeSlotCode(DriverContext* ctx, int32_t paper) {
  if (paper == 0) return 0;
  int32_t count = FreeSizeGetSlotCount(ctx);
  for (int32_t slot = 0; slot < count; ++slot)
    if (FreeSizeSlotToCode(uint32_t(slot), uint32_t(count)) == uint32_t(paper)) return 1;
  return 0;
}

namespace {
int32_t SlotOf(DriverContext* ctx, uint32_t id) {
  int32_t code = OptGetValueById(ctx, id);
  return FreeSizeIsSlotCode(uint32_t(code)) ? int32_t(FreeSizeCodeToSlot(uint32_t(code), ctx)) : -1;
}
}  // namespace

int32_t FreeSizeGetPaperSlot(DriverContext* ctx) { return SlotOf(ctx, setting::dmPaperSize); }
int32_t FreeSizeGetOutPaperSlot(DriverContext* ctx) { return SlotOf(ctx, setting::vdmOutPaperSize); }

int32_t DmIsCollateSupported(DriverContext* ctx) { return OptHasSortChoice(ctx) ? 1 : 0; }

// ---- field validators ------------------------------------------------------------------------

namespace {
int32_t NoSet(int32_t) { return 0; }
}  // namespace

int32_t DmCheckDefaultSource(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmDefaultSource, v, ctx), v, DmIsKnownDefaultSource);
}
int32_t DmCheckOrientation(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueOrReset(setting::dmOrientation, v, ctx), v, DmIsOneOrTwo);
}
int32_t DmCheckPaperSize(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmPaperSize, v, ctx), v, NoSet);
}
int32_t DmCheckPrintQuality(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmPrintQuality, v, ctx), v, DmIsKnownPrintQuality);
}
int32_t DmCheckDuplex(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmDuplex, v, ctx), v, DmIsKnownDuplex);
}
int32_t DmCheckColor(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmColor, v, ctx), v, DmIsOneOrTwo);
}
int32_t DmCheckTTOption(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmTTOption, v, ctx), v, DmIsKnownTTOption);
}
int32_t DmCheckICMMethod(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmICMMethod, v, ctx), v, DmIsKnownICMMethod);
}
int32_t DmCheckICMIntent(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmICMIntent, v, ctx), v, DmIsKnownICMIntent);
}
int32_t DmCheckMediaType(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmMediaType, v, ctx), v, DmIsKnownMediaType);
}
int32_t DmCheckDitherType(int32_t v, DriverContext* ctx) {
  return WithFallback(DmCheckValueByModel(setting::dmDitherType, v, ctx), v, DmIsKnownDitherType);
}
