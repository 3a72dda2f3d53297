// The compiled model image: one block holding a fixed header and every
// feature, option, rule and command-text record of a model description,
// with every reference stored relative to the block's start. The block is
// also the exact content of the model cache file.
//
// The image is never patched in place: it keeps its stored offsets, and the
// rest of the driver reads it through the accessors below, which check every
// reference against the image bounds and copy records out byte by byte (the
// records are mostly unaligned). An image read from outside is accepted only
// after MdfValidateImage has walked all of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "velm/rules.h"

struct ModelImage;  // opaque: the bytes and their size

// ---- layout (little-endian, 32-bit fields) -------------------------------------------
namespace mdf_image {

constexpr uint32_t kVersionOffset = 0;  // wide file version, at most 14 characters, NUL, rest zero
constexpr uint32_t kVersionBytes = 32;
constexpr uint32_t kTotalSizeOffset = 32;
constexpr uint32_t kSlotsOffset = 36;
constexpr int32_t kSlotCount = 1237;
constexpr uint32_t kHeaderSize = kSlotsOffset + 4 * kSlotCount;
static_assert(kHeaderSize == 4984);

// Slots: 0 the feature list; 1-1224 features by setting id (MdfSlotOfSetting).
constexpr int32_t kSlotFeatures = 0;
constexpr int32_t kSlotUiResDll = 1225;
constexpr int32_t kSlotExcDepDll = 1226;
constexpr int32_t kSlotJobStart = 1227;  // the five command trees in MdfCommandSlot order
constexpr int32_t kSlotDeviceFontCount = 1232;
constexpr int32_t kSlotDeviceFonts = 1233;
constexpr int32_t kSlotCartridgeFontCount = 1234;
constexpr int32_t kSlotCartridgeFonts = 1235;
constexpr int32_t kSlotExclusive = 1236;

// A link (rule area and command-block conditions): (offset << 4) | 1.
constexpr uint32_t Link(uint32_t offset) { return offset ? (offset << 4) | 1 : 0; }
// Links hold 28-bit offsets, so an image stays below 256 MB.
constexpr uint64_t kMaxImageSize = (uint64_t{1} << 28) - 1;

// Record sizes and field offsets.
constexpr uint32_t kFeatureSize = 28;  // next 0, key 4, sub-id 6, setting 8, type 10, default 12,
                                       // reserved 14, command pair 16, exclusive 20, data 24
constexpr uint32_t kFeatureNext = 0, kFeatureKey = 4, kFeatureSubId = 6, kFeatureSetting = 8, kFeatureType = 10,
                   kFeatureDefault = 12, kFeatureCommands = 16, kFeatureExclusive = 20, kFeatureData = 24;
constexpr uint32_t kOptionSize = 12;      // next 0, option id 4, reserved 6, text 8
constexpr uint32_t kPageOptionSize = 24;  // + width 12, length 16, areas 20
constexpr uint32_t kSlotOptionSize = 20;  // + count 12, papers 16
constexpr uint32_t kFontOptionSize = 24;  // + count 12, TrueType names 16, device names 20
constexpr uint32_t kOptionNext = 0, kOptionId = 4, kOptionText = 8, kOptionWidth = 12, kOptionLength = 16,
                   kOptionAreas = 20, kOptionCount = 12, kOptionArray1 = 16, kOptionArray2 = 20;
constexpr uint32_t kAreaSize = 36;  // next 0, resolution 4, orientation 6, condition key 8,
                                    // condition option 10, left 12, top 16, width 20, height 24,
                                    // paper width 28, paper length 32
constexpr uint32_t kBooleanSize = 12;  // default 0, true text 4, false text 8
constexpr uint32_t kNumericSize = 24;  // unit 0, chars 2, scale 4, sixth 6, seventh 8, eighth 10,
                                       // default 12, minimum 16, maximum 20
constexpr uint32_t kStringSize = 8;    // default 0, maximum length 2, kind 4, show kind 6
constexpr uint32_t kPairSize = 8;      // first text 0, second text 4

constexpr uint32_t kBlockSize = 12;  // condition link 0, first list 4, second list 8
constexpr uint32_t kNodeGroupSize = 12;   // next 0, kind 4, feature key 6, number 8
constexpr uint32_t kNodeStringSize = 16;  // next 0, kind 4, text length 8, text 12
constexpr uint32_t kNodeBlockSize = 12;   // next 0, kind 4, block 8
constexpr uint32_t kNodeFontSize = 8;     // next 0, kind 4
constexpr uint32_t kFontEntrySize = 8;    // id 0, name 4

constexpr uint32_t kItemSize = 16;         // next 0, option id 4, reserved 6, hide 8, disable 12
constexpr uint32_t kActionSize = 12;       // next 0, target 4, target kind 6, value 8
constexpr uint32_t kTransactSize = 12;     // next 0, condition 4, actions 8
constexpr uint32_t kAlertActionSize = 12;  // next 0, button 4, reserved 6, transacts 8
constexpr uint32_t kAlertSize = 20;        // next 0, condition 4, message 8, icon 10, buttons 12,
                                           // when 14, alert actions 16
constexpr uint32_t kExclusiveSize = 32;    // next 0 (offset), key 4, reserved 6, hide 8, disable 12,
                                           // items 16, alerts 20, transacts 24, transacts 28

}  // namespace mdf_image

