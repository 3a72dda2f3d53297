// Stand-ins for the preset, quality, stamp and user paper-size lists, which
// are built on another branch; each gives the answer of an empty list.
// Deleted when that branch lands.
#include <cstdint>

#include "velm/presets.h"

// Stand-in: no quality set is loaded.
int32_t PresetLoadQualityByIndex(DriverContext*, int32_t) { return 0; }
// Stand-in: the ten user paper-size slots.
int32_t FreeSizeGetSlotCount(DriverContext*) { return 10; }
// Stand-in: nothing is read; the slots keep what they hold (empty at the open).
int32_t FreeSizeRefreshSlots(DriverContext*) { return 1; }
// Stand-in: the source slot items are left untouched.
void FreeSizeSlotToSrcItems(DriverContext*, int32_t) {}
// Stand-in: no stamp is loaded.
int32_t StampSelect(DriverContext*, int32_t) { return 0; }
