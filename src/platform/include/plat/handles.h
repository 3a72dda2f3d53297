// Kernel object handles of the emulated machine: files, find searches,
// mutexes, tokens and printers share one handle table per process.
#pragma once

#include "plat/wintypes.h"

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t(0));

extern "C" {
// Closes a file, mutex or token handle. FALSE with ERROR_INVALID_HANDLE for
// anything else.
BOOL CloseHandle(HANDLE handle);
}

namespace plat {
// Handles open in this process (for leak checks in tests).
long LiveHandles();
}  // namespace plat
