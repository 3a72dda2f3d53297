// Start and end of this library's copy of the common code, called from the
// DllMain of each driver library.
#pragma once

#include "plat/wintypes.h"

// Process attach: empties both context caches and creates the critical
// sections. Process detach: destroys every cached context and deletes them.
void CommonProcessAttach(HINSTANCE module);
void CommonProcessDetach();
HINSTANCE CommonModuleHandle();

// The DllMain body the driver libraries share: attach and detach as above;
// thread attach and detach do nothing.
BOOL CommonDllMain(HINSTANCE module, DWORD reason);
