// What a variable offers and shows: the value lists of command variables,
// the printer's options and values, and the watermark blocks.
#include <cstdio>
#include <cstring>

#include "api/api_support.h"
#include "pjl_internal.h"
#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/presets.h"
#include "velm/rule_computed.h"
#include "velm/selectable.h"
#include "velm/settings.h"

namespace {

bool EndList(ExcTextBuffer* out, size_t start) { return out->length == start || ExcTextAppendNul(out); }

// Appends a text and its NUL as one entry of a list.
bool AppendEntry(ExcTextBuffer* out, const char* text) {
  return ExcTextAppendString(out, text) && ExcTextAppendNul(out);
}

int32_t ForceFeedList(ExcHandle* h, int32_t only_allowed, ExcTextBuffer* out) {
  size_t start = out->length;
  if (!only_allowed) {
    for (const char* word : {"SEF", "LEF", "ALL"})
      if (!AppendEntry(out, word)) return kExcFailed;
  } else if (ExcHandleRecorded(h, kExcItemStaple) || ExcHandleRecorded(h, kExcItemPunch)) {
    const char* word = RuleIsFinishingSide1(h->context) ? "SEF" : RuleIsFinishingSide2(h->context) ? "LEF" : "ALL";
    if (!AppendEntry(out, word)) return kExcFailed;
  }
  return EndList(out, start) ? kExcOk : kExcFailed;
}

int32_t PickList(ExcHandle* h, const PjlVariableRow* row, int32_t only_allowed, ExcTextBuffer* out) {
  size_t start = out->length;
  DriverContext* ctx = h->context;
  for (uint32_t k = 0; k < row->options->count; ++k) {
    const PjlOptionRow* o = &row->options->rows[k];
    bool listed = false;
    if (!only_allowed) {
      listed = !(o->flags & kPjlOptionAlias) &&
               (!(row->access & kPjlAccessPrinterOption) || OptCheckOptionConditions(ctx, o->conditions));
    } else if (!(o->flags & kPjlOptionAlias) || o->conditions) {
      int32_t trial = ExcTrialValue(h, row, o);
      if (trial < 0) return kExcFailed;
      listed = trial == 1;
    }
    if (listed && !AppendEntry(out, o->text)) return kExcFailed;
  }
  return EndList(out, start) ? kExcOk : kExcFailed;
}

// What the rules make of a number stored for the item: stored, normalised
// and read back, with the settings restored after.
bool RuleBound(DriverContext* ctx, uint32_t item, int32_t number, int32_t* out) {
  ExcWorkSnapshot snapshot{};
  if (!ExcSnapshotTake(ctx, &snapshot)) return false;
  OptSetOptionById(ctx, item, number);
  OptNormalizeAfterSet(ctx);
  *out = OptGetValueById(ctx, item);
  ExcSnapshotRestore(ctx, &snapshot);
  return true;
}

int32_t NumericList(ExcHandle* h, const PjlVariableRow* row, int32_t only_allowed, ExcTextBuffer* out) {
  DriverContext* ctx = h->context;
  // A range the variable offers only under conditions.
  if (only_allowed && row->options && row->options->count &&
      !OptCheckConditions(ctx, row->options->rows[0].conditions))
    return kExcOk;
  MdfItem feature = ExcFindFeature(ctx, row->settingId, row->subKey);
  ImgFeature f;
  ImgNumeric n{};
  if (!feature || !ctx->image || !MdfImgReadFeature(ctx->image, feature, &f) ||
      MdfStorageType(f.type) != kFeatureNumeric || !f.data || !MdfImgReadNumeric(ctx->image, f.data, &n))
    return kExcOk;
  // Factors of zero act as no numeric record at all.
  int64_t probe = 0;
  SettingRecord* setting = OptFindSetting(ctx, row->settingId);
  uint32_t kind = setting ? setting->commandValueKind : 0;
  int32_t resolution = kind == 2 ? OptGetValueById(ctx, kExcItemResolution) : 0;
  if (!ExcScaleToText(0, n.seventh, n.eighth, kind, resolution, &probe)) return kExcOk;
  int32_t minimum = n.minimum, maximum = n.maximum;
  if (only_allowed && (!RuleBound(ctx, row->settingId, minimum, &minimum) ||
                       !RuleBound(ctx, row->settingId, maximum, &maximum)))
    return kExcFailed;
  size_t start = out->length;
  for (int32_t v : {minimum, maximum, int32_t(n.sixth)}) {
    if (ExcAppendFeatureText(out, ctx, feature, row->settingId, kFeatureNumeric, v) < 0 || !ExcTextAppendNul(out))
      return kExcFailed;
  }
  return EndList(out, start) ? kExcOk : kExcFailed;
}

// The watermark rows: which kind a row serves (0 text, 1 image, 0x10 both),
// how many rows after it a cleared switch leaves out, the value type and the
// setting item (0: the fixed order line).
struct WatermarkRow {
  uint8_t kind;
  uint8_t skip;
  uint16_t type;
  uint16_t item;
};
constexpr uint8_t kWmBoth = 0x10;
constexpr uint16_t kWmFixed = 0;
constexpr WatermarkRow kWatermarkRows[] = {
    {0, 0, kFeatureString, 869},        {1, 0, kFeatureString, 870},       {kWmBoth, 2, kFeatureBoolean, 116},
    {kWmBoth, 0, kFeatureNumeric, 117}, {kWmBoth, 0, kFeatureNumeric, 118}, {kWmBoth, 0, kWmFixed, 0},
    {kWmBoth, 0, kFeaturePickOne, 114}, {kWmBoth, 0, kFeatureBoolean, 110}, {0, 0, kFeatureNumeric, 112},
    {1, 0, kFeatureNumeric, 128},       {0, 0, kFeaturePickOne, 113},      {0, 0, kFeatureNumeric, 119},
    {0, 0, kFeatureString, 121},        {0, 0, kFeatureNumeric, 122},      {0, 0, kFeaturePickOne, 127},
    {0, 0, kFeatureNumeric, 124},       {0, 0, kFeatureNumeric, 125},      {0, 0, kFeatureNumeric, 126},
};
static_assert(sizeof kWatermarkRows / sizeof kWatermarkRows[0] == 18);

// One watermark row: the feature's command text around the value's text,
// with a quote of the command text dropped where the value brings its own.
int32_t WatermarkLine(ExcTextBuffer* out, DriverContext* ctx, const WatermarkRow& r) {
  MdfItem feature = ExcFindFeature(ctx, r.item, 0);
  ImgFeature f;
  if (!feature || !MdfImgReadFeature(ctx->image, feature, &f)) return 0;
  ImgCommandPair pair{};
  if (f.commands) MdfImgReadCommandPair(ctx->image, f.commands, &pair);
  const char* before = pair.first ? MdfImgText(ctx->image, pair.first) : nullptr;
  const char* after = pair.second ? MdfImgText(ctx->image, pair.second) : nullptr;
  size_t mark = out->length;
  if (before) {
    size_t n = std::strlen(before);
    if (n && before[n - 1] == '"') --n;
    if (!ExcTextAppend(out, before, n)) return -1;
  }
  int32_t added = ExcAppendFeatureText(out, ctx, feature, r.item, r.type, OptGetOptionById(ctx, r.item));
  if (added <= 0) {
    out->length = mark;
    out->text[mark] = 0;
    return added;
  }
  if (after && !ExcTextAppendString(out, after[0] == '"' ? after + 1 : after)) return -1;
  return 1;
}

}  // namespace

