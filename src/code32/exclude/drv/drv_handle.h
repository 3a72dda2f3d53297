// The handle of the VELMDrv interface: a DriverContext opened for a query
// program, with the printer name in its work record, the before-change
// holder of the status items and the no-UI environment. Between calls the
// handle holds no open printer; every operation opens the printer by name
// for its own duration (DrvWithPrinter).
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/api_support.h"
#include "velm/context.h"

// Status items 1-35, each with one 64-byte entry in the before-change
// holder: 8 pairs {hidden, disabled} of 32-bit flags, one per related item.
constexpr uint32_t kDrvStatusItemCount = 35;
constexpr uint32_t kDrvBeforeEntryBytes = 64;
constexpr uint32_t kDrvBeforePairs = 8;
constexpr size_t kDrvBeforeBytes = size_t(kDrvStatusItemCount) * kDrvBeforeEntryBytes;

// The interface version served when the driver ini does not name one.
constexpr int32_t kDrvDefaultApiVersion = 3;

// The interface version: VELMAPIVer of section VELMAPI in the driver ini
// (3 when missing), stored process-wide; 0 for a null or empty name, which
// reads nothing.
int32_t DrvCheckApiVersion(const char* name);
// The version the last DrvCheckApiVersion stored (0 before any).
int32_t DrvApiVersion();

// Opens a handle on the printer named in the system code page; null for a
// null or empty name, a name longer than 260 characters, a printer that
// cannot be opened or a context that cannot be opened. The printer is
// closed again before the handle is returned.
DriverContext* DrvEnable(const char* name);
// Frees the before-change holder, closes the context and empties the
// context caches, so that a later enable reads the stored settings afresh.
// Null is allowed. Always 1.
int32_t DrvDisable(DriverContext* ctx);

// A handle of this interface (opened by DrvEnable and not yet disabled).
bool DrvIsHandle(const DriverContext* ctx);

// The 35 x 64-byte before-change holder of the handle, or null when its
// allocation failed at enable (callers then skip the before-state).
uint8_t* DrvBeforeChange(DriverContext* ctx);
// The entry of status item 1-35 inside the holder, or null.
uint8_t* DrvBeforeEntry(DriverContext* ctx, uint32_t status_item);

// Opens the printer by the handle's name as both printer handles, and
// closes it again; after the close both handles are null.
int32_t DrvOpenPrinter(DriverContext* ctx);
void DrvClosePrinter(DriverContext* ctx);

// Runs op(ctx) with the printer open and returns its int32_t result; -1
// for a null handle or a printer that cannot be opened. The printer is
// closed on every path, including an exception leaving op.
template <class Op>
int32_t DrvWithPrinter(DriverContext* ctx, Op&& op) {
  if (!ctx || !DrvOpenPrinter(ctx)) return -1;
  struct Closer {
    DriverContext* c;
    ~Closer() { DrvClosePrinter(c); }
  } closer{ctx};
  return static_cast<int32_t>(op(ctx));
}
