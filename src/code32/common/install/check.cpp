// The install check and the per-user synchronisation.
#include "velm/inst_setup.h"

// Stand-in until the install check lands: every printer counts as set up.
int32_t InstCheckPrinter(HANDLE, int32_t, const PRINTER_INFO_2W*) { return 1; }
int32_t InstCheckOnOpen(HANDLE) { return 1; }
int32_t InstRefreshPresets(DriverContext*, uint8_t) { return 1; }
int32_t InstCopyPresetFiles(HANDLE) { return 1; }
int32_t InstSyncUserSettings(HANDLE, int32_t) { return 1; }
int32_t InstWriteInstallRecord(HANDLE, uint16_t, int32_t) { return 1; }
int32_t InstQueryInstallType(HANDLE, uint16_t* type) {
  if (type) *type = kInstallNothing;
  return 1;
}
int32_t InstComputeInstallType(HANDLE, uint16_t* type, const PRINTER_INFO_2W*) {
  if (type) *type = kInstallNothing;
  return 1;
}
int32_t InstGetTsIniState(HANDLE, const PRINTER_INFO_2W*) { return kTsIniCorrected; }
int32_t InstCorrectTsIni(HANDLE, const PRINTER_INFO_2W*) { return kTsIniCorrected; }
int32_t InstApplyBatchQst(HANDLE, const PRINTER_INFO_2W*) { return 0; }
int32_t InstMigrateLocalLow(HANDLE, const PRINTER_INFO_2W*) { return 1; }
void InstFormatTimeStamp(char16_t out[15]) { out[0] = 0; }