int32_t ExcBuildValueList(ExcHandle* h, const char* name, int32_t only_allowed, ExcTextBuffer* out) {
  if (!h || !h->context || !out) return kExcFailed;
  const PjlVariableRow* row = ExcFindVariable(name, kPjlAccessCommand);
  if (!row || (only_allowed && !ExcIsSettable(h, row))) return kExcOk;
  if (!row->settingId && row->flags == kExcRowForceFeed) return ForceFeedList(h, only_allowed, out);
  if (row->valueType == kFeaturePickOne && (row->flags & kPjlRowOwnOptions) && row->options)
    return PickList(h, row, only_allowed, out);
  if (row->valueType == kFeatureNumeric && (row->flags & kPjlRowModelOptions))
    return NumericList(h, row, only_allowed, out);
  return kExcOk;
}

int32_t ExcBuildPrinterOptionList(ExcHandle* h, const char* name, ExcTextBuffer* out) {
  if (!h || !h->context || !out) return kExcFailed;
  const PjlVariableRow* row = ExcFindVariable(name, kPjlAccessPrinterOption);
  if (!row || !row->options) return kExcOk;
  size_t start = out->length;
  for (uint32_t k = 0; k < row->options->count; ++k) {
    const PjlOptionRow* o = &row->options->rows[k];
    if (ExcOptionAllowed(h->context, o) && !AppendEntry(out, o->text)) return kExcFailed;
  }
  return EndList(out, start) ? kExcOk : kExcFailed;
}

