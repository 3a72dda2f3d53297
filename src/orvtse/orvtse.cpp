// The maker's terminal-services helper. It answers 1 when the session runs
// under terminal services; the machine setting orvtse.result overrides the
// answer (any number), so that every answer a helper may give can be tried.
#include "plat/machineconf.h"
#include "plat/wintypes.h"

VELM_EXPORT int32_t _IsTSE_WMICOM_VELM_Printer_Driver() {
  long forced = plat::GetMachineSettingInt("orvtse.result", -1000000);
  if (forced != -1000000) return int32_t(forced);
  return plat::GetMachineSettingInt("os.terminal", 0) == 1 ? 1 : 0;
}