// ---- building, loading and freeing ------------------------------------------------------
// Builds the image of a parse and frees the parse context, whatever the
// outcome. Null when memory runs out or the image would pass 256 MB.
[[nodiscard]] ModelImage* MdfBuildImage(ModelParseContext* ctx);
// Parses a model description in memory and builds its image.
[[nodiscard]] ModelImage* MdfCompileBuffer(const uint8_t* data, size_t size);
// True when the bytes are a whole, consistent image: the header's size
// equals the length, and every offset and link lands inside the image on a
// record of the expected kind that no other record overlaps, every list ends
// without a cycle, every string ends inside the image and every condition is
// well formed.
[[nodiscard]] bool MdfValidateImage(const uint8_t* data, size_t size);
// A new image holding a copy of the bytes, when they validate; else null.
[[nodiscard]] ModelImage* MdfLoadImage(const uint8_t* data, size_t size);
void MdfFreeImage(ModelImage* image);

const uint8_t* MdfImageBytes(const ModelImage* image);
uint32_t MdfImageSize(const ModelImage* image);
// The most links a walk through an image may follow: a link takes at least 4
// bytes, so a longer walk goes round a loop and is stopped.
inline uint32_t MdfStepLimit(const ModelImage* image) { return MdfImageSize(image) / 4 + 1; }

// ---- accessors ----------------------------------------------------------------------------
// All offsets are from the image start, 0 meaning none; links are decoded to
// offsets. A read that would leave the image answers false (or 0 / null) and
// leaves *out zeroed.
uint32_t MdfImgSlot(const ModelImage* image, int32_t slot);
// The file version, always NUL-terminated.
void MdfImgFileVersion(const ModelImage* image, char16_t out[16]);
// The ANSI text at an offset, when a NUL ends it inside the image.
const char* MdfImgText(const ModelImage* image, uint32_t offset);
// A wide text copied into out (cap units, always terminated); false when
// missing or cut.
bool MdfImgWideText(const ModelImage* image, uint32_t offset, char16_t* out, size_t cap);

