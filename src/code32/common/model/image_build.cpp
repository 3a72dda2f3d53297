// Builds the model image of a parse: the rule area (compiled conditions,
// rule entries, the Exclusive array), the feature area (features with their
// options and value records) and the command area (command strings, DLL
// names, command trees, font lists), after the 4984-byte header.
//
// The same walk runs twice: once to measure and once to write into a block
// of exactly the measured size, so the two can never disagree; every write
// is checked against the block, and the final position must equal its size.
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "image_internal.h"
#include "mdf_internal.h"
#include "plat/kernel.h"
#include "velm/mdf_reader.h"
#include "velm/settings.h"

namespace mdf_image {

ModelImage* AllocateImage(uint32_t size, bool zeroed) {
  const size_t bytes = sizeof(ModelImage) + size;
  // A block that is not zeroed is freed by MemFree all the same.
  void* block = zeroed ? MemAllocZeroed(bytes) : GlobalAlloc(GMEM_FIXED, bytes);
  if (!block) return nullptr;
  auto* image = new (block) ModelImage;
  image->size = size;
  image->bytes = reinterpret_cast<uint8_t*>(image + 1);
  return image;
}

}  // namespace mdf_image

namespace {

using namespace mdf_image;

// Appends records to the image. Without a buffer it only measures.
class Writer {
 public:
  Writer(uint8_t* buffer, uint64_t capacity) : buf_(buffer), cap_(capacity) {}

  bool ok() const { return ok_; }
  uint64_t position() const { return pos_; }

  // Room for n bytes at the end; their offset.
  uint32_t Reserve(uint64_t n) {
    uint64_t at = pos_;
    pos_ += n;
    if (pos_ > kMaxImageSize || (buf_ && pos_ > cap_)) ok_ = false;
    return ok_ ? static_cast<uint32_t>(at) : 0;
  }
  void Put16(uint32_t at, uint16_t v) {
    if (Fits(at, 2)) mdf_image::Put16(buf_ + at, v);
  }
  void Put32(uint32_t at, uint32_t v) {
    if (Fits(at, 4)) mdf_image::Put32(buf_ + at, v);
  }
  void PutBytes(uint32_t at, const void* data, uint64_t n) {
    if (n && Fits(at, n)) std::memcpy(buf_ + at, data, static_cast<size_t>(n));
  }
  // A text with its NUL; 0 for none.
  uint32_t Text(const char* text) {
    if (!text) return 0;
    uint64_t n = std::strlen(text) + 1;
    uint32_t at = Reserve(n);
    PutBytes(at, text, n);
    return at;
  }
  uint32_t Wide(const char16_t* text) {
    if (!text) return 0;
    uint64_t n = 0;
    while (text[n]) ++n;
    uint32_t at = Reserve((n + 1) * 2);
    for (uint64_t i = 0; i <= n; ++i) Put16(static_cast<uint32_t>(at + 2 * i), text[i]);
    return at;
  }

 private:
  bool Fits(uint64_t at, uint64_t n) {
    if (!buf_) return false;
    if (at + n > cap_) {
      ok_ = false;
      return false;
    }
    return true;
  }

  uint8_t* buf_;
  uint64_t cap_;
  uint64_t pos_ = kHeaderSize;
  bool ok_ = true;
};

using NumberMap = MdfFlatMap<uint32_t, uint32_t>;  // record number -> link or offset

// A written option list or value record and the storage type it was written
// for.
struct Written {
  uint32_t offset;
  uint16_t storage;
};

class Builder {
 public:
  Builder(ModelParseContext* ctx, Writer* w) : ctx_(ctx), h_(ctx->header), w_(*w) {}

  void Run() {
    RuleArea();
    FeatureArea();
    CommandArea();
    Header();
  }

 private:
  // ---- references ----
  static uint32_t Resolve(const NumberMap& map, uint32_t reference) {
    if (reference == 0) return 0;
    const uint32_t* link = map.Find(reference & 0xFFFF);
    return link ? *link : 0;
  }

