// Validates a model image that comes from outside (the cache file) before
// anything reads it. Every record reachable from the header is walked once
// and claims its bytes under its kind: a reference must land inside the
// image on a record of the kind it expects, no two records may overlap, a
// list may not run into a record already claimed (so no cycles), strings must
// end inside the image, every condition must be well formed, and the rule
// area (everything reached by a link or from the Exclusive array) must lie
// before the feature and command areas.
#include <cstring>
#include <new>
#include <vector>

#include "image_internal.h"
#include "velm/mdf_reader.h"
#include "velm/settings.h"

namespace {

using namespace mdf_image;

enum Kind : uint8_t {
  kFree = 0,
  // rule area
  kCells = 1,
  kItem,
  kAction,
  kTransact,
  kAlertAction,
  kAlert,
  kExclusive,
  kLastRuleKind = kExclusive,
  // feature and command areas
  kFeature,
  kPlainOption,
  kPageOption,
  kSlotOption,
  kFontOption,
  kArea,
  kBoolean,
  kNumeric,
  kString,
  kPair,
  kText,
  kWideText,
  kPaperArray,
  kNameArray,
  kBlock,
  kGroupNode,
  kStringNode,
  kBlockNode,
  kFontNode,
  kFontEntry,
};
constexpr uint8_t kStart = 0x80;  // marks the first byte of a record

// How a reference may meet a record that is already claimed.
enum class Mode {
  kFresh,     // a list's next record: must be new
  kShared,    // a reference that several records may hold: new, or the same record again
  kExisting,  // must already have been claimed by its owner
};

// Nested command blocks deeper than this are refused (the reader stops far
// earlier).
constexpr int32_t kMaxBlockDepth = 128;

class Validator {
 public:
  // tags is the byte-tag buffer, at least size bytes, all kFree.
  Validator(const uint8_t* data, uint32_t size, uint8_t* tags) : d_(data), n_(size), tags_(tags) {}

  bool Run() {
    if (Get32(d_ + kTotalSizeOffset) != n_) return false;
    bool terminated = false;
    for (uint32_t i = 0; i < 15 && !terminated; ++i) terminated = Get16(d_ + kVersionOffset + 2 * i) == 0;
    if (!terminated) return false;

    // The owners first: the Exclusive array, then the feature list, so that
    // the references into them that follow find them claimed.
    if (!ExclusiveArray(Slot(kSlotExclusive))) return false;
    uint32_t feature = Slot(kSlotFeatures);
    if (feature && !Claim(feature, kFeatureSize, kFeature, Mode::kFresh, nullptr)) return false;
    while (feature) {
      if (!Feature(feature)) return false;
      uint32_t next = Get32(d_ + feature);
      if (next && !Claim(next, kFeatureSize, kFeature, Mode::kFresh, nullptr)) return false;
      feature = next;
    }
    for (int32_t slot = 1; slot < kMdfSettingSlotCount; ++slot) {
      uint32_t at = Slot(slot);
      if (!at) continue;
      if (!Claim(at, kFeatureSize, kFeature, Mode::kExisting, nullptr)) return false;
      if (MdfSlotOfSetting(Get16(d_ + at + kFeatureSetting)) != slot) return false;
    }
    if (!WideText(Slot(kSlotUiResDll)) || !WideText(Slot(kSlotExcDepDll))) return false;
    for (int32_t i = 0; i < kMdfCommandSlotCount; ++i) {
      uint32_t block = Slot(kSlotJobStart + i);
      if (block && !Block(block, 1)) return false;
    }
    if (!Fonts(kSlotDeviceFontCount, kSlotDeviceFonts) || !Fonts(kSlotCartridgeFontCount, kSlotCartridgeFonts)) {
      return false;
    }
    return ruleEnd_ <= otherStart_;
  }

 private:
  uint32_t Slot(int32_t slot) const { return Get32(d_ + kSlotsOffset + 4 * slot); }

  // True when all n tags from p equal v (eight at a time; the last eight
  // of a run of eight or more may overlap the ones before).
  static bool AllTagged(const uint8_t* p, uint64_t n, uint8_t v) {
    const uint64_t pattern = v * UINT64_C(0x0101010101010101);
    if (n < 8) {
      for (; n > 0; --n, ++p) {
        if (*p != v) return false;
      }
      return true;
    }
    const uint8_t* last = p + n - 8;
    uint64_t word;
    for (; p < last; p += 8) {
      std::memcpy(&word, p, 8);
      if (word != pattern) return false;
    }
    std::memcpy(&word, last, 8);
    return word == pattern;
  }

