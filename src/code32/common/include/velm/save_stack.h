// The save stack and single-setting routines (declarations this area
// needs; the save-stack area owns this header).
#pragma once

#include <cstdint>

struct DriverContext;

void DmPushSettings(DriverContext* ctx);
void DmPopSettings(DriverContext* ctx, int32_t restore);
// 1 when the sort function vdmSortType offers a real choice.
int32_t OptHasSortChoice(DriverContext* ctx);
