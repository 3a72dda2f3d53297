// The VELMDrv exports of VELMPD4: handles on a printer, DEVMODE copies and
// the capability queries. The handle outside programs hold is the driver
// context itself.
#include "drv_caps.h"
#include "drv_devmode.h"
#include "drv_handle.h"
#include "velmpd4.h"

namespace {

DriverContext* Ctx(VELMDrvHandle* handle) { return reinterpret_cast<DriverContext*>(handle); }

}  // namespace

VELMPD4_API int32_t VELMDrvCheckAPIVer(const char* printer) { return DrvCheckApiVersion(printer); }

VELMPD4_API VELMDrvHandle* VELMDrvEnable(const char* printer) {
  return reinterpret_cast<VELMDrvHandle*>(DrvEnable(printer));
}

VELMPD4_API int32_t VELMDrvDisable(VELMDrvHandle* handle) { return DrvDisable(Ctx(handle)); }

VELMPD4_API int32_t VELMDrvGetDevmode(VELMDrvHandle* handle, int32_t mode, void* devmode) {
  return DrvGetDevmode(Ctx(handle), mode, devmode);
}

VELMPD4_API intptr_t VELMDrvGetCaps(VELMDrvHandle* handle, int32_t id, void* buffer) {
  DriverContext* ctx = Ctx(handle);
  if (!ctx) return -1;
  switch (uint32_t(id)) {
    case 0: return DrvCapsSupportedItems(static_cast<uint8_t*>(buffer));
    case kDrvCapsBuildRecord: return reinterpret_cast<intptr_t>(DrvCapsBuildRecord(ctx));
    case kDrvCapsFreeRecord: DrvCapsFreeRecord(buffer); return 1;
    default: return DrvCapsQuery(ctx, id, buffer);
  }
}
