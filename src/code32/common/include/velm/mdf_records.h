// What a parse of a model-description file builds: features with their
// option and value records, command-text trees, command strings and font
// lists, held in a ModelParseContext until the model image is built from it.
//
// These are in-memory records with real pointers; the image keeps its own
// 32-bit layouts and offsets.
#pragma once

#include <cstdint>
#include <string>

#include "velm/mdf_reader.h"

// ---- feature types -------------------------------------------------------------------
constexpr uint16_t kFeaturePickOne = 1;
constexpr uint16_t kFeaturePickMany = 2;
constexpr uint16_t kFeatureBoolean = 4;
constexpr uint16_t kFeatureNumeric = 8;
constexpr uint16_t kFeatureString = 16;
constexpr uint16_t kFeaturePickPage = 257;
constexpr uint16_t kFeaturePickSlot = 513;
constexpr uint16_t kFeatureFontTbl = 1025;
constexpr uint16_t kFeatureIdentity = 4096;     // shares the options of another feature
constexpr uint16_t kFeatureTypeUnknown = 8192;  // the model does not support the feature
constexpr uint16_t kFeatureFlagMask = 0xCFFF;   // masks the two flags off

// The storage kind of a type word (the flags masked off).
constexpr uint16_t MdfStorageType(uint16_t type) { return type & kFeatureFlagMask; }
// The name of a feature type word as model files write it ("PickOne" ...),
// with "|Identity" and "|TypeUnknown" for the two flags.
std::string MdfFeatureTypeName(uint16_t type);

// Pick types whose default is a list position (PickOne, PickPage, PickSlot, FontTbl).
constexpr bool MdfIsPositionDefault(uint16_t type) { return (type & 1) != 0; }
// Types that take option lines with option names (every list type).
constexpr bool MdfIsListType(uint16_t type) { return (type & 3) != 0; }

// ---- option and value records --------------------------------------------------------
// One printable-area variant of a paper option, in dots at a resolution.
struct PaperAreaEntry {
  PaperAreaEntry* next;
  uint16_t resolution;       // an option id, or a plain number
  uint16_t orientation;      // orientation option id
  uint16_t conditionKey;     // feature key of an extra condition, or 0
  uint16_t conditionOption;  // option id (or 1/0 for True/False) the condition feature must have
  int32_t left, top, width, height;
  int32_t paperWidth, paperLength;  // 0 when absent
};

// A member of an option list. The tails are used by the list's type:
// PickPage the paper size and areas, PickSlot the papers, FontTbl the pairs.
struct MdfOption {
  MdfOption* next;
  uint16_t optionId;
  uint16_t reserved;
  char* text;  // invocation text with its NUL, or null
  // PickPage: paper size in 0.1 mm and the printable areas
  int32_t paperWidth;
  int32_t paperLength;
  PaperAreaEntry* areas;
  PaperAreaEntry* lastArea;  // the last of the areas, for appending
  // PickSlot: the papers the tray accepts
  uint32_t paperCount;
  uint16_t* papers;
  // FontTbl: TrueType-to-device substitution pairs
  uint32_t pairCount;
  char** trueTypeNames;
  char** deviceNames;
};

struct BooleanValue {
  int32_t defaultValue;  // 1 true, 0 false
  char* trueText;
  char* falseText;
};

struct NumericValue {
  uint16_t unitId;    // UI string shown after the value, 0 for none
  uint16_t maxChars;  // first number
  uint16_t scale;     // fifth number: 1, 10, 100, 1000 or 10000
  uint16_t sixth, seventh, eighth;
  int32_t defaultValue;  // second number
  int32_t minimum;       // third
  int32_t maximum;       // fourth
};

struct StringValue {
  uint16_t defaultOption;
  uint16_t maxLength;
  uint16_t kind;      // StringKind
  uint16_t showKind;  // Password, ShowCapital, ShowSmall
};

// StringKind and show-kind words.
constexpr uint16_t kStringMultiByte = 1;
constexpr uint16_t kStringAscii = 2;
constexpr uint16_t kStringNumeric = 4;
constexpr uint16_t kStringCapital = 8;
constexpr uint16_t kStringSmall = 16;
constexpr uint16_t kShowPassword = 0x100;
constexpr uint16_t kShowCapital = 0x200;
constexpr uint16_t kShowSmall = 0x400;

// A feature's command text: a prefix and a suffix around its option's text.
struct CommandPair {
  char* first;
  char* second;
};

