// Selectable option lists (only the declarations the save-stack routines
// call).
#pragma once

#include <cstdint>

struct DriverContext;

// The values of the setting that are selectable now: 0 done (count and, when
// the capacity suffices, the values), 1 the array is absent or too small,
// 255 out of memory.
int32_t OptListSelectable(DriverContext* ctx, uint32_t id, int32_t capacity, int32_t* values, int32_t* count);
