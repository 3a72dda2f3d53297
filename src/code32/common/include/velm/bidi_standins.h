// Services of later areas that the device query calls. Stand-ins until
// those areas land (each marked where it is defined).
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "velm/inst.h"

struct DriverContext;


// The text of the wait dialog shown while a query runs.
constexpr uint32_t kBidiWaitText = 7001;
