// VELMDrvSetStatus and VELMDrvGetStatus: the status items of a VELMDrv handle.
#include "drv_handle.h"
#include "status/status.h"
#include "velmpd4.h"

static_assert(kStatusBeforeBytes == kDrvBeforeBytes);
static_assert(VELM_STATUS_MASK_BYTES == kStatusMaskBytes && VELM_STATUS_CHECK_VERSION == kStatusCheckVersionMode);

extern "C" VELMPD4_API int32_t VELMDrvSetStatus(VELMDrvHandle* handle, int32_t id, void* record, uint8_t* mask, int32_t mode) {
  auto* ctx = reinterpret_cast<DriverContext*>(handle);
  if (!ctx || !DrvIsHandle(ctx)) return -1;
  return ApiSetStatusItem(ctx, DrvBeforeChange(ctx), id, record, mask, mode);
}

extern "C" VELMPD4_API int32_t VELMDrvGetStatus(VELMDrvHandle* handle, int32_t id, void* record, int32_t version) {
  auto* ctx = reinterpret_cast<DriverContext*>(handle);
  if (!ctx || !DrvIsHandle(ctx)) return -1;
  return ApiGetStatusItem(ctx, id, record, version);
}
