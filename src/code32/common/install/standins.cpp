// STAND-INS for the installation services of velm/inst.h that are not built
// yet. Each gives the plain answer its callers handle: nothing installed,
// nothing found, nothing changed.
#include "velm/inst.h"

#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

namespace {
int32_t Empty(char16_t* buffer, uint32_t size) {
  if (buffer && size) buffer[0] = 0;
  return 0;
}
}  // namespace

// Stand-in until the install-info defaults land: no country defaults.
void InstSetCountryDefaults(DriverContext*) {}

// Stand-in until the install-info defaults land.
int32_t InstApplyBatchDefaults(HANDLE, HANDLE, int32_t, DriverContext*) { return 0; }
int32_t InstApplyBatchDefaultsEx(HANDLE, HANDLE, int32_t, DriverContext*, int32_t) { return 0; }
int32_t InstCopyInfoDefaults(const char16_t*, const char16_t*, DriverContext*) { return 1; }
int32_t InstCopyDefaultQstFreeSizes(const char16_t*, const char16_t*, DriverContext*) { return 0; }
int32_t InstTargetNeedsDefaults(const char16_t*, const char16_t*, int32_t* missing, DriverContext*) {
  if (missing) *missing = 0;
  return 0;
}
void InstApplyLocaleDefaults(const char16_t*, DriverContext*) {}
int32_t InstReadHandOverIni(const char16_t*, DriverContext*) { return 0; }
int32_t InstSetLocaleFromUser(const char16_t*, DriverContext*) { return 1; }
int32_t InstWriteHandOverIni(const char16_t*, DriverContext*) { return 1; }
int32_t InstWriteUserCodeIni(const char16_t*, int32_t, DriverContext*) { return 0; }
uint16_t InstGetUserLanguageId() { return 0xFFFF; }
int32_t InstGetUserCountryCode(DriverContext*) { return 0; }
int32_t InstRegisterModel(DriverContext*) { return 0; }
int32_t InstReadInstallIniModel(char16_t* load_dll, char16_t* version, DriverContext*) {
  Empty(load_dll, 260);
  return Empty(version, 260);
}
const char16_t* InstSkipBlanks(const char16_t* text) {
  while (text && *text == u' ') ++text;
  return text;
}
void InstRunExpandFilePrograms(DriverContext*) {}

// Stand-in until the scenario bundle export lands: no bundle is written.
int32_t PresetMakeBundlePath(const char16_t*, char16_t* bundle_path, DriverContext*) {
  return Empty(bundle_path, 260);
}
int32_t PresetExportScenario(const char16_t*, const char16_t*, DriverContext*) { return 0; }
int32_t PresetWriteBundleHeader(const char16_t*, DriverContext*) { return 0; }
uint32_t PresetBundleTime(const SYSTEMTIME&) { return 0; }
void PresetBase36Stamp(uint32_t, char16_t* buffer) { Empty(buffer, 7); }
void PresetStampIncrement(char16_t*) {}
void PresetStampDecrement(char16_t*) {}
int32_t PresetRemoveBundleDir(const char16_t*) { return 0; }
int32_t PresetDeleteScenario(const char16_t*) { return 1; }
