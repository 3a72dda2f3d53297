// Model queries over features: by setting id, by key and by setting-table
// position, with their types, defaults and option lists.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "image_internal.h"
#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/settings.h"

namespace {

const ModelImage* Image(DriverContext* ctx) { return ctx ? ctx->image : nullptr; }

// The option id at a position of a list, 0 when the list is shorter.
int32_t OptionAt(const ModelImage* image, uint32_t list, uint16_t type, uint32_t position) {
  ImgOption o;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = list, i = 0; at && steps--; at = o.next, ++i) {
    if (!MdfImgReadOption(image, at, type, &o)) return 0;
    if (i == position) return o.optionId;
  }
  return 0;
}

int32_t DefaultOf(const ModelImage* image, const ImgFeature& f) {
  if (!f.data) return 0;
  switch (f.type & 0xFF) {
    case 1:
      return OptionAt(image, f.data, f.type, f.defaultValue);
    case kFeatureBoolean: {
      ImgBoolean b;
      return MdfImgReadBoolean(image, f.data, &b) ? b.defaultValue : 0;
    }
    case kFeatureNumeric: {
      ImgNumeric n;
      return MdfImgReadNumeric(image, f.data, &n) ? n.defaultValue : 0;
    }
    case kFeatureString: {
      ImgString s;
      return MdfImgReadString(image, f.data, &s) ? s.defaultOption : 0;
    }
    default:
      return 0;
  }
}

bool ReadFound(DriverContext* ctx, uint32_t setting_id, ImgFeature* f) {
  MdfItem item = MdfFindItem(ctx, setting_id);
  return item && MdfImgReadFeature(Image(ctx), item, f);
}

}  // namespace

// The features of the list by setting id: for each id the first feature of
// the list that has it, among the features the walk of the list reaches
// (it stops at a record that cannot be read and after MdfStepLimit steps).
// Settings without a slot are looked up here rather than by walking the
// list: a context's defaults ask hundreds of them on every open.
struct FeatureIndex {
  std::vector<std::pair<uint16_t, uint32_t>> items;  // (setting id, offset), by id

  explicit FeatureIndex(const ModelImage* image) {
    ImgFeature f;
    uint32_t steps = MdfStepLimit(image);
    for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && steps--; at = f.next) {
      if (!MdfImgReadFeature(image, at, &f)) break;
      items.emplace_back(f.settingId, at);
    }
    // Stable: of the features of one id, the first in the list stays first.
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    items.erase(std::unique(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                items.end());
  }

  uint32_t Find(uint32_t setting_id) const {
    auto it = std::lower_bound(items.begin(), items.end(), setting_id,
                               [](const auto& item, uint32_t id) { return item.first < id; });
    return it != items.end() && it->first == setting_id ? it->second : 0;
  }
};

namespace mdf_image {

void FreeFeatureIndex(ModelImage* image) { delete image->featureIndex.exchange(nullptr); }

}  // namespace mdf_image

namespace {

// The image's feature index, made at the first call; null when memory runs
// out. Two threads that make it at once keep the first one stored.
const FeatureIndex* IndexOf(const ModelImage* image) {
  auto& slot = const_cast<ModelImage*>(image)->featureIndex;
  const FeatureIndex* index = slot.load(std::memory_order_acquire);
  if (index) return index;
  const FeatureIndex* made = new (std::nothrow) FeatureIndex(image);
  if (!made) return nullptr;
  if (slot.compare_exchange_strong(index, made, std::memory_order_acq_rel)) return made;
  delete made;
  return index;
}

}  // namespace

