// Reads the records of a model image: every read is checked against the
// image bounds and copied out field by field, so an offset that would leave
// the image gives an empty answer rather than a stray read.
#include <cstring>

#include "image_internal.h"

namespace {

using namespace mdf_image;

// The bytes [offset, offset + size) of the image, or null.
const uint8_t* At(const ModelImage* image, uint32_t offset, uint32_t size) {
  if (!image || offset == 0 || uint64_t{offset} + size > image->size) return nullptr;
  return image->bytes + offset;
}

template <typename T>
bool Fail(T* out) {
  *out = T{};
  return false;
}

}  // namespace

uint32_t MdfImgSlot(const ModelImage* image, int32_t slot) {
  if (!image || slot < 0 || slot >= kSlotCount) return 0;
  return Get32(image->bytes + kSlotsOffset + 4 * slot);
}

void MdfImgFileVersion(const ModelImage* image, char16_t out[16]) {
  for (int i = 0; i < 16; ++i) out[i] = image ? Get16(image->bytes + kVersionOffset + 2 * i) : 0;
  out[15] = 0;
}

const char* MdfImgText(const ModelImage* image, uint32_t offset) {
  if (!At(image, offset, 1)) return nullptr;
  const void* end = std::memchr(image->bytes + offset, 0, image->size - offset);
  return end ? reinterpret_cast<const char*>(image->bytes + offset) : nullptr;
}

bool MdfImgWideText(const ModelImage* image, uint32_t offset, char16_t* out, size_t cap) {
  if (!out || cap == 0) return false;
  out[0] = 0;
  if (!At(image, offset, 2)) return false;
  size_t i = 0;
  for (uint64_t p = offset; p + 2 <= image->size; p += 2) {
    char16_t c = Get16(image->bytes + p);
    if (c == 0) {
      out[i] = 0;
      return true;
    }
    if (i + 1 >= cap) break;  // cut
    out[i++] = c;
  }
  out[i] = 0;
  return false;
}

bool MdfImgReadFeature(const ModelImage* image, uint32_t offset, ImgFeature* out) {
  const uint8_t* p = At(image, offset, kFeatureSize);
  if (!p) return Fail(out);
  out->next = Get32(p + kFeatureNext);
  out->key = Get16(p + kFeatureKey);
  out->subId = Get16(p + kFeatureSubId);
  out->settingId = Get16(p + kFeatureSetting);
  out->type = Get16(p + kFeatureType);
  out->defaultValue = Get16(p + kFeatureDefault);
  out->commands = Get32(p + kFeatureCommands);
  out->exclusive = Get32(p + kFeatureExclusive);
  out->data = Get32(p + kFeatureData);
  return true;
}

bool MdfImgReadOption(const ModelImage* image, uint32_t offset, uint16_t storage_type, ImgOption* out) {
  uint16_t storage = MdfStorageType(storage_type);
  uint32_t size = storage == kFeaturePickPage   ? kPageOptionSize
                  : storage == kFeaturePickSlot ? kSlotOptionSize
                  : storage == kFeatureFontTbl  ? kFontOptionSize
                                                : kOptionSize;
  const uint8_t* p = At(image, offset, size);
  if (!p) return Fail(out);
  *out = ImgOption{};
  out->next = Get32(p + kOptionNext);
  out->optionId = Get16(p + kOptionId);
  out->text = Get32(p + kOptionText);
  if (storage == kFeaturePickPage) {
    out->paperWidth = static_cast<int32_t>(Get32(p + kOptionWidth));
    out->paperLength = static_cast<int32_t>(Get32(p + kOptionLength));
    out->areas = Get32(p + kOptionAreas);
  } else if (storage == kFeaturePickSlot) {
    out->count = Get32(p + kOptionCount);
    out->array1 = Get32(p + kOptionArray1);
  } else if (storage == kFeatureFontTbl) {
    out->count = Get32(p + kOptionCount);
    out->array1 = Get32(p + kOptionArray1);
    out->array2 = Get32(p + kOptionArray2);
  }
  return true;
}

