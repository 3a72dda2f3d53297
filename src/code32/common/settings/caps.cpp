// The device-capability lists: input slots, papers and resolutions of the
// model less what the rules hide, in platform codes through the option-name
// table; the custom paper extents; the built-in resolution table.
#include "velm/caps.h"

#include <algorithm>
#include <cstring>

#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/model_query.h"
#include "velm/resources.h"
#include "velm/rule_computed.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/rule_eval.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/units.h"

namespace {

constexpr CapsResolutionRow kResolutions[] = {
    {1, 300, 300}, {2, 400, 400}, {3, 600, 600}, {4, 1200, 1200}, {5, 2400, 2400}, {17, 600, 600}, {18, 600, 600},
    {0, 0, 0},
};
constexpr uint32_t kDuplexUnit = 10014;
constexpr int32_t kDefaultResolution = 600;

// One option of a walked list, with its option-name row (null: none).
struct WalkedOption {
  uint16_t optionId;
  const OptionNameRow* name;
  ImgOption record;
};

// The options of a model list still offered: a new array (MemFree) and its
// count; -1 when the feature is missing or of another type, when an option
// lacks a flagged name row while `need_codes`, or when no option is left.
struct Walk {
  WalkedOption* options = nullptr;
  int32_t count = -1;
  Walk() = default;
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;
  ~Walk() { MemFree(options); }
};

void WalkList(DriverContext* ctx, uint32_t setting, uint16_t type, bool ask_rules, bool need_codes, Walk* out) {
  MdfItem item = MdfFindItem(ctx, setting);
  ImgFeature f;
  if (!item || !MdfReadItem(ctx, item, &f) || !f.settingId || (f.type & 0xCFFF) != type || !f.data) return;
  int32_t limit = MdfCountItemOptions(ctx, f.settingId);
  if (limit <= 0) return;
  out->options = static_cast<WalkedOption*>(MemAllocZeroed(sizeof(WalkedOption) * size_t(limit)));
  if (!out->options) return;
  int32_t n = 0;
  ImgOption o;
  uint32_t at = f.data;
  for (int32_t i = 0; i < limit && at; ++i, at = o.next) {
    if (!MdfImgReadOption(ctx->image, at, f.type, &o)) break;
    const OptionNameRow* row = MdfFindOptionById(f.settingId, o.optionId);
    // The codes are checked for every option, hidden or not.
    if (need_codes && !(row && row->hasValue)) return;
    if (ask_rules && RuleIsItemHidden(ctx, item, o.optionId)) continue;
    out->options[n++] = {o.optionId, row, o};
  }
  if (n > 0) out->count = n;
}

// The papers of a setting: dmPaperSize's PickPage list under the rules, or
// another setting's PickOne list as it stands.
void WalkPapers(DriverContext* ctx, uint32_t setting, bool need_codes, Walk* out) {
  if (setting == setting::dmPaperSize) WalkList(ctx, setting, kFeaturePickPage, true, need_codes, out);
  else WalkList(ctx, setting, kFeaturePickOne, false, need_codes, out);
}

bool IsUserSize(const WalkedOption& o) { return o.name && o.name->hasValue && FreeSizeIsSlotCode(o.name->value); }

const FreeSizeSlot* UserSlot(DriverContext* ctx, const WalkedOption& o) {
  if (!ctx->work || !IsUserSize(o)) return nullptr;
  uint32_t slot = FreeSizeCodeToSlot(o.name->value, ctx);
  return slot < 10 ? &ctx->work->freeSizes[slot] : nullptr;
}

// The UI string of an option (with its suffix) into a zero-filled slot.
void WriteOptionName(DriverContext* ctx, uint16_t option_id, char16_t* slot, int32_t chars) {
  std::memset(slot, 0, sizeof(char16_t) * size_t(chars));
  ResLoadString(ctx, option_id, slot, uint32_t(chars), 1);
}

}  // namespace

const CapsResolutionRow* CapsGetResolutionTable() { return kResolutions; }

const CapsResolutionRow* CapsFindResolutionRow(int32_t id) {
  if (id == 0) return nullptr;
  for (const CapsResolutionRow* r = kResolutions; r->id; ++r)
    if (r->id == id) return r;
  return nullptr;
}

int32_t CapsFindResolutionIdByXY(int32_t x, int32_t y) {
  if (x == 0 || y == 0) return 0;
  for (const CapsResolutionRow* r = kResolutions; r->id; ++r)
    if (r->x == x && r->y == y) return r->id;
  return 0;
}

int32_t CapsFindResolutionIdByX(int32_t x) {
  if (x == 0) return 0;
  for (const CapsResolutionRow* r = kResolutions; r->id; ++r)
    if (r->x == x) return r->id;
  return 0;
}

int32_t CapsGetBins(DriverContext* ctx, uint16_t* out) {
  Walk w;
  WalkList(ctx, setting::dmDefaultSource, kFeaturePickSlot, true, true, &w);
  for (int32_t i = 0; out && i < w.count; ++i) out[i] = uint16_t(w.options[i].name->value);
  return w.count;
}