  // Claims [at, at + size) for a record of a kind. *fresh (optional) tells a
  // new claim from a record met again.
  bool Claim(uint64_t at, uint64_t size, Kind kind, Mode mode, bool* fresh) {
    if (fresh) *fresh = false;
    if (at < kHeaderSize || size == 0 || at + size > n_) return false;
    uint8_t* t = tags_ + at;
    if (t[0] == (kind | kStart)) {
      if (mode == Mode::kFresh) return false;
      return AllTagged(t + 1, size - 1, kind);
    }
    if (mode == Mode::kExisting) return false;
    if (!AllTagged(t, size, kFree)) return false;
    t[0] = static_cast<uint8_t>(kind | kStart);
    std::memset(t + 1, kind, static_cast<size_t>(size - 1));
    uint64_t end = at + size;
    if (kind <= kLastRuleKind) {
      if (end > ruleEnd_) ruleEnd_ = end;
    } else if (at < otherStart_) {
      otherStart_ = at;
    }
    if (fresh) *fresh = true;
    return true;
  }

  // The offset a link holds; false for a malformed link or a target that is
  // not 4-aligned.
  static bool Decode(uint32_t link, uint32_t* offset) {
    *offset = 0;
    if (link == 0) return true;
    if ((link & 0xF) != 1) return false;
    *offset = link >> 4;
    return *offset % 4 == 0;
  }

  // ---- strings ----
  bool Text(uint32_t at, Mode mode) {
    if (!at) return true;
    if (at >= n_) return false;
    const void* end = std::memchr(d_ + at, 0, n_ - at);
    if (!end) return false;
    return Claim(at, static_cast<const uint8_t*>(end) - (d_ + at) + 1, kText, mode, nullptr);
  }
  // A text of a known length (with its NUL), as a StringType node holds it.
  bool TextOfLength(uint32_t at, uint32_t length) {
    if ((at == 0) != (length == 0)) return false;
    if (!at) return true;
    if (uint64_t{at} + length > n_ || d_[at + length - 1] != 0) return false;
    return Claim(at, length, kText, Mode::kShared, nullptr);
  }
  bool WideText(uint32_t at) {
    if (!at) return true;
    for (uint64_t i = at; i + 1 < n_; i += 2) {
      if (d_[i] == 0 && d_[i + 1] == 0) return Claim(at, i + 2 - at, kWideText, Mode::kFresh, nullptr);
    }
    return false;
  }

  // ---- rule area ----
  bool Condition(uint32_t link) {
    uint32_t at;
    if (!Decode(link, &at)) return false;
    if (!at) return true;
    if (at < n_ && tags_[at] == (kCells | kStart)) return true;  // checked when first met
    cells_.clear();
    for (uint64_t p = at; p + 4 <= n_ && cells_.size() < kRuleMaxCells; p += 4) {
      JudgeCell cell{Get16(d_ + p), Get16(d_ + p + 2)};
      cells_.push_back(cell);
      if (cell.kind == kCellOperator && cell.value == kOpEnd) break;
    }
    if (!RuleCheckCondition(cells_.data(), static_cast<uint32_t>(cells_.size()))) return false;
    return Claim(at, 4 * cells_.size(), kCells, Mode::kFresh, nullptr);
  }

  // A list of rule entries from a link: the head may be shared, the rest of
  // the list must be new. check reads one entry's own references.
  template <typename Check>
  bool Entries(uint32_t link, uint32_t size, Kind kind, Check check) {
    uint32_t at;
    if (!Decode(link, &at)) return false;
    if (!at) return true;
    bool fresh = false;
    if (!Claim(at, size, kind, Mode::kShared, &fresh)) return false;
    if (!fresh) return true;  // walked when first met
    for (;;) {
      if (!check(at)) return false;
      uint32_t next;
      if (!Decode(Get32(d_ + at), &next)) return false;
      if (!next) return true;
      if (!Claim(next, size, kind, Mode::kFresh, nullptr)) return false;
      at = next;
    }
  }

  bool Actions(uint32_t link) {
    return Entries(link, kActionSize, kAction, [&](uint32_t at) { return Get16(d_ + at + 6) <= 1; });
  }
  bool Transacts(uint32_t link) {
    return Entries(link, kTransactSize, kTransact,
                   [&](uint32_t at) { return Condition(Get32(d_ + at + 4)) && Actions(Get32(d_ + at + 8)); });
  }
  bool AlertActions(uint32_t link) {
    return Entries(link, kAlertActionSize, kAlertAction, [&](uint32_t at) { return Transacts(Get32(d_ + at + 8)); });
  }
  bool Alerts(uint32_t link) {
    return Entries(link, kAlertSize, kAlert,
                   [&](uint32_t at) { return Condition(Get32(d_ + at + 4)) && AlertActions(Get32(d_ + at + 16)); });
  }
  bool Items(uint32_t link) {
    return Entries(link, kItemSize, kItem,
                   [&](uint32_t at) { return Condition(Get32(d_ + at + 8)) && Condition(Get32(d_ + at + 12)); });
  }

