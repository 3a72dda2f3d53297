// The printer set-up sequence.
#include "velm/inst_setup.h"

// Stand-in until the printer set-up sequence lands: nothing is set up.
int32_t InstInitializePrinter(HANDLE, void*, uint32_t, int32_t) { return 1; }
int32_t InstSetUpOnce(HANDLE, void*, uint32_t, int32_t) { return 1; }
int32_t InstIsBatchInstallDone(HANDLE) { return 0; }
int32_t InstReadBatchInstallDone(HANDLE, uint32_t*, DriverContext*) { return 0; }
int32_t InstWriteBatchInstallDone(HANDLE, uint32_t, DriverContext*) { return 0; }
int32_t InstIniFlagIsSet(const char16_t*, const char16_t*, const char16_t*) { return 0; }
int32_t InstCopyMergeKeys(DriverContext*, int32_t, const char16_t*) { return 0; }
int32_t InstHandlePrinterRename(DriverContext*) { return 0; }
int32_t InstCtxHasClientNameData(DriverContext*) { return 0; }
int32_t InstHasClientNameData(HANDLE) { return 0; }