  // A Judge reference that no accepted Judge answers, to a number whose
  // Judge was given but refused.
  bool Refused(uint32_t reference) const {
    return reference && Resolve(judges_, reference) == 0 && ctx_->index &&
           ctx_->index->refusedJudges.Contains(static_cast<uint16_t>(reference & 0xFFFF));
  }
  // An entry whose condition names a refused Judge is left out: it must not
  // apply (or hide, disable, alert) as if it had no condition at all.
  bool KeepItem(const RuleEntry* e) const {
    return !e->refusedJudge && !Refused(e->field[kItemHide]) && !Refused(e->field[kItemDisable]);
  }
  bool KeepTransact(const RuleEntry* e) const { return !e->refusedJudge && !Refused(e->field[kTransactCondition]); }
  bool KeepAlert(const RuleEntry* e) const { return !e->refusedJudge && !Refused(e->field[kAlertCondition]); }
  static bool KeepAll(const RuleEntry*) { return true; }

  // ---- rule area ----
  void RuleArea() {
    for (JudgeRecord* j = ctx_->judges; j; j = j->next) {
      uint32_t at = w_.Reserve(j->byteLength);
      for (uint32_t i = 0; i < j->byteLength / 4; ++i) {
        w_.Put16(at + 4 * i, j->cells[i].kind);
        w_.Put16(at + 4 * i + 2, j->cells[i].value);
      }
      judges_.Emplace(j->number, Link(at));
    }
    Records(ctx_->items, kItemSize, &items_, [&](const RuleEntry* e) { return KeepItem(e); },
            [&](uint32_t at, const RuleEntry* e) {
      w_.Put16(at + 4, static_cast<uint16_t>(e->field[kItemOption]));
      w_.Put32(at + 8, Resolve(judges_, e->field[kItemHide]));
      w_.Put32(at + 12, Resolve(judges_, e->field[kItemDisable]));
    });
    Records(ctx_->actions, kActionSize, &actions_, KeepAll, [&](uint32_t at, const RuleEntry* e) {
      w_.Put16(at + 4, static_cast<uint16_t>(e->field[kActionTarget]));
      w_.Put16(at + 6, static_cast<uint16_t>(e->field[kActionKind]));
      w_.Put32(at + 8, e->field[kActionValue]);
    });
    Records(ctx_->transacts, kTransactSize, &transacts_, [&](const RuleEntry* e) { return KeepTransact(e); },
            [&](uint32_t at, const RuleEntry* e) {
      w_.Put32(at + 4, Resolve(judges_, e->field[kTransactCondition]));
      w_.Put32(at + 8, Resolve(actions_, e->field[kTransactAction]));
    });
    Records(ctx_->alertActions, kAlertActionSize, &alertActions_, KeepAll, [&](uint32_t at, const RuleEntry* e) {
      w_.Put16(at + 4, static_cast<uint16_t>(e->field[kAlertActionButton]));
      w_.Put32(at + 8, Resolve(transacts_, e->field[kAlertActionTransact]));
    });
    Records(ctx_->alerts, kAlertSize, &alerts_, [&](const RuleEntry* e) { return KeepAlert(e); },
            [&](uint32_t at, const RuleEntry* e) {
      w_.Put32(at + 4, Resolve(judges_, e->field[kAlertCondition]));
      w_.Put16(at + 8, static_cast<uint16_t>(e->field[kAlertMessage]));
      w_.Put16(at + 10, static_cast<uint16_t>(e->field[kAlertIcon]));
      w_.Put16(at + 12, static_cast<uint16_t>(e->field[kAlertButtons]));
      w_.Put16(at + 14, static_cast<uint16_t>(e->field[kAlertWhen]));
      w_.Put32(at + 16, Resolve(alertActions_, e->field[kAlertAlertAction]));
    });
    // The Exclusive array: each record's next is the plain offset of the
    // following one.
    for (RuleEntry* e = ctx_->exclusives; e; e = e->next) {
      uint32_t at = w_.Reserve(kExclusiveSize);
      if (!slots_[kSlotExclusive]) slots_[kSlotExclusive] = at;
      w_.Put32(at, e->next ? at + kExclusiveSize : 0);
      w_.Put16(at + 4, static_cast<uint16_t>(e->field[kExclusiveKey]));
      w_.Put32(at + 8, Resolve(judges_, e->field[kExclusiveHide]));
      w_.Put32(at + 12, Resolve(judges_, e->field[kExclusiveDisable]));
      w_.Put32(at + 16, Resolve(items_, e->field[kExclusiveItem]));
      w_.Put32(at + 20, Resolve(alerts_, e->field[kExclusiveAlert]));
      w_.Put32(at + 24, Resolve(transacts_, e->field[kExclusiveTransact]));
      w_.Put32(at + 28, Resolve(transacts_, e->field[kExclusiveTransact2]));
      exclusiveByKey_.Emplace(static_cast<uint16_t>(e->field[kExclusiveKey]), at);
    }
  }

