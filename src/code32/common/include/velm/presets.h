// The preset, quality and user paper-size lists: only the declarations the
// capability lists call.
#pragma once

#include <cstdint>

struct DriverContext;

// Reloads the ten user paper-size slots of the work record; 1.
int32_t FreeSizeRefreshSlots(DriverContext* ctx);
