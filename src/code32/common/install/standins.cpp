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
