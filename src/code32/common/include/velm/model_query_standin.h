// What the setting store asks of the model description: the model item a
// symbol key names, its feature type and the unit string of a numeric item,
// and whether the page image lies landscape on the sheet.
//
// Stand-in until the model queries and computed condition items land: no
// model item is found and the sheet is never landscape.
#pragma once

#include <cstdint>

struct DriverContext;

// Opaque model item (a feature node of the model image), or null.
const void* MdfFindItemByKey(DriverContext* ctx, int32_t key);
// Feature type word of a model item (low byte: 1/2 pick, 4 Boolean,
// 8 Numeric, 16 String).
uint32_t MdfGetItemType(const void* item);
// String id of the unit of a numeric item, 0 for none.
uint32_t MdfGetNumericUnitStringId(const void* item);
// 1 when the page image lies landscape on the sheet.
int32_t RuleIsSheetLandscape(DriverContext* ctx);
// A UI string by id into buffer (capacity in characters), with its suffix
// when suffix is non-zero; returns its length, 0 when there is none.
int32_t ResLoadString(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity, int32_t suffix);
