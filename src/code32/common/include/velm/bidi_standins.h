// Services of later areas that the device query calls. Stand-ins until
// those areas land (each marked where it is defined).
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "velm/inst.h"

struct DriverContext;

// The terminal-server client configuration state: 0 not active, 1 taken
// from the client, 2 to be taken.
int32_t RemoteGetSyncState(DriverContext* ctx);

// The text of the wait dialog shown while a query runs.
constexpr uint32_t kBidiWaitText = 7001;
