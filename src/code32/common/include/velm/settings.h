// The setting table and the typed store of setting values.
//
// Every setting of the driver is a numbered item described by one row of the
// setting table; its value lives in the context's work buffer (DEVMODE,
// options block, work-items block) at a place the row gives.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "velm/setting_ids.h"

struct DriverContext;
struct DialogItemRecord;

// One entry of a setting's option list: stored value and the string id of the
// option's display name (0xFFFF: the value has no option of its own). A list
// ends at the first entry whose option id is 0.
struct OptionListEntry {
  uint32_t value;
  uint16_t optionId;
  uint16_t zero;
};
constexpr uint16_t kNoOptionId = 0xFFFF;

// Descriptor: bits 30-31 the storage region, 24-29 the value type, 0-15 the
// size in bytes.
enum StorageRegion : uint32_t { kRegionNone = 0, kRegionDevmode = 1, kRegionOptions = 2, kRegionWork = 3 };
constexpr uint32_t MakeDescriptor(uint32_t region, uint32_t type, uint32_t size) {
  return (region << 30) | ((type & 0x3F) << 24) | (size & 0xFFFF);
}
constexpr uint32_t DescRegion(uint32_t d) { return d >> 30; }
constexpr uint32_t DescType(uint32_t d) { return (d >> 24) & 0x3F; }
constexpr uint32_t DescSize(uint32_t d) { return d & 0xFFFF; }

// Value types.
enum SettingValueType : uint32_t {
  kTypeS8 = 1, kTypeS16 = 2, kTypeS32 = 3, kTypeU8 = 4, kTypeU16 = 5, kTypeU32 = 6,
  kTypeAnsi = 7, kTypeWide = 8, kTypeAnsi2 = 10, kTypeWide2 = 11,
  kTypeBitFirst = 16, kTypeBitLast = 47,
};
constexpr bool IsBitType(uint32_t t) { return t >= kTypeBitFirst && t <= kTypeBitLast; }
constexpr bool IsIntegerType(uint32_t t) { return (t >= 1 && t <= 6) || IsBitType(t); }
constexpr bool IsAnsiType(uint32_t t) { return t == kTypeAnsi || t == kTypeAnsi2; }
constexpr bool IsWideType(uint32_t t) { return t == kTypeWide || t == kTypeWide2; }

// Where a setting is persisted.
enum SettingStoreKind : int16_t { kStoreNone = 0, kStorePrinterData = 1, kStoreDriverIni = 2 };

struct SettingRecord {
  uint16_t id;
  int16_t symbolKey;  // feature-name table key, 0 for none
  uint32_t descriptor;
  uint16_t offset;  // byte offset inside the region
  int16_t storeKind;
  int32_t dirty;
  const char16_t* sectionName;
  const char16_t* valueName;
  const OptionListEntry* optionList;
  uint32_t commandValueKind;
  uint32_t presetMember;
  uint32_t qualityMember;
  uint32_t stampMember;
  uint32_t flags;  // bits 16-20: change groups
  const char16_t* itemName;
};

struct SettingTable {
  int16_t count;
  SettingRecord* rows;
};

// The font-table items: counts and handle tables of the font substitutions,
// the device fonts and the option fonts. Their values are handles into the
// context, so they are never compared, copied or stored as plain values.
constexpr uint32_t kFontTableFirst = setting::vdmFontTableNum, kFontTableLast = setting::vdmOptionFont;
constexpr bool IsFontTableItem(uint32_t id) { return id >= kFontTableFirst && id <= kFontTableLast; }

// The built-in, read-only setting table.
const SettingTable& OptGetBuiltinTable();
constexpr int kSettingRowCount = 1239;

// Region starts inside a work buffer and region sizes. The starts are fixed:
// a DEVMODE from outside carries them in its header too (bytes 361-366), but
// those bytes are never trusted for addressing.
constexpr uint32_t kRegionStart[4] = {0, 0, 1260, 1768};
constexpr uint32_t kRegionSize[4] = {0, 1260, 508, 2040};
constexpr uint32_t kWorkBufferSize = 3808;

// ---- look-ups ----------------------------------------------------------------
SettingRecord* OptFindSetting(DriverContext* ctx, uint32_t id);
SettingRecord* OptFindSettingByKey(DriverContext* ctx, int32_t key);

