// The handle of the PJL command interface: one printer's settings context,
// the values recorded for setting items 1-732 through PJL lines, the stored
// command base and the change text waiting to be fetched.
//
// A handle is used by one thread at a time; nothing in it is locked.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// Setting items the handle tracks: 1-732. Items 731 and 732 live only in
// the handle (732 is the booklet value, worked out from the binding); only
// items up to kExcContextItemLimit are ever written into the context.
constexpr int32_t kExcItemCount = 732;
constexpr uint32_t kExcContextItemLimit = 730;
constexpr uint32_t kExcBookletItem = 732;

struct ExcHandle {
  DriverContext* context;  // opened for the printer with the handle's open flags; replaced at a reset
  HANDLE printer;          // the caller's printer, closed when the handle is freed
  int32_t itemCount;       // always kExcItemCount while the arrays exist
  uint8_t* setFlags;       // [item - 1]: 1 when the item was given a value by a PJL line or its actions
  int32_t* values;         // [item - 1]: the recorded value, valid while its flag is 1
  int32_t baseLength;      // bytes of baseText with its NUL; 0 when there is no base
  char* baseText;          // the stored command base (MemAllocZeroed), null when none
  int32_t changeLength;    // bytes of changeText with its NUL; 0 when nothing is pending
  char* changeText;        // the lines the last run forced (MemAllocZeroed), null when none
};

// Allocates the two zeroed arrays and sets the item count; false (nothing
// allocated) when memory runs out.
bool ExcHandleInitRecords(ExcHandle* h);
// Clears the flags and values, drops the change text and the base. The
// context is left alone: a reset reopens it on its own.
void ExcHandleClearRecords(ExcHandle* h);
// Clears as above and frees the arrays (item count 0).
void ExcHandleFreeRecords(ExcHandle* h);

// The recorded value of an item, when its flag is set; false otherwise
// (also for items outside 1-732).
bool ExcHandleRecorded(const ExcHandle* h, uint32_t item, int32_t* value = nullptr);
