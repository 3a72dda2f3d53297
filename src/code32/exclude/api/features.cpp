// List and range queries over the model's features, as the query interfaces
// answer them: which options a setting shows, their values and names, the
// numeric limits, and whether a feature the pages bind is offered at all.
#include <cstring>

#include "api/api_support.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/dialogs.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/model_query.h"
#include "velm/resources.h"
#include "velm/rule_computed.h"
#include "velm/names.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

constexpr uint16_t kBasicDialog = 1002;
constexpr uint16_t kOverlayDialog = 1003, kOverlayControl = 2407;
constexpr uint16_t kColourDialog = 1029, kColourPlaneControl = 2296;

constexpr ApiDialogBinding kBindings[] = {
    {13, kBasicDialog, 2007}, {378, kBasicDialog, 2049}, {57, kBasicDialog, 2066},
    {8, kBasicDialog, 2017},  {50, kBasicDialog, 2053},  {222, kBasicDialog, 2041},
    {0, 0, 0},
};

// The control row of a dialog: the context's own dialog table, else the
// built-in one (the query library's contexts carry none).
const DialogItemRecord* FindControl(DriverContext* ctx, uint16_t dialog_id, uint16_t control_id) {
  const DialogTable* table = ctx && ctx->dialogs ? ctx->dialogs : &DlgGetBuiltinTable();
  for (int16_t i = 0; i < table->count; ++i) {
    const DialogRecord& d = table->rows[i];
    if (d.dialogId != dialog_id) continue;
    for (uint32_t k = 0; k < d.itemCount; ++k)
      if (d.items[k].controlId == control_id) return &d.items[k];
    return nullptr;
  }
  return nullptr;
}

// A pick-list feature of the setting and its option records in order.
struct OptionWalk {
  MdfItem item = 0;
  ImgFeature feature{};
  bool Open(DriverContext* ctx, uint32_t setting) {
    item = ApiFindFeatureNode(ctx, setting);
    if (!item || !MdfReadItem(ctx, item, &feature)) return false;
    return MdfIsListType(MdfStorageType(feature.type)) && feature.data != 0;
  }
  // Calls fn(option) for each option record; stops early when fn answers false.
  template <typename Fn>
  void Each(DriverContext* ctx, Fn fn) const {
    uint32_t steps = MdfStepLimit(ctx->image);
    ImgOption o;
    for (uint32_t at = feature.data; at && steps--; at = o.next) {
      if (!MdfImgReadOption(ctx->image, at, feature.type, &o)) return;
      if (!fn(o)) return;
    }
  }
};

const OptionNameRow* OptionValueRow(uint32_t setting, uint16_t option_id) {
  const OptionNameRow* row = MdfFindOptionById(setting, option_id);
  return row && row->hasValue ? row : nullptr;
}

bool NumericRange(DriverContext* ctx, uint32_t setting, ApiRange* out) {
  MdfItem item = MdfFindItem(ctx, setting);
  ImgFeature f;
  ImgNumeric n;
  if (!item || !MdfReadItem(ctx, item, &f) || MdfStorageType(f.type) != kFeatureNumeric || !f.data) return false;
  if (!MdfImgReadNumeric(ctx->image, f.data, &n)) return false;
  if (out) *out = {n.minimum, n.maximum};
  return true;
}

bool RuleAllowsControl(DriverContext* ctx, uint16_t dialog, uint16_t control) {
  const DialogItemRecord* row = FindControl(ctx, dialog, control);
  if (!row) return false;
  MdfItem item = MdfLookupItemByKey(ctx, row->symbol);
  ImgFeature f;
  if (!item || !MdfReadItem(ctx, item, &f) || !f.exclusive) return false;
  return RuleIsItemHidden(ctx, item, 0) == 0;
}

}  // namespace

const ApiDialogBinding* ApiDialogBindings() { return kBindings; }

MdfItem ApiFindFeatureNode(DriverContext* ctx, uint32_t item) {
  if (!ctx) return 0;
  for (const ApiDialogBinding* b = kBindings; b->item; ++b) {
    if (b->item != item) continue;
    const DialogItemRecord* row = FindControl(ctx, b->dialog, b->control);
    if (!row) break;
    MdfItem bound = MdfLookupItemByKey(ctx, row->symbol);
    if (!bound) break;
    // A control whose own condition hides it leaves the setting to the
    // model's feature.
    if ((row->flags & 1) && RuleIsItemHidden(ctx, bound, 0)) break;
    return bound;
  }
  return MdfFindItem(ctx, item);
}

bool ApiIsFeaturePresent(DriverContext* ctx, uint32_t item) {
  return ctx && MdfFindItem(ctx, item) != 0 && MdfGetItemType(ctx, item) != kFeatureTypeUnknown;
}

