// Process-wide critical sections of a driver library (section 1 guards the
// capability-context cache, section 2 the other context cache) and the
// cross-process driver mutex.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

// Creates both sections (spin count 4000) and empties the mutex handle.
void LockInitialize();
// Deletes both sections and closes the mutex handle.
void LockTerminate();
// Section 1 or 2; any other number does nothing. A section that could not be
// created at attach is created at first use.
void LockEnterSection(int32_t section);
void LockLeaveSection(int32_t section);