struct ExclusiveRecord;  // the rule record of a feature, filled when the image is built

// One feature, from one OpenUI record.
struct FeatureNode {
  FeatureNode* next;
  uint16_t key;        // the feature-name table's key
  uint16_t subId;      // 0; a variant's number; for Identity the key it shares
  uint16_t settingId;  // the feature-name table's setting id
  uint16_t type;       // FeatureType word
  uint16_t defaultValue;  // option id while open; for pick types a list position after CloseUI
  uint16_t reserved;
  CommandPair* commands;
  ExclusiveRecord* exclusive;
  // The option list (MdfOption*) or the value record, by type; read it
  // through the accessors below, which check the type.
  void* data;
  // Parse-time bookkeeping. A variant or Identity node shares its base's
  // option list or value record: the base owns it. Every node has its own
  // command pair (a variant starts with a copy of its base's). The records
  // of a parse live in its own memory and go with the parse context.
  uint8_t ownsData;
  uint8_t unused0;
  // The default was taken over from the node it shares options with (already
  // a list position) and no Default line of this node replaced it.
  uint8_t inheritedDefault;
  uint8_t unused;
};

enum class MdfDataKind { kNone, kList, kBoolean, kNumeric, kString };
constexpr MdfDataKind MdfDataKindOf(uint16_t type) {
  return MdfIsListType(type)                          ? MdfDataKind::kList
         : MdfStorageType(type) == kFeatureBoolean    ? MdfDataKind::kBoolean
         : MdfStorageType(type) == kFeatureNumeric    ? MdfDataKind::kNumeric
         : MdfStorageType(type) == kFeatureString     ? MdfDataKind::kString
                                                      : MdfDataKind::kNone;
}
inline MdfOption* MdfFeatureOptions(const FeatureNode* node) {
  return MdfDataKindOf(node->type) == MdfDataKind::kList ? static_cast<MdfOption*>(node->data) : nullptr;
}
inline BooleanValue* MdfFeatureBoolean(const FeatureNode* node) {
  return MdfDataKindOf(node->type) == MdfDataKind::kBoolean ? static_cast<BooleanValue*>(node->data) : nullptr;
}
inline NumericValue* MdfFeatureNumeric(const FeatureNode* node) {
  return MdfDataKindOf(node->type) == MdfDataKind::kNumeric ? static_cast<NumericValue*>(node->data) : nullptr;
}
inline StringValue* MdfFeatureString(const FeatureNode* node) {
  return MdfDataKindOf(node->type) == MdfDataKind::kString ? static_cast<StringValue*>(node->data) : nullptr;
}

// ---- command text and fonts --------------------------------------------------------------
constexpr uint16_t kCommandNodeGroupType = 1;   // a feature's chosen option text
constexpr uint16_t kCommandNodeStringType = 2;  // a numbered command string
constexpr uint16_t kCommandNodeCondition = 3;   // a nested conditional block
constexpr uint16_t kCommandNodeFontType = 4;    // the device-font line

struct CommandBlock;

struct CommandGroupNode {
  CommandGroupNode* next;
  uint16_t kind;
  uint16_t featureKey;  // GroupType
  uint16_t number;      // GroupType: the number after the feature name, 0 for none
  uint16_t reserved;
  int32_t stringId;     // StringType
  CommandBlock* block;  // conditional
};

struct CommandBlock {
  uint32_t condition;  // the number of a Judge, 0 for none (the block holds)
  // The condition names a refused Judge by name: the block is left out of
  // the image (a refused number is found when the image is built).
  uint32_t refusedCondition;
  CommandGroupNode* first;   // used when the condition holds
  CommandGroupNode* second;  // used when it does not: an Else list or one ElseIf node
};

// Nesting of command blocks deeper than this is refused as a syntax error.
constexpr int32_t kMdfMaxCommandDepth = 64;

struct CommandStringNode {
  CommandStringNode* next;
  int32_t id;
  uint32_t length;  // with the NUL
  char* text;
};

struct FontListEntry {
  int32_t id;
  char* name;
};

// The command-tree slots, in the image's slot order.
enum MdfCommandSlot : int32_t {
  kMdfJobStart = 0,
  kMdfJobEnd = 1,
  kMdfDocReset = 2,
  kMdfPageStart = 3,
  kMdfPageEnd = 4,
  kMdfCommandSlotCount = 5,
};

