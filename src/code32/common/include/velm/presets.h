// Preset and quality lists, stamps and user paper sizes (declarations this
// area needs; the presets area owns this header).
#pragma once

#include <cstdint>

struct DriverContext;

int32_t PresetLoadQualityByIndex(DriverContext* ctx, int32_t n);
int32_t FreeSizeGetSlotCount(DriverContext* ctx);
int32_t FreeSizeRefreshSlots(DriverContext* ctx);
void FreeSizeSlotToSrcItems(DriverContext* ctx, int32_t n);
int32_t StampSelect(DriverContext* ctx, int32_t id);