bool MdfImgReadPaperArea(const ModelImage* image, uint32_t offset, ImgPaperArea* out) {
  const uint8_t* p = At(image, offset, kAreaSize);
  if (!p) return Fail(out);
  out->next = Get32(p);
  out->resolution = Get16(p + 4);
  out->orientation = Get16(p + 6);
  out->conditionKey = Get16(p + 8);
  out->conditionOption = Get16(p + 10);
  int32_t* fields[6] = {&out->left, &out->top, &out->width, &out->height, &out->paperWidth, &out->paperLength};
  for (int i = 0; i < 6; ++i) *fields[i] = static_cast<int32_t>(Get32(p + 12 + 4 * i));
  return true;
}

bool MdfImgReadBoolean(const ModelImage* image, uint32_t offset, ImgBoolean* out) {
  const uint8_t* p = At(image, offset, kBooleanSize);
  if (!p) return Fail(out);
  out->defaultValue = static_cast<int32_t>(Get32(p));
  out->trueText = Get32(p + 4);
  out->falseText = Get32(p + 8);
  return true;
}

bool MdfImgReadNumeric(const ModelImage* image, uint32_t offset, ImgNumeric* out) {
  const uint8_t* p = At(image, offset, kNumericSize);
  if (!p) return Fail(out);
  out->unitId = Get16(p);
  out->maxChars = Get16(p + 2);
  out->scale = Get16(p + 4);
  out->sixth = Get16(p + 6);
  out->seventh = Get16(p + 8);
  out->eighth = Get16(p + 10);
  out->defaultValue = static_cast<int32_t>(Get32(p + 12));
  out->minimum = static_cast<int32_t>(Get32(p + 16));
  out->maximum = static_cast<int32_t>(Get32(p + 20));
  return true;
}

bool MdfImgReadString(const ModelImage* image, uint32_t offset, ImgString* out) {
  const uint8_t* p = At(image, offset, kStringSize);
  if (!p) return Fail(out);
  out->defaultOption = Get16(p);
  out->maxLength = Get16(p + 2);
  out->kind = Get16(p + 4);
  out->showKind = Get16(p + 6);
  return true;
}

bool MdfImgReadCommandPair(const ModelImage* image, uint32_t offset, ImgCommandPair* out) {
  const uint8_t* p = At(image, offset, kPairSize);
  if (!p) return Fail(out);
  out->first = Get32(p);
  out->second = Get32(p + 4);
  return true;
}

bool MdfImgReadBlock(const ModelImage* image, uint32_t offset, ImgCommandBlock* out) {
  const uint8_t* p = At(image, offset, kBlockSize);
  if (!p) return Fail(out);
  out->condition = LinkOffset(Get32(p));
  out->first = Get32(p + 4);
  out->second = Get32(p + 8);
  return true;
}

bool MdfImgReadNode(const ModelImage* image, uint32_t offset, ImgCommandNode* out) {
  const uint8_t* p = At(image, offset, kNodeFontSize);
  if (!p) return Fail(out);
  *out = ImgCommandNode{};
  out->next = Get32(p);
  out->kind = Get16(p + 4);
  switch (out->kind) {
    case kCommandNodeGroupType:
      if (!(p = At(image, offset, kNodeGroupSize))) return Fail(out);
      out->featureKey = Get16(p + 6);
      out->number = Get16(p + 8);
      return true;
    case kCommandNodeStringType:
      if (!(p = At(image, offset, kNodeStringSize))) return Fail(out);
      out->textLength = Get32(p + 8);
      out->text = Get32(p + 12);
      return true;
    case kCommandNodeCondition:
      if (!(p = At(image, offset, kNodeBlockSize))) return Fail(out);
      out->block = Get32(p + 8);
      return true;
    case kCommandNodeFontType:
      return true;
    default:
      return Fail(out);
  }
}

bool MdfImgReadFontEntry(const ModelImage* image, uint32_t offset, ImgFontEntry* out) {
  const uint8_t* p = At(image, offset, kFontEntrySize);
  if (!p) return Fail(out);
  out->id = static_cast<int32_t>(Get32(p));
  out->name = Get32(p + 4);
  return true;
}

