// The device state of a query handle, the watermark section test and the
// action word saved under its own value name.
#include "api/api_support.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "plat/profile.h"

void ExcRefreshDeviceState(DriverContext* ctx, bool allow_query) {
  if (!ctx || !ctx->devmode) return;
  // A printer reached through a server, or one the client ini says nothing
  // about, keeps its flag in printer data.
  int32_t flag = DmGetFlagRemotePrinter(ctx) || !BidiIniHasFlag(ctx) ? BidiIsFlagSet(ctx) : BidiIniGetFlag(ctx);
  if (flag) BidiSetSupportFlag(ctx);
  else if (allow_query) BidiQueryDevice(ctx, nullptr, kBidiAllow9x);
  else DmClearFlagBidiQueried(ctx);
}

bool ApiHasWatermarkSection(DriverContext* ctx) {
  if (!ctx) return false;
  char16_t section[64] = {};
  StampFormatKey(section, kStampScratchEntry, ctx);
  const char16_t* ini = PathGetDriverIni(ctx);
  const char16_t* key = OptGetSettingName(ctx, setting::vdmWmKind);
  if (!ini || !ini[0] || !key || !section[0]) return false;
  char16_t value[8] = {};
  return GetPrivateProfileStringW(section, key, u"", value, 8, ini) > 0;
}

int32_t ApiSelectWatermarkEntry(DriverContext* ctx, int32_t n) {
  if (!ctx || !ctx->settings) return 0;
  for (int32_t i = 0; i < ctx->settings->count; ++i) {
    SettingRecord* row = &ctx->settings->rows[i];
    const uint32_t type = DescType(row->descriptor);
    if (row->stampMember && (IsAnsiType(type) || IsWideType(type))) OptSetText(ctx, row, u"");
  }
  return StampSelect(ctx, n);
}

int32_t ApiSaveActionItem(DriverContext* ctx, uint32_t item) {
  SettingRecord* row = ctx ? OptFindSetting(ctx, item) : nullptr;
  if (!row) return 0;
  // The row is the context's own copy; its name and type are put back.
  const char16_t* name = row->valueName;
  uint32_t descriptor = row->descriptor;
  row->valueName = u"vdmAction";
  row->descriptor = MakeDescriptor(DescRegion(descriptor), kTypeU16, DescSize(descriptor));
  int32_t result = StoreSaveItem(ctx->printer, ctx, row, nullptr);
  row->valueName = name;
  row->descriptor = descriptor;
  return result;
}