  bool ExclusiveArray(uint32_t at) {
    while (at) {
      if (at % 4 != 0 || !Claim(at, kExclusiveSize, kExclusive, Mode::kFresh, nullptr)) return false;
      const uint8_t* p = d_ + at;
      if (!Condition(Get32(p + 8)) || !Condition(Get32(p + 12)) || !Items(Get32(p + 16)) || !Alerts(Get32(p + 20)) ||
          !Transacts(Get32(p + 24)) || !Transacts(Get32(p + 28))) {
        return false;
      }
      at = Get32(p);
    }
    return true;
  }

  // ---- feature area ----
  bool Feature(uint32_t at) {
    const uint8_t* p = d_ + at;
    uint32_t pair = Get32(p + kFeatureCommands);
    if (pair) {
      if (!Claim(pair, kPairSize, kPair, Mode::kFresh, nullptr)) return false;
      if (!Text(Get32(d_ + pair), Mode::kFresh) || !Text(Get32(d_ + pair + 4), Mode::kFresh)) return false;
    }
    uint32_t exclusive = Get32(p + kFeatureExclusive);
    if (exclusive && (!Claim(exclusive, kExclusiveSize, kExclusive, Mode::kExisting, nullptr) ||
                      Get16(d_ + exclusive + 4) != Get16(p + kFeatureKey))) {
      return false;
    }
    uint16_t type = Get16(p + kFeatureType);
    uint32_t data = Get32(p + kFeatureData);
    if (!data) return true;
    switch (MdfDataKindOf(type)) {
      case MdfDataKind::kList:
        return Options(data, MdfStorageType(type));
      case MdfDataKind::kBoolean: {
        bool fresh = false;
        if (!Claim(data, kBooleanSize, kBoolean, Mode::kShared, &fresh)) return false;
        return !fresh || (Text(Get32(d_ + data + 4), Mode::kFresh) && Text(Get32(d_ + data + 8), Mode::kFresh));
      }
      case MdfDataKind::kNumeric:
        return Claim(data, kNumericSize, kNumeric, Mode::kShared, nullptr);
      case MdfDataKind::kString:
        return Claim(data, kStringSize, kString, Mode::kShared, nullptr);
      default:
        return false;  // this type keeps no record
    }
  }

  bool Options(uint32_t at, uint16_t storage) {
    uint32_t size = kOptionSize;
    Kind kind = kPlainOption;
    if (storage == kFeaturePickPage) {
      size = kPageOptionSize;
      kind = kPageOption;
    } else if (storage == kFeaturePickSlot) {
      size = kSlotOptionSize;
      kind = kSlotOption;
    } else if (storage == kFeatureFontTbl) {
      size = kFontOptionSize;
      kind = kFontOption;
    }
    bool fresh = false;
    if (!Claim(at, size, kind, Mode::kShared, &fresh)) return false;
    if (!fresh) return true;  // a list shared with another feature, walked already
    for (;;) {
      const uint8_t* p = d_ + at;
      if (!Text(Get32(p + kOptionText), Mode::kFresh)) return false;
      if (kind == kPageOption && !Areas(Get32(p + kOptionAreas))) return false;
      if (kind == kSlotOption) {
        uint32_t count = Get32(p + kOptionCount);
        uint32_t papers = Get32(p + kOptionArray1);
        if ((count == 0) != (papers == 0)) return false;
        if (count && !Claim(papers, uint64_t{2} * count, kPaperArray, Mode::kFresh, nullptr)) return false;
      }
      if (kind == kFontOption && !FontPairs(p)) return false;
      uint32_t next = Get32(p + kOptionNext);
      if (!next) return true;
      if (!Claim(next, size, kind, Mode::kFresh, nullptr)) return false;
      at = next;
    }
  }

  bool Areas(uint32_t at) {
    if (at && !Claim(at, kAreaSize, kArea, Mode::kFresh, nullptr)) return false;
    while (at) {
      uint32_t next = Get32(d_ + at);
      if (next && !Claim(next, kAreaSize, kArea, Mode::kFresh, nullptr)) return false;
      at = next;
    }
    return true;
  }