  // The entries of every record of a list that `keep` keeps, record by
  // record, each entry linked to the one after it. A record is found by its
  // number: the first record with it wins, and one without entries refers
  // to nothing.
  template <typename Keep, typename Fill>
  void Records(RuleRecord* list, uint32_t size, NumberMap* map, Keep keep, Fill fill) {
    std::vector<const RuleEntry*> kept;
    for (RuleRecord* r = list; r; r = r->next) {
      kept.clear();
      for (const RuleEntry* e = r->entries; e; e = e->next) {
        if (keep(e)) kept.push_back(e);
      }
      uint32_t first = 0;
      for (size_t i = 0; i < kept.size(); ++i) {
        uint32_t at = w_.Reserve(size);
        if (!first) first = at;
        w_.Put32(at, i + 1 < kept.size() ? Link(at + size) : 0);
        fill(at, kept[i]);
      }
      map->Emplace(r->number, Link(first));
    }
  }

  // ---- feature area ----
  // Nodes with a non-zero sub-id that follow an ordinary node move to the
  // front, each in turn; the rest keep their order.
  static std::vector<FeatureNode*> Reorder(FeatureNode* first, MdfFlatMap<uint16_t, bool>* shared_keys) {
    std::vector<FeatureNode*> moved;
    std::vector<FeatureNode*> kept;
    size_t count = 0;
    for (FeatureNode* n = first; n; n = n->next) ++count;
    kept.reserve(count);
    bool ordinary_seen = false;
    for (FeatureNode* n = first; n; n = n->next) {
      if (n->subId != 0 && ordinary_seen) {
        moved.push_back(n);
        // An Identity node shares the options of the feature its sub-id
        // names, a variant those of its own key.
        shared_keys->Set((n->type & kFeatureIdentity) ? n->subId : n->key, true);
      } else {
        kept.push_back(n);
      }
      if (n->subId == 0) ordinary_seen = true;
    }
    if (moved.empty()) return kept;
    std::vector<FeatureNode*> order;
    order.reserve(count);
    order.assign(moved.rbegin(), moved.rend());
    order.insert(order.end(), kept.begin(), kept.end());
    return order;
  }

  void FeatureArea() {
    MdfFlatMap<uint16_t, bool> shared_keys;
    std::vector<FeatureNode*> order = Reorder(h_->features, &shared_keys);
    MdfFlatMap<uint16_t, Written> recorded;   // shared key -> its owner's list
    MdfFlatMap<uintptr_t, Written> written;   // parse-time list -> where it went
    written.Reserve(order.size());
    uint32_t previous = 0;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      FeatureNode* n = *it;
      uint16_t storage = MdfStorageType(n->type);
      uint32_t data = 0;
      if (n->subId == 0) {
        if (n->data) {
          data = Data(n);
          written.Set(reinterpret_cast<uintptr_t>(n->data), {data, storage});
        }
        if (shared_keys.Contains(n->key)) recorded.Set(n->key, {data, storage});
      } else if (n->data) {
        // A node that shares a list refers to where its owner's list went;
        // a list that was never written (its owner shares one itself) is
        // found by its parse-time address, and a list of another storage
        // type is never taken. No parse-time address reaches the image.
        uint16_t key = (n->type & kFeatureIdentity) ? n->subId : n->key;
        const Written* r = recorded.Find(key);
        const Written* m = written.Find(reinterpret_cast<uintptr_t>(n->data));
        if (r && r->storage == storage) {
          data = r->offset;
        } else if (m && m->storage == storage) {
          data = m->offset;
        }
      }
      uint32_t pair = 0;
      if (n->commands) {
        uint32_t first = w_.Text(n->commands->first);
        uint32_t second = w_.Text(n->commands->second);
        pair = w_.Reserve(kPairSize);
        w_.Put32(pair, first);
        w_.Put32(pair + 4, second);
      }
      const uint32_t* ex = exclusiveByKey_.Find(n->key);
      uint32_t at = w_.Reserve(kFeatureSize);
      w_.Put32(at + kFeatureNext, previous);
      w_.Put16(at + kFeatureKey, n->key);
      w_.Put16(at + kFeatureSubId, n->subId);
      w_.Put16(at + kFeatureSetting, n->settingId);
      w_.Put16(at + kFeatureType, n->type);
      w_.Put16(at + kFeatureDefault, n->defaultValue);
      w_.Put32(at + kFeatureCommands, pair);
      w_.Put32(at + kFeatureExclusive, ex ? *ex : 0);
      w_.Put32(at + kFeatureData, data);
      if (int32_t slot = MdfSlotOfSetting(n->settingId)) {
        if (n->subId == 0 || slots_[slot] == 0) slots_[slot] = at;
      }
      previous = at;
    }
    slots_[kSlotFeatures] = previous;
  }