MdfItem MdfFindItem(DriverContext* ctx, uint32_t setting_id) {
  const ModelImage* image = Image(ctx);
  if (!image || setting_id == 0) return 0;
  ImgFeature f;
  if (int32_t slot = MdfSlotOfSetting(setting_id)) {
    uint32_t at = MdfImgSlot(image, slot);
    return at && MdfImgReadFeature(image, at, &f) ? at : 0;
  }
  if (const FeatureIndex* index = IndexOf(image)) return index->Find(setting_id);
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && steps--; at = f.next) {
    if (!MdfImgReadFeature(image, at, &f)) return 0;
    if (f.settingId == setting_id) return at;
  }
  return 0;
}

uint32_t MdfGetItemType(DriverContext* ctx, uint32_t setting_id) {
  return MdfGetItemTypeWord(ctx, setting_id) & kFeatureFlagMask;
}

uint32_t MdfGetItemTypeWord(DriverContext* ctx, uint32_t setting_id) {
  ImgFeature f;
  return ReadFound(ctx, setting_id, &f) ? f.type : 0;
}

int32_t MdfGetItemDefault(DriverContext* ctx, uint32_t setting_id) {
  return MdfGetNodeDefault(ctx, MdfFindItem(ctx, setting_id));
}

uint32_t MdfGetItemOptionList(DriverContext* ctx, uint32_t setting_id, uint16_t* default_position) {
  ImgFeature f;
  if (!ReadFound(ctx, setting_id, &f)) return 0;
  if ((f.type & 1) && default_position) *default_position = f.defaultValue;
  return f.data;
}

int32_t MdfCountItemOptions(DriverContext* ctx, uint32_t setting_id) {
  ImgFeature f;
  if (!ReadFound(ctx, setting_id, &f)) return -1;
  if (!MdfIsListType(f.type)) return 0;
  const ModelImage* image = Image(ctx);
  int32_t count = 0;
  ImgOption o;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = f.data; at && steps-- && MdfImgReadOption(image, at, f.type, &o); at = o.next) ++count;
  return count;
}

MdfItem MdfFindItemByKey(DriverContext* ctx, int32_t key) {
  const ModelImage* image = Image(ctx);
  if (!image) return 0;
  ImgFeature f;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && steps--; at = f.next) {
    if (!MdfImgReadFeature(image, at, &f)) return 0;
    if (f.key == uint16_t(key)) return at;
  }
  return 0;
}

MdfItem MdfLookupItemByKey(DriverContext* ctx, int32_t key) { return MdfFindItemByKey(ctx, key); }

MdfItem MdfGetItemByIndex(DriverContext* ctx, int32_t index) {
  if (!ctx || !ctx->settings || !ctx->settings->rows) return 0;
  // Positions beyond the table name no setting.
  if (index < 0 || index >= ctx->settings->count) return 0;
  return MdfFindItem(ctx, ctx->settings->rows[index].id);
}

bool MdfCopyUIResDLLName(DriverContext* ctx, char16_t* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  const ModelImage* image = Image(ctx);
  uint32_t at = MdfImgSlot(image, mdf_image::kSlotUiResDll);
  return at && MdfImgWideText(image, at, out, cap) && out[0] != 0;
}

bool MdfReadItem(DriverContext* ctx, MdfItem item, ImgFeature* out) {
  if (!out) return false;
  return MdfImgReadFeature(Image(ctx), item, out);
}

uint32_t MdfGetNodeType(DriverContext* ctx, MdfItem item) {
  ImgFeature f;
  return MdfReadItem(ctx, item, &f) ? (f.type & kFeatureFlagMask) : 0;
}

int32_t MdfGetNodeDefault(DriverContext* ctx, MdfItem item) {
  ImgFeature f;
  return MdfReadItem(ctx, item, &f) ? DefaultOf(Image(ctx), f) : 0;
}

uint32_t MdfGetNumericUnitStringId(DriverContext* ctx, MdfItem item) {
  ImgFeature f;
  ImgNumeric n;
  if (!MdfReadItem(ctx, item, &f) || (f.type & 0xFF) != kFeatureNumeric) return 0;
  return MdfImgReadNumeric(Image(ctx), f.data, &n) ? n.unitId : 0;
}
