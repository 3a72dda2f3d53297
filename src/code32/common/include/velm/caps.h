// Device-capability lists (declarations this area needs; the capability
// lists area owns this header).
#pragma once

#include <cstdint>

// A row of the built-in resolution table.
struct CapsResolutionRow {
  uint16_t id;
  uint16_t x;
  uint16_t y;
};

// The row of a resolution-table id, null for 0 or an unknown id.
const CapsResolutionRow* CapsFindResolutionRow(int32_t id);
// The id of the first row with that x resolution, 0 when none or x is 0.
int32_t CapsFindResolutionIdByX(int32_t x);
