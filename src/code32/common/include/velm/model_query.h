// Read-only questions to the model image of a context: which feature
// describes a setting, its type, default and options, what a paper measures
// and where its printable area lies, and which fonts the model brings.
//
// A feature is named by its offset in the context's image (MdfItem, 0 for
// none); every read goes through the image's bounds-checked accessors. A
// context without an image answers every question as if the feature were
// absent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velm/model_image.h"

struct DriverContext;

// A feature of the context's model image: its offset, 0 for none.
using MdfItem = uint32_t;

// ---- features by setting id, key and table position -------------------------------------
// Ids 1-706, 707-947 and 10001-10277 through their header slot, any other id
// by a walk of the feature list; null (0) for id 0 or without an image.
MdfItem MdfFindItem(DriverContext* ctx, uint32_t setting_id);
// The type word without the Identity and TypeUnknown flags (& 0xCFFF), and
// the whole word; 0 when absent.
uint32_t MdfGetItemType(DriverContext* ctx, uint32_t setting_id);
uint32_t MdfGetItemTypeWord(DriverContext* ctx, uint32_t setting_id);
// The model default of a setting, by the low byte of the type: 1 the option
// id at the default position (0 when the list is shorter), 4 and 8 the
// record's 32-bit default, 16 its default option id, anything else 0.
int32_t MdfGetItemDefault(DriverContext* ctx, uint32_t setting_id);
// The offset of the feature's option list or value record, 0 when absent;
// for a type with bit 0 set the default position goes to *default_position
// (written only when the feature exists).
uint32_t MdfGetItemOptionList(DriverContext* ctx, uint32_t setting_id, uint16_t* default_position);
// -1 when absent; 0 for Boolean, Numeric and String; else the option count.
int32_t MdfCountItemOptions(DriverContext* ctx, uint32_t setting_id);
// The first feature of the list with the feature key.
MdfItem MdfFindItemByKey(DriverContext* ctx, int32_t key);
MdfItem MdfLookupItemByKey(DriverContext* ctx, int32_t key);
// The feature of the setting at that position of the context's setting
// table; 0 for a position outside the table.
MdfItem MdfGetItemByIndex(DriverContext* ctx, int32_t index);
// The model's UI resource DLL base name copied into out (cap characters,
// always terminated); false when the model names none.
bool MdfCopyUIResDLLName(DriverContext* ctx, char16_t* out, size_t cap);

// ---- one feature -------------------------------------------------------------------------
bool MdfReadItem(DriverContext* ctx, MdfItem item, ImgFeature* out);
// The feature's type word & 0xCFFF; 0 for none.
uint32_t MdfGetNodeType(DriverContext* ctx, MdfItem item);
// The default of a feature as MdfGetItemDefault gives it.
int32_t MdfGetNodeDefault(DriverContext* ctx, MdfItem item);
// The unit string id of a Numeric feature's value record, 0 for none.
uint32_t MdfGetNumericUnitStringId(DriverContext* ctx, MdfItem item);

// ---- paper -------------------------------------------------------------------------------
struct PaperRect {
  int32_t left, top, right, bottom;
};
struct PaperPair {
  int32_t width, length;
};
// The printable area (dots) of paper option `paper` under the current
// resolution (setting 42) and orientation (setting 7); 1, or 0 when the
// model has no paper feature, no such option or no fitting area.
int32_t MdfGetPaperArea(DriverContext* ctx, PaperRect* rect, PaperPair* paper, uint32_t paper_option);
// Width and length of the current paper, swapped in landscape; 1 or 0.
int32_t MdfGetPaperDims(DriverContext* ctx, PaperPair* out);

// ---- fonts -------------------------------------------------------------------------------
struct DeviceFontEntry {
  int32_t id;
  char16_t name[32];
};
static_assert(sizeof(DeviceFontEntry) == 68);
struct FontSubstEntry {
  char16_t trueTypeName[32];
  char16_t deviceName[32];
};
static_assert(sizeof(FontSubstEntry) == 128);

// New arrays (MemFree) of the model's device or cartridge fonts, names cut to
// 31 characters; null and count 0 when there are none or memory runs out.
DeviceFontEntry* MdfGetDeviceFontList(DriverContext* ctx, uint32_t* count);
DeviceFontEntry* MdfGetFontCartridgeList(DriverContext* ctx, uint32_t* count);
// The substitution pairs of the first font-table feature's first option
// that has pairs; null (count untouched) when there is none.
FontSubstEntry* MdfGetFontTable(DriverContext* ctx, uint32_t* count);