int32_t ExcBuildPrinterValue(ExcHandle* h, const char* name, ExcTextBuffer* out) {
  if (!h || !h->context || !out) return kExcFailed;
  DriverContext* ctx = h->context;
  const PjlVariableRow* row = ExcFindVariable(name, kPjlAccessPrinterValue);
  if (!row) return kExcOk;
  // The requirements, read as conditions, must hold.
  for (const PjlRequirement* r = row->requirements; r && r->settingId; ++r)
    if (OptGetValueById(ctx, r->settingId) != r->value) return kExcOk;
  int32_t added = 0;
  if (row->flags & kPjlRowModelOptions) {
    MdfItem feature = ExcFindFeature(ctx, row->settingId, row->subKey);
    if (!feature) return kExcOk;
    added = ExcAppendFeatureText(out, ctx, feature, row->settingId, row->valueType,
                                 OptGetOptionById(ctx, row->settingId));
  } else {
    added = ExcAppendValueText(out, nullptr, ctx, row, OptGetValueById(ctx, row->settingId));
  }
  return added < 0 ? kExcFailed : kExcOk;
}

int32_t ExcWriteWatermarkBlock(ExcTextBuffer* out, DriverContext* ctx, int32_t kind) {
  if (!out || !ctx || !ctx->devmode) return kExcFailed;
  // Image watermarks are every kind but 0.
  uint8_t asked = kind ? 1 : 0;
  size_t start = out->length;
  constexpr size_t kRows = sizeof kWatermarkRows / sizeof kWatermarkRows[0];
  for (size_t i = 0; i < kRows; ++i) {
    const WatermarkRow& r = kWatermarkRows[i];
    if (r.kind != asked && !(r.kind & kWmBoth)) continue;
    if (r.item == kWmFixed) {
      if (!ExcTextAppendLine(out, "WMKORDER", "PAPER")) return kExcFailed;
    } else if (ctx->image && WatermarkLine(out, ctx, r) < 0) {
      return kExcFailed;
    }
    // A cleared page switch (all pages) leaves out the page range rows.
    if (r.skip && !(r.item == kExcItemWmPage && OptGetValueById(ctx, r.item) != 0)) i += r.skip;
  }
  return EndList(out, start) ? kExcOk : kExcFailed;
}

int32_t ExcBuildWatermarkList(ExcHandle* h, int32_t kind, ExcTextBuffer* out) {
  if (!h || !h->context || !out) return kExcFailed;
  DriverContext* ctx = h->context;
  ExcWorkSnapshot snapshot{};
  if (!ExcSnapshotTake(ctx, &snapshot)) return kExcFailed;
  size_t start = out->length;
  int32_t result = kExcOk;
  int32_t count = StampGetCount(ctx);
  for (int32_t n = 0; n < count && result == kExcOk; ++n) {
    ApiSelectWatermarkEntry(ctx, n);
    int32_t entry_kind = OptGetValueById(ctx, kExcItemWmKind);
    if ((entry_kind == 1 && kind == 0) || (entry_kind == 2 && kind != 0))
      result = ExcWriteWatermarkBlock(out, ctx, kind);
  }
  ExcSnapshotRestore(ctx, &snapshot);
  if (result == kExcOk && !EndList(out, start)) result = kExcFailed;
  return result;
}
