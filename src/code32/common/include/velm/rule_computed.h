// Built-in computed condition items the rules read (declarations this area
// needs; the computed items area owns this header).
#pragma once

#include <cstdint>

struct DriverContext;

// 1 when the page lies within the page dot limit (flag 1 for the item,
// flag 0 for the normalisation after a set).
int32_t RuleCheckPageDotLimit(DriverContext* ctx, int32_t flag);