uint32_t MdfImgFontAt(const ModelImage* image, uint32_t array, uint32_t index) {
  return MdfImgNameAt(image, array, index);
}

uint16_t MdfImgPaperAt(const ModelImage* image, uint32_t array, uint32_t index) {
  if (uint64_t{index} * 2 > UINT32_MAX - uint64_t{array}) return 0;
  const uint8_t* p = At(image, array + 2 * index, 2);
  return p ? Get16(p) : 0;
}

uint32_t MdfImgNameAt(const ModelImage* image, uint32_t array, uint32_t index) {
  if (!array || uint64_t{index} * 4 > UINT32_MAX - uint64_t{array}) return 0;
  const uint8_t* p = At(image, array + 4 * index, 4);
  return p ? Get32(p) : 0;
}

bool MdfImgReadCell(const ModelImage* image, uint32_t offset, JudgeCell* out) {
  const uint8_t* p = At(image, offset, 4);
  if (!p) return Fail(out);
  out->kind = Get16(p);
  out->value = Get16(p + 2);
  return true;
}

bool MdfImgReadItem(const ModelImage* image, uint32_t offset, ImgItemEntry* out) {
  const uint8_t* p = At(image, offset, kItemSize);
  if (!p) return Fail(out);
  out->next = LinkOffset(Get32(p));
  out->optionId = Get16(p + 4);
  out->hide = LinkOffset(Get32(p + 8));
  out->disable = LinkOffset(Get32(p + 12));
  return true;
}

bool MdfImgReadAction(const ModelImage* image, uint32_t offset, ImgActionEntry* out) {
  const uint8_t* p = At(image, offset, kActionSize);
  if (!p) return Fail(out);
  out->next = LinkOffset(Get32(p));
  out->target = Get16(p + 4);
  out->targetKind = Get16(p + 6);
  out->value = static_cast<int32_t>(Get32(p + 8));
  return true;
}

bool MdfImgReadTransact(const ModelImage* image, uint32_t offset, ImgTransactEntry* out) {
  const uint8_t* p = At(image, offset, kTransactSize);
  if (!p) return Fail(out);
  out->next = LinkOffset(Get32(p));
  out->condition = LinkOffset(Get32(p + 4));
  out->actions = LinkOffset(Get32(p + 8));
  return true;
}

bool MdfImgReadAlertAction(const ModelImage* image, uint32_t offset, ImgAlertActionEntry* out) {
  const uint8_t* p = At(image, offset, kAlertActionSize);
  if (!p) return Fail(out);
  out->next = LinkOffset(Get32(p));
  out->button = Get16(p + 4);
  out->transacts = LinkOffset(Get32(p + 8));
  return true;
}

bool MdfImgReadAlert(const ModelImage* image, uint32_t offset, ImgAlertEntry* out) {
  const uint8_t* p = At(image, offset, kAlertSize);
  if (!p) return Fail(out);
  out->next = LinkOffset(Get32(p));
  out->condition = LinkOffset(Get32(p + 4));
  out->message = Get16(p + 8);
  out->icon = Get16(p + 10);
  out->buttons = Get16(p + 12);
  out->when = Get16(p + 14);
  out->alertActions = LinkOffset(Get32(p + 16));
  return true;
}

bool MdfImgReadExclusive(const ModelImage* image, uint32_t offset, ImgExclusive* out) {
  const uint8_t* p = At(image, offset, kExclusiveSize);
  if (!p) return Fail(out);
  out->next = Get32(p);
  out->featureKey = Get16(p + 4);
  out->hide = LinkOffset(Get32(p + 8));
  out->disable = LinkOffset(Get32(p + 12));
  out->items = LinkOffset(Get32(p + 16));
  out->alerts = LinkOffset(Get32(p + 20));
  out->transacts = LinkOffset(Get32(p + 24));
  out->transacts2 = LinkOffset(Get32(p + 28));
  return true;
}
