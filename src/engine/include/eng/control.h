// Controls of the graphics engine that are not part of the Windows surface:
// the settable clock of EngQueryLocalTime and counts of live engine objects
// for leak checks in tests.
//
// Allocation failures are injected through the platform layer's fault
// switch (plat::FailNth) with the service name "EngAllocMem": every engine
// allocation (bitmaps, palettes, clip and path objects, recorded pages)
// goes through it.
#pragma once

#include "eng/ddi.h"

namespace eng {

// EngQueryLocalTime answers this time from now on; ReleaseClock returns to
// the host's local time.
void SetClock(const ENG_TIME_FIELDS& fields);
void ReleaseClock();

// Live engine objects: surfaces, palettes, EngAllocMem blocks.
long LiveSurfaces();
long LivePalettes();
long LiveEngBlocks();

}  // namespace eng
