// Services of later areas that the device query calls. Stand-ins until
// those areas land (each marked where it is defined).
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// The install-info model key of the printer's driver (at most 32
// characters), null when there is none.
const char16_t* InstGetModelKey(DriverContext* ctx);
// 1 when the common driver ini names a batch-install settings file
// (non-empty BatchInstQst) in the printer's section.
int32_t InstHasBatchInstQst(DriverContext* ctx);

// The text of the wait dialog shown while a query runs.
constexpr uint32_t kBidiWaitText = 7001;
