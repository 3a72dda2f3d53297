// DEVMODE copies of a VELMDrv handle.
#pragma once

#include <cstdint>

struct DriverContext;

constexpr int32_t kDrvDevmodeRefresh = 0x10;

// Rebuilds the handle's DEVMODE by mode (1 or 17 the printer's defaults, 2
// or 18 the current settings, 4 the current settings under the resolution
// rules; 17 and 18 ask the device for its trays first) and copies it to out
// when given. The size (public and private part), or -1 for a null handle,
// an unknown mode, a printer that cannot be opened or a failed build (the
// handle then keeps its DEVMODE). The printer is closed on every path.
int32_t DrvGetDevmode(DriverContext* ctx, int32_t mode, void* out);
