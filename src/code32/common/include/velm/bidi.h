// The bidirectional device query: what is installed on the device.
#pragma once

#include <cstdint>

struct DriverContext;

// Queries the device without any window: 1 done (or nothing to do), 0 failed.
int32_t BidiQuerySilent(DriverContext* ctx);