// ---- values ------------------------------------------------------------------
uint8_t* OptGetValueAddr(DriverContext* ctx, const SettingRecord* row);
uint8_t* OptGetSavedValueAddr(DriverContext* ctx, const SettingRecord* row);
// The row's place in the settings as last read from or written to the
// stores (kind 0 contexts; null otherwise).
uint8_t* OptGetStoredValueAddr(DriverContext* ctx, const SettingRecord* row);
// Value of an integer setting; for strings and blocks the storage address
// truncated to 32 bits is meaningless here, so use OptGetValueAddr for those.
int32_t OptGetValue(DriverContext* ctx, const SettingRecord* row);
int32_t OptGetValueById(DriverContext* ctx, uint32_t id, SettingRecord** out_row = nullptr);
int32_t OptGetSavedValue(DriverContext* ctx, const SettingRecord* row);
int32_t OptGetSavedValueById(DriverContext* ctx, uint32_t id, SettingRecord** out_row = nullptr);
// Stores an integer value (types 1-6, 16-47).
int32_t OptSetValue(DriverContext* ctx, SettingRecord* row, int32_t value);
int32_t OptSetValueById(DriverContext* ctx, uint32_t id, int32_t value);
// Stores size bytes from data (null: zero fill) into a string or block
// setting, with the bookkeeping of OptSetValue.
int32_t OptSetBytes(DriverContext* ctx, SettingRecord* row, const void* data);
int32_t OptSetSavedValue(DriverContext* ctx, SettingRecord* row, int32_t value);
int32_t OptSetSavedValueById(DriverContext* ctx, uint32_t id, int32_t value);

// ---- options -----------------------------------------------------------------
const OptionListEntry* OptApplicableList(DriverContext* ctx, const SettingRecord* row);
// The settings with a landscape list (95, 102, 134, 136): the list that does
// not apply now; null for every other setting.
const OptionListEntry* OptOtherList(DriverContext* ctx, const SettingRecord* row);
int32_t OptValueToOption(DriverContext* ctx, const SettingRecord* row, int32_t value);
int32_t OptOptionToValue(DriverContext* ctx, const SettingRecord* row, int32_t option);
int32_t OptListHasValue(DriverContext* ctx, const SettingRecord* row, int32_t value);
int32_t OptGetOption(DriverContext* ctx, const SettingRecord* row);
int32_t OptGetOptionById(DriverContext* ctx, uint32_t id, SettingRecord** out_row = nullptr);
int32_t OptGetOptionByKey(DriverContext* ctx, int32_t key, SettingRecord** out_row = nullptr);
int32_t OptSetOption(DriverContext* ctx, SettingRecord* row, int32_t option);
int32_t OptSetOptionById(DriverContext* ctx, uint32_t id, int32_t option);
int32_t OptSetOptionOrString(DriverContext* ctx, uint32_t id, int32_t option_or_string);
int32_t OptGetControlOption(DriverContext* ctx, const DialogItemRecord* item);
int32_t OptSetControlOption(DriverContext* ctx, const DialogItemRecord* item, int32_t option);

// ---- text --------------------------------------------------------------------
// buffer holds at least as many characters as the setting's size in bytes,
// and at least 6 (the text "wrong" answers a setting that is not a string).
uint8_t* OptGetText(DriverContext* ctx, const SettingRecord* row, char16_t* buffer);
uint8_t* OptSetText(DriverContext* ctx, SettingRecord* row, const char16_t* text);
uint8_t* OptGetControlText(DriverContext* ctx, uint16_t control_id, char16_t* buffer);
uint8_t* OptSetControlText(DriverContext* ctx, uint16_t control_id, const char16_t* text);
void OptFormatDisplayText(DriverContext* ctx, int32_t key, char16_t* buffer, uint32_t capacity);
int32_t UnitIsMetric(DriverContext* ctx);

// ---- change mask ---------------------------------------------------------------
void CtxMarkChanged(DriverContext* ctx, uint32_t bits);
uint32_t CtxGetChangeMask(DriverContext* ctx);
void CtxClearChanged(DriverContext* ctx, uint32_t bits);

// ---- allocation and code-page conversion ---------------------------------------
void* MemAllocZeroed(size_t bytes);
void MemFree(void* block);
// Allocations MemAllocZeroed refused on this thread so far. Work that must
// not finish half-done (compiling a model) compares it before and after.
uint32_t MemAllocFailures();
char16_t* StrAnsiToWide(char16_t* buffer, const char* ansi, int32_t n);
char* StrWideToAnsi(char* buffer, const char16_t* wide, int32_t n);
