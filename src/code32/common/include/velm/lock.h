// Process-wide critical sections of a driver library (section 1 guards the
// capability-context cache, section 2 the other context cache) and the
// cross-process driver mutex "Global\VelmMutexTse", which serialises every
// change to the stores the processes share (model cache, printer data, ini
// and settings files).
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

// Creates (or opens) the driver mutex: NULL DACL, not inheritable, not
// initially owned. The handle, or null.
HANDLE LockCreateMutex();
// Takes the driver mutex, waiting without time-out; opens it on first use.
// When it cannot be had the caller's step runs unguarded (by design): the
// answer is 1 when the mutex is held (also when its last owner died holding
// it), 0 when the step runs unguarded.
int32_t LockAcquireMutex();
// Releases one hold; ReleaseMutex's result, 0 when there is no handle.
int32_t LockReleaseMutex();

// Holds the driver mutex for a scope (when it can be had; see
// LockAcquireMutex).
class DriverMutexHold {
 public:
  DriverMutexHold() : held_(LockAcquireMutex() != 0) {}
  ~DriverMutexHold() {
    if (held_) LockReleaseMutex();
  }
  DriverMutexHold(const DriverMutexHold&) = delete;
  DriverMutexHold& operator=(const DriverMutexHold&) = delete;

 private:
  bool held_;
};