int32_t CapsGetBinNames(DriverContext* ctx, char16_t* out, int32_t chars) {
  // Names come from the UI strings: an option without a code is still named.
  Walk w;
  WalkList(ctx, setting::dmDefaultSource, kFeaturePickSlot, true, false, &w);
  for (int32_t i = 0; out && chars > 0 && i < w.count; ++i)
    WriteOptionName(ctx, w.options[i].optionId, out + size_t(i) * size_t(chars), chars);
  return w.count;
}

int32_t CapsGetPapers(DriverContext* ctx, uint16_t* out, uint32_t id) {
  Walk w;
  WalkPapers(ctx, id, true, &w);
  for (int32_t i = 0; out && i < w.count; ++i) out[i] = uint16_t(w.options[i].name->value);
  return w.count;
}

int32_t CapsListPickValues(DriverContext* ctx, uint16_t* out, uint32_t id) {
  Walk w;
  WalkList(ctx, id, kFeaturePickOne, true, true, &w);
  for (int32_t i = 0; out && i < w.count; ++i) out[i] = uint16_t(w.options[i].name->value);
  return w.count;
}

int32_t CapsGetOutputTrays(DriverContext* ctx, uint16_t* out) { return CapsListPickValues(ctx, out, setting::vdmOutputTrayID); }

int32_t CapsGetPaperNames(DriverContext* ctx, char16_t* out, int32_t chars, uint32_t id) {
  FreeSizeRefreshSlots(ctx);
  Walk w;
  WalkPapers(ctx, id, false, &w);
  for (int32_t i = 0; out && chars > 0 && i < w.count; ++i) {
    char16_t* slot = out + size_t(i) * size_t(chars);
    if (const FreeSizeSlot* s = UserSlot(ctx, w.options[i])) {
      // The name given to applications: ANSI, maybe filling its 64 bytes.
      char name[65] = {};
      std::memcpy(name, s->names[0], sizeof s->names[0]);
      char16_t wide[65] = {};
      StrAnsiToWide(wide, name, 65);
      std::memset(slot, 0, sizeof(char16_t) * size_t(chars));
      size_t n = std::min<size_t>(std::char_traits<char16_t>::length(wide), size_t(chars) - 1);
      std::memcpy(slot, wide, n * sizeof(char16_t));
    } else {
      WriteOptionName(ctx, w.options[i].optionId, slot, chars);
    }
  }
  return w.count;
}

int32_t CapsGetPaperSizes(DriverContext* ctx, int32_t* out, uint32_t id) {
  FreeSizeRefreshSlots(ctx);
  Walk w;
  WalkPapers(ctx, id, false, &w);
  for (int32_t i = 0; out && i < w.count; ++i) {
    const WalkedOption& o = w.options[i];
    if (const FreeSizeSlot* s = UserSlot(ctx, o)) {
      out[2 * i] = int32_t(UnitDeviceToUser(kUnitMm10, uint32_t(s->width), 1200));
      out[2 * i + 1] = int32_t(UnitDeviceToUser(kUnitMm10, uint32_t(s->length), 1200));
    } else {
      out[2 * i] = o.record.paperWidth;
      out[2 * i + 1] = o.record.paperLength;
    }
  }
  return w.count;
}

void CapsGetModelExtents(DriverContext* ctx, int32_t* min_pair, int32_t* max_pair) {
  const ModelInfo& m = ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo();
  if (min_pair) {
    min_pair[0] = int32_t(m.customWidthMin);
    min_pair[1] = int32_t(m.customLengthMin);
  }
  if (max_pair) {
    max_pair[0] = int32_t(m.customWidthMax);
    max_pair[1] = int32_t(m.customLengthMax);
  }
}

int32_t CapsGetMinWidth(DriverContext* ctx) {
  int32_t lo[2];
  CapsGetModelExtents(ctx, lo, nullptr);
  return lo[0];
}
int32_t CapsGetMinLength(DriverContext* ctx) {
  int32_t lo[2];
  CapsGetModelExtents(ctx, lo, nullptr);
  return lo[1];
}
int32_t CapsGetMaxWidth(DriverContext* ctx) {
  int32_t hi[2];
  CapsGetModelExtents(ctx, nullptr, hi);
  return hi[0];
}
int32_t CapsGetMaxLength(DriverContext* ctx) {
  int32_t hi[2];
  CapsGetModelExtents(ctx, nullptr, hi);
  return hi[1];
}

void CapsComputeExtent(DriverContext* ctx, int32_t index, int32_t* width, int32_t* length) {
  bool minimum = index == kCapsMinExtent;
  int32_t w = int32_t(UnitDeviceToUser(kUnitMm10, uint32_t(minimum ? CapsGetMinWidth(ctx) : CapsGetMaxWidth(ctx)), 1200));
  int32_t l =
      int32_t(UnitDeviceToUser(kUnitMm10, uint32_t(minimum ? CapsGetMinLength(ctx) : CapsGetMaxLength(ctx)), 1200));
  int32_t lo, hi;
  if (UnitGetFreeSizeLimits(ctx, setting::wdmFreeSizeWidth, &lo, &hi)) w = std::clamp(w, lo, std::max(lo, hi));
  if (UnitGetFreeSizeLimits(ctx, setting::wdmFreeSizeLength, &lo, &hi)) l = std::clamp(l, lo, std::max(lo, hi));
  if (width) *width = w;
  if (length) *length = l;
}