  uint32_t Data(FeatureNode* n) {
    switch (MdfDataKindOf(n->type)) {
      case MdfDataKind::kList:
        return Options(MdfFeatureOptions(n), MdfStorageType(n->type));
      case MdfDataKind::kBoolean: {
        const BooleanValue* b = MdfFeatureBoolean(n);
        uint32_t t = w_.Text(b->trueText);
        uint32_t f = w_.Text(b->falseText);
        uint32_t at = w_.Reserve(kBooleanSize);
        w_.Put32(at, static_cast<uint32_t>(b->defaultValue));
        w_.Put32(at + 4, t);
        w_.Put32(at + 8, f);
        return at;
      }
      case MdfDataKind::kNumeric: {
        const NumericValue* v = MdfFeatureNumeric(n);
        uint32_t at = w_.Reserve(kNumericSize);
        w_.Put16(at, v->unitId);
        w_.Put16(at + 2, v->maxChars);
        w_.Put16(at + 4, v->scale);
        w_.Put16(at + 6, v->sixth);
        w_.Put16(at + 8, v->seventh);
        w_.Put16(at + 10, v->eighth);
        w_.Put32(at + 12, static_cast<uint32_t>(v->defaultValue));
        w_.Put32(at + 16, static_cast<uint32_t>(v->minimum));
        w_.Put32(at + 20, static_cast<uint32_t>(v->maximum));
        return at;
      }
      case MdfDataKind::kString: {
        const StringValue* s = MdfFeatureString(n);
        uint32_t at = w_.Reserve(kStringSize);
        w_.Put16(at, s->defaultOption);
        w_.Put16(at + 2, s->maxLength);
        w_.Put16(at + 4, s->kind);
        w_.Put16(at + 6, s->showKind);
        return at;
      }
      default:
        return 0;
    }
  }