bool ApiIsItemAvailable(DriverContext* ctx, uint32_t item, uint16_t option, uint32_t flags) {
  if (!ApiIsFeaturePresent(ctx, item)) return false;
  MdfItem node = ApiFindFeatureNode(ctx, item);
  if (!node) return false;
  if ((flags & kApiAvailNotHidden) && RuleIsItemHidden(ctx, node, option)) return false;
  if ((flags & kApiAvailNotDisabled) && RuleIsItemDisabled(ctx, node, option)) return false;
  return true;
}

uint16_t ApiFindOptionByValue(DriverContext* ctx, uint32_t item, int32_t value) {
  OptionWalk w;
  if (!ctx || !w.Open(ctx, item)) return 0;
  uint16_t found = 0;
  bool complete = true;
  w.Each(ctx, [&](const ImgOption& o) {
    const OptionNameRow* row = OptionValueRow(w.feature.settingId, o.optionId);
    if (!row) return complete = false;
    if (int32_t(row->value) == value) {
      found = o.optionId;
      return false;
    }
    return true;
  });
  return complete ? found : 0;
}

int32_t ApiListShownValues(DriverContext* ctx, uint32_t item, int32_t* out, int32_t capacity) {
  OptionWalk w;
  if (!ctx || !w.Open(ctx, item)) return -1;
  int32_t n = 0, options = 0;
  bool complete = true;
  w.Each(ctx, [&](const ImgOption& o) {
    ++options;
    const OptionNameRow* row = OptionValueRow(w.feature.settingId, o.optionId);
    if (!row) return complete = false;
    if (RuleIsItemHidden(ctx, w.item, o.optionId)) return true;
    if (out && n < capacity) out[n] = int32_t(row->value);
    ++n;
    return true;
  });
  if (!complete || options == 0 || n == 0) return -1;
  return n;
}

int32_t ApiListOptionValues(DriverContext* ctx, uint32_t item, uint16_t* out, uint32_t flags) {
  OptionWalk w;
  if (!ctx || !w.Open(ctx, item)) return -1;
  int32_t n = 0;
  bool complete = true;
  w.Each(ctx, [&](const ImgOption& o) {
    const OptionNameRow* row = OptionValueRow(w.feature.settingId, o.optionId);
    if (!row) return complete = false;
    if ((flags & kApiListUsableOnly) &&
        (RuleIsItemHidden(ctx, w.item, o.optionId) || RuleIsItemDisabled(ctx, w.item, o.optionId)))
      return true;
    if (out) out[n] = uint16_t(row->value);
    ++n;
    return true;
  });
  return complete && n > 0 ? n : -1;
}

int32_t ApiListOptionNames(DriverContext* ctx, uint32_t item, char16_t* out, int32_t chars, uint32_t flags) {
  OptionWalk w;
  if (!ctx || !w.Open(ctx, item)) return -1;
  int32_t n = 0;
  w.Each(ctx, [&](const ImgOption& o) {
    if ((flags & kApiListUsableOnly) &&
        (RuleIsItemHidden(ctx, w.item, o.optionId) || RuleIsItemDisabled(ctx, w.item, o.optionId)))
      return true;
    if (out && chars > 0) {
      char16_t* slot = out + size_t(n) * size_t(chars);
      std::memset(slot, 0, sizeof(char16_t) * size_t(chars));
      ResLoadString(ctx, o.optionId, slot, uint32_t(chars), 0);
    }
    ++n;
    return true;
  });
  return n > 0 ? n : -1;
}

bool ApiGetMaxCopies(DriverContext* ctx, ApiRange* out) {
  if (!ctx) return false;
  if (NumericRange(ctx, 12, out)) return true;
  if (out && ctx->model) *out = {int32_t(ctx->model->copiesMin), int32_t(ctx->model->copiesMax)};
  return ctx->model != nullptr;
}

bool ApiGetScaleRanges(DriverContext* ctx, ApiRange* horizontal, ApiRange* vertical) {
  return ctx && NumericRange(ctx, 92, horizontal) && NumericRange(ctx, 93, vertical);
}

bool ApiGetBindingMarginRanges(DriverContext* ctx, ApiRange* first, ApiRange* second) {
  return ctx && NumericRange(ctx, 106, first) && NumericRange(ctx, 107, second);
}

bool ApiGetSimplexMarginRanges(DriverContext* ctx, ApiRange* first, ApiRange* second) {
  return ctx && NumericRange(ctx, 104, first) && NumericRange(ctx, 105, second);
}

int32_t ApiListResolutions(DriverContext* ctx, int32_t* out) {
  return ctx ? CapsListResolutions(ctx, out, kCapsResolutionIds) : -1;
}

bool ApiIsOverlayAllowed(DriverContext* ctx) { return ctx && RuleAllowsControl(ctx, kOverlayDialog, kOverlayControl); }

bool ApiIsColourPlaneAllowed(DriverContext* ctx) {
  return ctx && RuleAllowsControl(ctx, kColourDialog, kColourPlaneControl);
}
