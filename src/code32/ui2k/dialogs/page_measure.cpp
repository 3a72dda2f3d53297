// The owner-draw sizes of the page controls that have a fixed size: the
// answer to WM_MEASUREITEM, and the cell of the preset icon lists.
#include <algorithm>
#include <initializer_list>

#include "ui2k/pages.h"

namespace {

struct MeasureRow {
  uint16_t width, height;
  std::initializer_list<uint16_t> ids;
};
const MeasureRow kMeasureTable[] = {
    {108, 107, {2001, 2139}},
    {77, 78, {2085, 2466}},
    {91, 51, {2087, 2467}},
    {49, 42, {2100, 2476, 2102, 2477}},
    {42, 42, {2134, 2457}},
    {16, 16, {2164, 2385, 2384, 2364, 2572, 2574, 2817}},
    {16, 14, {2009, 2007, 2011, 2017, 2023, 2032, 2013, 2036, 2041, 2044, 2053, 2070, 2064, 2066, 2078, 2083,
              2089, 2095, 2109, 2117, 2135, 2152, 2617, 2168, 2170, 2217, 2256, 2260, 2251, 2253, 2258, 2278,
              2303, 2305, 2314, 2316, 2318, 2320, 2334, 2349, 2440, 2443, 2485, 2484, 2491, 1121, 1137}},
};

}  // namespace

bool UiGetMeasureItemSize(uint16_t control_id, uint32_t* width, uint32_t* height) {
  for (const MeasureRow& row : kMeasureTable) {
    if (std::find(row.ids.begin(), row.ids.end(), control_id) == row.ids.end()) continue;
    if (width) *width = row.width;
    if (height) *height = row.height;
    return true;
  }
  return false;
}