// ---- the parse context ------------------------------------------------------------------
// Header slots: features by setting id (1-706, 707-983 for 10001-10277,
// 984-1224 for 707-947); the image puts the DLL names, trees and fonts into
// slots 1225-1236.
constexpr int32_t kMdfSettingSlotCount = 1225;
// The header slot of a setting id, 0 when the id has none.
int32_t MdfSlotOfSetting(uint32_t setting_id);

struct ModelParseHeader {
  char16_t fileVersion[16];  // at most 14 characters, NUL-terminated, rest zero
  FeatureNode* features;     // the feature list, in file order
  FeatureNode* bySetting[kMdfSettingSlotCount];  // index: MdfSlotOfSetting
  char16_t* uiResDllName;
  char16_t* excDepDllName;
  CommandBlock* commandTrees[kMdfCommandSlotCount];
  uint32_t deviceFontCount;
  FontListEntry** deviceFonts;
  uint32_t cartridgeFontCount;
  FontListEntry** cartridgeFonts;
};

// Rule records, built by the rule handlers (velm/rules.h).
struct JudgeRecord;
struct RuleRecord;
struct RuleEntry;
// The look-up tables of one parse (features by key, option lists by id,
// Judges by number), kept by the reader itself.
struct MdfParseIndex;

struct ModelParseContext {
  ModelParseHeader* header;
  char* openName;  // name of the open feature (without '*'), null when none
  uint16_t openKey;
  uint16_t openSubId;
  uint32_t keywordCursor;  // 1 + the keyword-table row matched last, 0 for none
  CommandStringNode* commandStrings;
  JudgeRecord* judges;
  RuleRecord* items;
  RuleRecord* actions;
  RuleRecord* transacts;
  RuleRecord* alertActions;
  RuleRecord* alerts;
  RuleEntry* exclusives;  // the entries of every Exclusive record, in file order
  // The last member of each list above (and of the header's feature list),
  // so that appending costs the same at any length; null for an empty list.
  FeatureNode* lastFeature;
  CommandStringNode* lastCommandString;
  JudgeRecord* lastJudge;
  RuleRecord* lastItem;
  RuleRecord* lastAction;
  RuleRecord* lastTransact;
  RuleRecord* lastAlertAction;
  RuleRecord* lastAlert;
  RuleEntry* lastExclusive;
  MdfParseIndex* index;
};

// ---- handlers of the keyword table --------------------------------------------------------
int32_t MdfOnFileVersion(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnUIResDLLName(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnExcDepDLLName(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnOpenUI(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnCloseUI(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnOptionLine(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnDefault(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnNumericValue(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnStringValue(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnPageValue(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnPageMMValue(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnSlotPaper(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnOptionCommand(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnTTFS(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnCommandGroup(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnCommandString(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnDeviceFonts(ModelParseContext* ctx, MdfRecord* record);
int32_t MdfOnFontCartridge(ModelParseContext* ctx, MdfRecord* record);

// ---- support --------------------------------------------------------------------------------
// First node of the feature list with the key.
FeatureNode* MdfFindFeatureNode(ModelParseContext* ctx, uint16_t key);
// First node with the key and sub-id.
FeatureNode* MdfFindFeatureVariant(ModelParseContext* ctx, uint16_t key, uint16_t sub_id);
MdfOption* MdfFindOption(MdfOption* list, uint16_t option_id);
// The type word of an OpenUI value; for "Identity *Name" the shared key goes
// to identity_key (0 when none).
uint16_t MdfParseTypeWord(const char* text, uint16_t* identity_key);
// The length of an option or value record of a type in the model image.
uint32_t MdfOptionRecordSize(uint16_t type);
// The header slot of a command group word's tree, -1 when the word is none.
int32_t MdfCommandSlotOfGroup(uint32_t group_word_value);

// Parses the entries of a command-group body at the buffer's cursor up to its
// closing '}'. Returns false when the nesting is deeper than
// kMdfMaxCommandDepth (nothing is kept then); *out is the block, or null when
// both of its lists are empty.
bool MdfParseCommandList(MdfTextBuffer* buffer, bool else_allowed, int32_t depth, CommandBlock** out);
void MdfFreeCommandBlock(CommandBlock* block);
// Parses a font list value ("IDList" and braced {"name" id} entries) into a
// new array of entries; count receives the number of entries made.
FontListEntry** MdfParseFontList(MdfTextBuffer* buffer, uint32_t* count);
void MdfFreeFontList(FontListEntry** list, uint32_t count);