int32_t CapsGetExtent(DriverContext* ctx, uint16_t* out, int32_t index) {
  int32_t width = 0, length = 0;
  CapsComputeExtent(ctx, index, &width, &length);
  if (out) {
    out[0] = uint16_t(width);
    out[1] = uint16_t(length);
  }
  return int32_t((uint32_t(uint16_t(length)) << 16) | uint16_t(width));
}

int32_t CapsHasDuplexUnit(DriverContext* ctx) { return OptGetValueById(ctx, kDuplexUnit) != 0 ? 1 : 0; }

namespace {

// A pick feature (PickOne with options) or a numeric one with a value.
enum class ResolutionFeature { kNone, kPick, kNumeric };

ResolutionFeature KindOf(DriverContext* ctx, uint32_t setting) {
  uint32_t type = MdfGetItemType(ctx, setting);
  if (type == kFeaturePickOne && MdfCountItemOptions(ctx, setting) > 0) return ResolutionFeature::kPick;
  if (type == kFeatureNumeric && OptGetValueById(ctx, setting) != 0) return ResolutionFeature::kNumeric;
  return ResolutionFeature::kNone;
}

// One entry for a single resolution: the pair in mode 0; in mode 1 the id of
// its table row, so that a caller who sized the list by the count gets one
// entry of the kind it asked for.
int32_t WriteSingle(int32_t* out, int32_t mode, int32_t dpi) {
  if (out) {
    if (mode == kCapsResolutionIds) {
      out[0] = CapsFindResolutionIdByXY(dpi, dpi);
    } else {
      out[0] = dpi;
      out[1] = dpi;
    }
  }
  return 1;
}

// The pick list of feature 42 or 248; -1 when it fails.
int32_t ListPicked(DriverContext* ctx, uint32_t setting, int32_t* out, int32_t mode) {
  Walk w;
  WalkList(ctx, setting, kFeaturePickOne, true, true, &w);
  if (w.count <= 0) return -1;
  int32_t n = 0;
  if (setting == setting::vdmDstResolutionW) {
    for (int32_t i = 0; i < w.count; ++i) {
      int32_t v = int32_t(w.options[i].name->value);
      if (mode == kCapsResolutionIds) {
        if (out) out[n] = CapsFindResolutionIdByXY(v, v);
      } else if (out) {
        out[2 * n] = v;
        out[2 * n + 1] = v;
      }
      ++n;
    }
    return n;
  }
  // Feature 248: each value is a resolution-table id.
  for (int32_t i = 0; i < w.count; ++i)
    if (!CapsFindResolutionRow(int32_t(w.options[i].name->value))) return -1;
  const CapsResolutionRow* previous = nullptr;
  for (int32_t i = 0; i < w.count; ++i) {
    const CapsResolutionRow* r = CapsFindResolutionRow(int32_t(w.options[i].name->value));
    if (mode == kCapsResolutionIds) {
      if (out) out[n] = r->id;
      ++n;
      continue;
    }
    if (r->x != r->y) continue;
    bool repeat = previous && (previous->x == r->x || previous->y == r->y);
    previous = r;
    if (repeat) continue;
    if (out) {
      out[2 * n] = r->x;
      out[2 * n + 1] = r->y;
    }
    ++n;
  }
  return n > 0 ? n : -1;
}

}  // namespace

int32_t CapsListResolutions(DriverContext* ctx, int32_t* out, int32_t mode) {
  uint32_t setting = setting::vdmDstResolutionW;
  ResolutionFeature kind = KindOf(ctx, setting::vdmDstResolutionW);
  if (MdfGetItemType(ctx, setting::vdmDstResolutionW) == kFeatureNumeric) {
    ResolutionFeature both = KindOf(ctx, setting::vdmDstResolutionBoth);
    if (both != ResolutionFeature::kNone) {
      setting = setting::vdmDstResolutionBoth;
      kind = both;
    }
  }
  if (kind == ResolutionFeature::kPick) {
    int32_t n = ListPicked(ctx, setting, out, mode);
    if (n > 0) return n;
  } else if (kind == ResolutionFeature::kNumeric) {
    return WriteSingle(out, mode, OptGetValueById(ctx, setting::vdmDstResolutionW));
  }
  const ModelInfo& m = ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo();
  return WriteSingle(out, mode, m.defaultResolution ? int32_t(m.defaultResolution) : kDefaultResolution);
}

int32_t CapsGetResolutions(DriverContext* ctx, int32_t* out) {
  return CapsListResolutions(ctx, out, kCapsResolutionPairs);
}