struct ImgFeature {
  uint32_t next;
  uint16_t key, subId, settingId, type, defaultValue;
  uint32_t commands;   // command pair
  uint32_t exclusive;  // the feature's Exclusive record
  uint32_t data;       // option list or value record, by type
};
// One option record; the tail fields are read by the list's storage type.
struct ImgOption {
  uint32_t next;
  uint16_t optionId;
  uint32_t text;
  int32_t paperWidth, paperLength;  // PickPage
  uint32_t areas;                   // PickPage
  uint32_t count;                   // PickSlot papers, FontTbl pairs
  uint32_t array1;                  // PickSlot paper ids (16-bit each); FontTbl TrueType names
  uint32_t array2;                  // FontTbl device names
};
struct ImgPaperArea {
  uint32_t next;
  uint16_t resolution, orientation, conditionKey, conditionOption;
  int32_t left, top, width, height, paperWidth, paperLength;
};
struct ImgBoolean {
  int32_t defaultValue;
  uint32_t trueText, falseText;
};
struct ImgNumeric {
  uint16_t unitId, maxChars, scale, sixth, seventh, eighth;
  int32_t defaultValue, minimum, maximum;
};
struct ImgString {
  uint16_t defaultOption, maxLength, kind, showKind;
};
struct ImgCommandPair {
  uint32_t first, second;
};
struct ImgCommandBlock {
  uint32_t condition;  // the condition's first cell, 0 when the block holds
  uint32_t first, second;
};
struct ImgCommandNode {
  uint32_t next;
  uint16_t kind;        // kCommandNode...
  uint16_t featureKey;  // GroupType
  uint16_t number;      // GroupType
  uint32_t textLength;  // StringType, with the NUL; 0 when there is no text
  uint32_t text;        // StringType
  uint32_t block;       // conditional
};
struct ImgFontEntry {
  int32_t id;
  uint32_t name;
};
struct ImgItemEntry {
  uint32_t next;
  uint16_t optionId;
  uint32_t hide, disable;  // conditions
};
struct ImgActionEntry {
  uint32_t next;
  uint16_t target, targetKind;
  int32_t value;
};
struct ImgTransactEntry {
  uint32_t next;
  uint32_t condition;  // 0: always
  uint32_t actions;
};
struct ImgAlertActionEntry {
  uint32_t next;
  uint16_t button;
  uint32_t transacts;
};
struct ImgAlertEntry {
  uint32_t next;
  uint32_t condition;
  uint16_t message, icon, buttons, when;
  uint32_t alertActions;
};
struct ImgExclusive {
  uint32_t next;
  uint16_t featureKey;
  uint32_t hide, disable;  // conditions
  uint32_t items, alerts, transacts, transacts2;
};

bool MdfImgReadFeature(const ModelImage* image, uint32_t offset, ImgFeature* out);
// storage_type: the owning feature's type (flags are masked off here).
bool MdfImgReadOption(const ModelImage* image, uint32_t offset, uint16_t storage_type, ImgOption* out);
bool MdfImgReadPaperArea(const ModelImage* image, uint32_t offset, ImgPaperArea* out);
bool MdfImgReadBoolean(const ModelImage* image, uint32_t offset, ImgBoolean* out);
bool MdfImgReadNumeric(const ModelImage* image, uint32_t offset, ImgNumeric* out);
bool MdfImgReadString(const ModelImage* image, uint32_t offset, ImgString* out);
bool MdfImgReadCommandPair(const ModelImage* image, uint32_t offset, ImgCommandPair* out);
bool MdfImgReadBlock(const ModelImage* image, uint32_t offset, ImgCommandBlock* out);
bool MdfImgReadNode(const ModelImage* image, uint32_t offset, ImgCommandNode* out);
bool MdfImgReadFontEntry(const ModelImage* image, uint32_t offset, ImgFontEntry* out);
// The offset of entry `index` of a font list's array (slots 1233/1235).
uint32_t MdfImgFontAt(const ModelImage* image, uint32_t array, uint32_t index);
// Paper id `index` of a PickSlot option's array; name offset `index` of a
// FontTbl option's name array.
uint16_t MdfImgPaperAt(const ModelImage* image, uint32_t array, uint32_t index);
uint32_t MdfImgNameAt(const ModelImage* image, uint32_t array, uint32_t index);
bool MdfImgReadCell(const ModelImage* image, uint32_t offset, JudgeCell* out);
bool MdfImgReadItem(const ModelImage* image, uint32_t offset, ImgItemEntry* out);
bool MdfImgReadAction(const ModelImage* image, uint32_t offset, ImgActionEntry* out);
bool MdfImgReadTransact(const ModelImage* image, uint32_t offset, ImgTransactEntry* out);
bool MdfImgReadAlertAction(const ModelImage* image, uint32_t offset, ImgAlertActionEntry* out);
bool MdfImgReadAlert(const ModelImage* image, uint32_t offset, ImgAlertEntry* out);
bool MdfImgReadExclusive(const ModelImage* image, uint32_t offset, ImgExclusive* out);

// The image in readable form: header fields, features with their options,
// the Exclusive records with every rule they reach (conditions in infix),
// the command trees and the fonts. Equal images give equal text.
std::string MdfDumpImage(const ModelImage* image);
// A condition in infix, from its first cell.
std::string MdfDumpCondition(const ModelImage* image, uint32_t offset);