  bool NameArray(uint32_t at, uint32_t count, Kind element, uint32_t element_size) {
    if ((count == 0) != (at == 0)) return false;
    if (!count) return true;
    if (!Claim(at, uint64_t{4} * count, kNameArray, Mode::kFresh, nullptr)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t item = Get32(d_ + at + 4 * i);
      if (element == kText) {
        if (!Text(item, Mode::kFresh)) return false;
      } else if (!Claim(item, element_size, element, Mode::kFresh, nullptr) ||
                 !Text(Get32(d_ + item + 4), Mode::kFresh)) {
        return false;
      }
    }
    return true;
  }

  bool FontPairs(const uint8_t* option) {
    uint32_t count = Get32(option + kOptionCount);
    return NameArray(Get32(option + kOptionArray1), count, kText, 0) &&
           NameArray(Get32(option + kOptionArray2), count, kText, 0);
  }

  // ---- command area ----
  bool Block(uint32_t at, int32_t depth) {
    if (depth > kMaxBlockDepth || !Claim(at, kBlockSize, kBlock, Mode::kFresh, nullptr)) return false;
    const uint8_t* p = d_ + at;
    return Condition(Get32(p)) && Nodes(Get32(p + 4), depth) && Nodes(Get32(p + 8), depth);
  }

  bool Nodes(uint32_t at, int32_t depth) {
    while (at) {
      if (uint64_t{at} + 6 > n_) return false;
      uint16_t kind = Get16(d_ + at + 4);
      uint32_t size;
      Kind tag;
      switch (kind) {
        case kCommandNodeGroupType: size = kNodeGroupSize; tag = kGroupNode; break;
        case kCommandNodeStringType: size = kNodeStringSize; tag = kStringNode; break;
        case kCommandNodeCondition: size = kNodeBlockSize; tag = kBlockNode; break;
        case kCommandNodeFontType: size = kNodeFontSize; tag = kFontNode; break;
        default: return false;
      }
      if (!Claim(at, size, tag, Mode::kFresh, nullptr)) return false;
      if (kind == kCommandNodeStringType && !TextOfLength(Get32(d_ + at + 12), Get32(d_ + at + 8))) return false;
      if (kind == kCommandNodeCondition) {
        uint32_t block = Get32(d_ + at + 8);
        if (!block || !Block(block, depth + 1)) return false;
      }
      at = Get32(d_ + at);
    }
    return true;
  }

  bool Fonts(int32_t count_slot, int32_t array_slot) {
    uint32_t count = Slot(count_slot);
    if (count > n_ / 4) return false;
    return NameArray(Slot(array_slot), count, kFontEntry, kFontEntrySize);
  }

  const uint8_t* d_;
  uint32_t n_;
  uint8_t* tags_;
  std::vector<JudgeCell> cells_;
  uint64_t ruleEnd_ = kHeaderSize;
  uint64_t otherStart_ = UINT64_MAX;
};

}  // namespace

namespace {

// The byte tags of a validation, kept by each thread from one validation to
// the next: a fresh buffer the size of the image would cost page faults on
// every load and give its pages back on every free. A buffer larger than
// kKeptTagBytes is given back after its validation.
constexpr size_t kKeptTagBytes = size_t{4} << 20;
thread_local std::vector<uint8_t> t_tags;

}  // namespace

bool MdfValidateImage(const uint8_t* data, size_t size) {
  if (!data || size < kHeaderSize || size > kMaxImageSize) return false;
  std::vector<uint8_t>& tags = t_tags;
  if (tags.size() < size) {
    tags.clear();
    try {
      tags.resize(size);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  std::memset(tags.data(), kFree, size);
  bool valid = Validator(data, static_cast<uint32_t>(size), tags.data()).Run();
  if (tags.size() > kKeptTagBytes) std::vector<uint8_t>().swap(tags);
  return valid;
}

namespace mdf_image {

ModelImage* AdoptImage(uint8_t* block, uint32_t size, bool* invalid) {
  *invalid = !MdfValidateImage(block, size);
  if (*invalid) return nullptr;
  void* record = MemAllocZeroed(sizeof(ModelImage));
  if (!record) return nullptr;
  auto* image = new (record) ModelImage;
  image->size = size;
  image->ownBlock = 1;
  image->bytes = block;
  return image;
}

}  // namespace mdf_image

ModelImage* MdfLoadImage(const uint8_t* data, size_t size) {
  if (!MdfValidateImage(data, size)) return nullptr;
  ModelImage* image = AllocateImage(static_cast<uint32_t>(size), false);  // every byte is copied over
  if (image) std::memcpy(image->bytes, data, size);
  return image;
}