  // An option list, from its last member to its first.
  uint32_t Options(MdfOption* first, uint16_t storage) {
    std::vector<MdfOption*>& list = options_;
    list.clear();
    for (MdfOption* o = first; o; o = o->next) list.push_back(o);
    uint32_t previous = 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      MdfOption* o = *it;
      uint32_t at = 0;
      if (storage == kFeaturePickPage) {
        std::vector<PaperAreaEntry*>& areas = areas_;
        areas.clear();
        for (PaperAreaEntry* a = o->areas; a; a = a->next) areas.push_back(a);
        uint32_t area_next = 0;
        for (auto a = areas.rbegin(); a != areas.rend(); ++a) {
          uint32_t ap = w_.Reserve(kAreaSize);
          w_.Put32(ap, area_next);
          w_.Put16(ap + 4, (*a)->resolution);
          w_.Put16(ap + 6, (*a)->orientation);
          w_.Put16(ap + 8, (*a)->conditionKey);
          w_.Put16(ap + 10, (*a)->conditionOption);
          const int32_t values[6] = {(*a)->left,  (*a)->top,        (*a)->width,
                                     (*a)->height, (*a)->paperWidth, (*a)->paperLength};
          for (int i = 0; i < 6; ++i) w_.Put32(ap + 12 + 4 * i, static_cast<uint32_t>(values[i]));
          area_next = ap;
        }
        uint32_t text = w_.Text(o->text);
        at = w_.Reserve(kPageOptionSize);
        w_.Put32(at + kOptionText, text);
        w_.Put32(at + kOptionWidth, static_cast<uint32_t>(o->paperWidth));
        w_.Put32(at + kOptionLength, static_cast<uint32_t>(o->paperLength));
        w_.Put32(at + kOptionAreas, area_next);
      } else if (storage == kFeaturePickSlot) {
        uint32_t count = o->papers ? o->paperCount : 0;
        uint32_t papers = 0;
        if (count) {
          papers = w_.Reserve(uint64_t{2} * count);
          for (uint32_t i = 0; i < count; ++i) w_.Put16(papers + 2 * i, o->papers[i]);
        }
        uint32_t text = w_.Text(o->text);
        at = w_.Reserve(kSlotOptionSize);
        w_.Put32(at + kOptionText, text);
        w_.Put32(at + kOptionCount, count);
        w_.Put32(at + kOptionArray1, papers);
      } else if (storage == kFeatureFontTbl) {
        uint32_t count = (o->trueTypeNames && o->deviceNames) ? o->pairCount : 0;
        std::vector<uint32_t> tt(count), dev(count);
        for (uint32_t i = 0; i < count; ++i) {
          tt[i] = w_.Text(o->trueTypeNames[i]);
          dev[i] = w_.Text(o->deviceNames[i]);
        }
        uint32_t tt_array = NameArray(tt);
        uint32_t dev_array = NameArray(dev);
        uint32_t text = w_.Text(o->text);
        at = w_.Reserve(kFontOptionSize);
        w_.Put32(at + kOptionText, text);
        w_.Put32(at + kOptionCount, count);
        w_.Put32(at + kOptionArray1, tt_array);
        w_.Put32(at + kOptionArray2, dev_array);
      } else {
        uint32_t text = w_.Text(o->text);
        at = w_.Reserve(kOptionSize);
        w_.Put32(at + kOptionText, text);
      }
      w_.Put32(at + kOptionNext, previous);
      w_.Put16(at + kOptionId, o->optionId);
      previous = at;
    }
    return previous;
  }

  uint32_t NameArray(const std::vector<uint32_t>& offsets) {
    if (offsets.empty()) return 0;
    uint32_t at = w_.Reserve(uint64_t{4} * offsets.size());
    for (size_t i = 0; i < offsets.size(); ++i) w_.Put32(static_cast<uint32_t>(at + 4 * i), offsets[i]);
    return at;
  }

  // ---- command area ----
  void CommandArea() {
    for (CommandStringNode* s = ctx_->commandStrings; s; s = s->next) {
      uint32_t at = s->length ? w_.Reserve(s->length) : 0;
      w_.PutBytes(at, s->text, s->length);
      strings_.Emplace(s->id, std::make_pair(at, at ? s->length : 0u));
    }
    slots_[kSlotUiResDll] = w_.Wide(h_->uiResDllName);
    slots_[kSlotExcDepDll] = w_.Wide(h_->excDepDllName);
    for (int32_t i = 0; i < kMdfCommandSlotCount; ++i) {
      slots_[kSlotJobStart + i] = h_->commandTrees[i] ? Block(h_->commandTrees[i]) : 0;
    }
    Fonts(h_->deviceFonts, h_->deviceFontCount, kSlotDeviceFontCount, kSlotDeviceFonts);
    Fonts(h_->cartridgeFonts, h_->cartridgeFontCount, kSlotCartridgeFontCount, kSlotCartridgeFonts);
  }

  uint32_t Block(const CommandBlock* block) {
    uint32_t first = Nodes(block->first);
    uint32_t second = Nodes(block->second);
    uint32_t at = w_.Reserve(kBlockSize);
    w_.Put32(at, Resolve(judges_, block->condition));
    w_.Put32(at + 4, first);
    w_.Put32(at + 8, second);
    return at;
  }

  uint32_t Nodes(CommandGroupNode* first) {
    std::vector<CommandGroupNode*> list;
    for (CommandGroupNode* n = first; n; n = n->next) list.push_back(n);
    uint32_t previous = 0;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      CommandGroupNode* n = *it;
      uint32_t at = 0;
      switch (n->kind) {
        case kCommandNodeGroupType:
          at = w_.Reserve(kNodeGroupSize);
          w_.Put16(at + 6, n->featureKey);
          w_.Put16(at + 8, n->number);
          break;
        case kCommandNodeStringType: {
          const std::pair<uint32_t, uint32_t>* s = strings_.Find(n->stringId);
          at = w_.Reserve(kNodeStringSize);
          if (s) {
            w_.Put32(at + 8, s->second);
            w_.Put32(at + 12, s->first);
          }
          break;
        }
        case kCommandNodeCondition: {
          // A block under a refused Judge is left out, Else and all: it
          // must not hold as a block without a condition does.
          if (!n->block || n->block->refusedCondition || Refused(n->block->condition)) continue;
          uint32_t block = Block(n->block);
          at = w_.Reserve(kNodeBlockSize);
          w_.Put32(at + 8, block);
          break;
        }
        case kCommandNodeFontType:
          at = w_.Reserve(kNodeFontSize);
          break;
        default:
          continue;  // the reader makes no other kind
      }
      w_.Put32(at, previous);
      w_.Put16(at + 4, n->kind);
      previous = at;
    }
    return previous;
  }

  void Fonts(FontListEntry** list, uint32_t count, int32_t count_slot, int32_t array_slot) {
    if (!list || count == 0) return;
    std::vector<uint32_t> entries(count);
    for (uint32_t i = 0; i < count; ++i) {
      const FontListEntry* e = list[i];
      uint32_t name = e ? w_.Text(e->name) : 0;
      uint32_t at = w_.Reserve(kFontEntrySize);
      w_.Put32(at, e ? static_cast<uint32_t>(e->id) : 0);
      w_.Put32(at + 4, name);
      entries[i] = at;
    }
    slots_[count_slot] = count;
    slots_[array_slot] = NameArray(entries);
  }

  // ---- header ----
  void Header() {
    w_.PutBytes(kVersionOffset, h_->fileVersion, kVersionBytes);
    w_.Put32(kTotalSizeOffset, static_cast<uint32_t>(w_.position()));
    for (int32_t i = 0; i < kSlotCount; ++i) w_.Put32(kSlotsOffset + 4 * i, slots_[i]);
  }

  ModelParseContext* ctx_;
  ModelParseHeader* h_;
  Writer& w_;
  uint32_t slots_[kSlotCount] = {};
  NumberMap judges_, items_, actions_, transacts_, alertActions_, alerts_;
  MdfFlatMap<uint16_t, uint32_t> exclusiveByKey_;                 // first Exclusive of a feature key
  MdfFlatMap<int32_t, std::pair<uint32_t, uint32_t>> strings_;  // id -> offset, length
  // The members of the option list and the areas of the option being
  // written, kept from one list to the next.
  std::vector<MdfOption*> options_;
  std::vector<PaperAreaEntry*> areas_;
};

