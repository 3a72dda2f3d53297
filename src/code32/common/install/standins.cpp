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

// Stand-in until the printer set-up sequence lands: the merge-key modes
// the installation calls (1, 3, 4), the printer-data marker and the ini
// flag test, done the plain way.
int32_t InstCopyMergeKeys(DriverContext* ctx, int32_t mode, const char16_t* value) {
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  const char16_t* section = ctx ? InstGetPrinterSectionName(ctx) : nullptr;
  if (!ini || !ini[0] || !section || !section[0]) return 0;
  if (mode == 1) return value && IniWriteString(section, u"DefaultQst", value, ini) ? 1 : 0;
  if (mode == 3) return IniWriteString(section, u"DefaultQst", value, ini) && IniWriteString(section, u"BatchInstQst", value, ini);
  if (mode == 4) return IniWriteString(section, u"BatchInstQst", value, ini) ? 1 : 0;
  return 1;
}
int32_t InstWriteBatchInstallDone(HANDLE printer, uint32_t value, DriverContext*) {
  return SplSetPrinterDataBinary(printer, &value, sizeof value, u"BatchInstallDone");
}
int32_t InstIniFlagIsSet(const char16_t* ini, const char16_t* section, const char16_t* key) {
  if (!ini || !section || !section[0]) return 0;
  const int32_t value = IniGetInt(section, key, 0x7FFF, ini);
  return value != 0x7FFF && value != 0 ? 1 : 0;
}
