// ole32.dll of the emulated machine: the task allocator.
#include "plat/osinfo.h"

VELM_EXPORT void* CoTaskMemAlloc(size_t bytes) { return plat::TaskMemAlloc(bytes); }
VELM_EXPORT void CoTaskMemFree(void* block) { plat::TaskMemFree(block); }