static_assert(sizeof(char16_t) * 16 == kVersionBytes);

}  // namespace

ModelImage* MdfBuildImage(ModelParseContext* ctx) {
  if (!ctx) return nullptr;
  Writer measure(nullptr, 0);
  Builder(ctx, &measure).Run();
  ModelImage* image = nullptr;
  if (measure.ok() && measure.position() <= kMaxImageSize) {
    image = AllocateImage(static_cast<uint32_t>(measure.position()));
    if (image) {
      Writer write(image->bytes, image->size);
      Builder(ctx, &write).Run();
      if (!write.ok() || write.position() != image->size) {
        MdfFreeImage(image);
        image = nullptr;
      }
    }
  }
  MdfFreeParseContext(ctx);
  return image;
}

ModelImage* MdfCompileBuffer(const uint8_t* data, size_t size) {
  // A record the reader had to drop for want of memory would leave a model
  // with features or rules missing, listed and cached for good: such a
  // compile fails as a whole, and the next open tries again.
  uint32_t failures = MemAllocFailures();
  ModelImage* image = MdfBuildImage(MdfParseBuffer(data, size));
  if (image && MemAllocFailures() != failures) {
    MdfFreeImage(image);
    return nullptr;
  }
  return image;
}

void MdfFreeImage(ModelImage* image) {
  if (!image) return;
  mdf_image::FreeFeatureIndex(image);
  if (image->ownBlock) MemFree(image->bytes);
  image->~ModelImage();
  MemFree(image);
}

const uint8_t* MdfImageBytes(const ModelImage* image) { return image ? image->bytes : nullptr; }
uint32_t MdfImageSize(const ModelImage* image) { return image ? image->size : 0; }
