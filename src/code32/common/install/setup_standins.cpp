// STAND-INS for the routines of the printer set-up sequence that the
// installation services call (declared in velm/inst.h).
#include "velm/inst.h"

#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

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
