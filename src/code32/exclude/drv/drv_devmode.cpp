// DEVMODE copies of the VELMDrv interface: the printer's defaults, its
// current settings and the current settings under the resolution rules,
// each optionally after asking the device for its trays.
#include "drv_devmode.h"

#include <cstdlib>
#include <cstring>

#include "drv_handle.h"
#include "plat/kernel.h"
#include "velm/bidi.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/inst.h"
#include "velm/os.h"
#include "velm/remote.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kCoverTray = setting::vdmCoverInputTray;
constexpr uint32_t kMarkSheetTray = setting::vdmMPInputTray;
constexpr uint32_t kDeviceCoverTray = setting::vdmCoverDefTray;
constexpr uint32_t kDeviceMarkSheetTray = setting::vdmMPDefTray;
constexpr int16_t kPaperLetter = 1;
constexpr int16_t kPaperA4 = 9;

DEVMODEW* Public(DriverContext* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->devmode); }

// The telephone country code of the user's locale; 0 when unknown.
int32_t LocaleCountry() {
  char16_t text[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 8) <= 0) return 0;
  int32_t n = 0;
  for (const char16_t* p = text; *p >= u'0' && *p <= u'9' && n < 100000; ++p) n = n * 10 + int32_t(*p - u'0');
  return n;
}

// The device's cover and mark-sheet trays become the trays of the settings,
// unless a batch-install settings file decides them. A failed query keeps
// the stored values.
void RefreshFromDevice(DriverContext* ctx) {
  if (BidiIniHasFlag(ctx) && BidiIniGetFlag(ctx)) BidiIniLoadSettings(ctx);
  if (BidiQueryDevice(ctx, nullptr, kBidiAllow9x) != 1) return;
  if (InstHasBatchInstQst(ctx)) return;
  OptSetValueById(ctx, kCoverTray, OptGetValueById(ctx, kDeviceCoverTray));
  OptSetValueById(ctx, kMarkSheetTray, OptGetValueById(ctx, kDeviceMarkSheetTray));
}

int32_t BuildDefaults(DriverContext* ctx, uint32_t mode, bool refresh) {
  DmSetDefaults(ctx);
  ApiPrepareDefaultDevmode(ctx);
  ApiResetDevmodeState(ctx, mode);
  StoreFreeFontBlobs(ctx);
  StoreLoadAll(ctx);
  if (refresh) RefreshFromDevice(ctx);
  StoreLoadRegions(ctx->printer, 1, ctx);
  ApiJobInfoRead(ctx, 159);
  InstSetCountryDefaults(ctx);
  if (ctx->model && ctx->model->modelFlag == 1) {
    int32_t country = LocaleCountry();
    Public(ctx)->dmPaperSize = country == 1 || country == 2 || country == 5 ? kPaperLetter : kPaperA4;
  }
  ApiFixFinishingAfterMerge(ctx);
  return 0;
}

// The current settings in a DEVMODE built aside first: the handle keeps its
// DEVMODE when the build fails.
int32_t BuildCurrent(DriverContext* ctx, uint32_t mode, bool refresh) {
  StoreFreeFontBlobs(ctx);
  uint8_t* fresh = DmCreateDefault(ctx, 0);
  if (!fresh) return -1;
  MemFree(ctx->devmode);
  ctx->devmode = fresh;
  StoreLoadAll(ctx);
  ApiResetDevmodeState(ctx, mode);
  if (refresh) RefreshFromDevice(ctx);
  ApiResetSimplexMargins(ctx);
  ApiClearMarginsIfOff(ctx);
  ApiJobInfoRead(ctx, 159);
  DmSetFlagTerminalServerTo(ctx, OsIsTerminalServer(ctx->printer) ? 1 : 0);
  DmSetFlagAdministratorTo(ctx, OsIsAdministrator() ? 1 : 0);
  ApiFixFinishingAfterMerge(ctx);
  return 0;
}

int32_t ApplyResolutionRules(DriverContext* ctx) {
  ApiResetDevmodeState(ctx, 4);
  if (ApiResolutionKind(ctx) == 1) ApiApplyResolutionRules(ctx);
  if (ApiNeedsStandardResolution(ctx)) {
    OptSetValueById(ctx, setting::vdmDstResolutionW, 600);
    OptSetValueById(ctx, setting::vdmDstResolutionH, 600);
    OptSetValueById(ctx, setting::vdmDstResolutionBoth, 3);
    DmPrivateToPublic(ctx->devmode, ctx, 3);
  }
  ApiFixFinishingAfterMerge(ctx);
  return 0;
}

}  // namespace

int32_t DrvGetDevmode(DriverContext* ctx, int32_t mode, void* out) {
  if (!ctx) return -1;
  return DrvWithPrinter(ctx, [&](DriverContext* c) -> int32_t {
    if (!c->devmode) return -1;
    int32_t built = -1;
    switch (mode) {
      case 1:
      case 17: built = BuildDefaults(c, uint32_t(mode), (mode & kDrvDevmodeRefresh) != 0); break;
      case 2:
      case 18: built = BuildCurrent(c, uint32_t(mode), (mode & kDrvDevmodeRefresh) != 0); break;
      case 4: built = ApplyResolutionRules(c); break;
      default: return -1;
    }
    if (built != 0) return -1;
    const int32_t size = int32_t(DmGetTotalSize());
    if (out) std::memcpy(out, c->devmode, size_t(size));
    return size;
  });
}
