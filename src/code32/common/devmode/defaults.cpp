// The sizes of the DEVMODE, the first working DEVMODE of a context, the
// model defaults of the settings, and the printer's stored DEVMODE.
#include <cstring>

#include "plat/kernel.h"
#include "plat/le.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/os.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {
constexpr uint32_t kPresetOptionBase = 119;  // preset n is option 119 + n
constexpr uint32_t kFirstWorkRow = 730;  // the row of setting 731

using plat::Get16;

// The printer's stored DEVMODE and the bytes its block really holds from
// it; 0 bytes when there is none or it does not lie inside the block.
struct StoredDevmode {
  PRINTER_INFO_2W* info = nullptr;
  const uint8_t* bytes = nullptr;
  size_t length = 0;

  explicit StoredDevmode(DriverContext* ctx) {
    info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(ctx->printer, 2));
    if (!info || !info->pDevMode) return;
    auto* block = reinterpret_cast<const uint8_t*>(info);
    auto* dm = reinterpret_cast<const uint8_t*>(info->pDevMode);
    size_t size = GlobalSize(info);
    if (dm < block || dm >= block + size) return;
    bytes = dm;
    length = size_t(block + size - dm);
  }
  ~StoredDevmode() { MemFree(info); }
  StoredDevmode(const StoredDevmode&) = delete;
  StoredDevmode& operator=(const StoredDevmode&) = delete;

  // Header words (dmSpecVersion 64, dmDriverVersion 66, dmSize 68,
  // dmDriverExtra 70), when the bytes reach them.
  bool Header(uint16_t* driver_version, uint16_t* size, uint16_t* extra) const {
    if (length < 72) return false;
    *driver_version = Get16(bytes + 66);
    *size = Get16(bytes + 68);
    *extra = Get16(bytes + 70);
    return true;
  }
};

void CopyOverWorking(DriverContext* ctx, const uint8_t* bytes) {
  std::memcpy(ctx->devmode, bytes, DmGetTotalSize());
  dm::StampRegionOffsets(ctx->devmode);  // a stored header never addresses anything
}

}  // namespace

// ---- sizes ---------------------------------------------------------------------------------

uint32_t DmGetPublicSize() { return OsIsWin9x() ? 148 : dm::kPublicSize; }
uint32_t DmGetDriverExtraSize() { return OsIsWin9x() ? 1048 : dm::kDriverExtra; }
uint32_t DmGetTotalSize() { return OsIsWin9x() ? 1196 : dm::kTotalSize; }
uint32_t DmGetOptionBlockSize() { return dm::kOptionsSize; }
uint32_t DmGetWorkBufferSize() { return OsIsWin9x() ? 3744 : dm::kWorkBufferSize; }

// ---- defaults --------------------------------------------------------------------------------

int32_t OptSetDefault(DriverContext* ctx, SettingRecord* row) {
  if (!row) return 0;
  // Text and blocks take no number from the model: their default is all
  // zeros (so a reset clears the user code and passwords of an earlier job).
  if (!IsIntegerType(DescType(row->descriptor))) return OptSetBytes(ctx, row, nullptr);
  return OptSetOption(ctx, row, MdfGetItemDefault(ctx, row->id));
}

void DmSetDriverVersionItem(DriverContext* ctx) {
  if (!ctx || !ctx->model) return;
  OptSetText(ctx, OptFindSetting(ctx, setting::wdmDriverVersion), ctx->model->driverVersionText);
}

void DmApplyItemDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || !ctx->settings || ctx == CtxGetTemplate()) return;
  DmInitPrivateHeader(ctx->devmode, ctx);
  SettingTable& t = *ctx->settings;
  for (int32_t i = 0; i < t.count; ++i) {
    SettingRecord* row = &t.rows[i];
    if (row->id == setting::vdmPresetNo) {
      OptSetValue(ctx, row, MdfGetItemDefault(ctx, setting::vdmPresetNo) - int32_t(kPresetOptionBase));
    } else if (IsFontTableItem(row->id)) {
      continue;  // the font tables and their counts belong to the store
    } else {
      OptSetDefault(ctx, row);
    }
  }
}

void DmApplyWorkItemDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || !ctx->settings || ctx == CtxGetTemplate()) return;
  SettingTable& t = *ctx->settings;
  for (int32_t i = int32_t(kFirstWorkRow); i < t.count; ++i)
    if (DescRegion(t.rows[i].descriptor) == kRegionWork) OptSetDefault(ctx, &t.rows[i]);
  DmSetDriverVersionItem(ctx);
}

void DmSetDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return;
  DmApplyItemDefaults(ctx);
  DmSetDriverVersionItem(ctx);
  DmResetPublicFields(ctx->devmode, 1, ctx);
  DmFinishDefaults(ctx->devmode, ctx);
  // The helper that tells a terminal-services session is loaded once for
  // both the flag and the clearing of the job actions.
  const int32_t terminal_server = OsIsTerminalServer(ctx->printer);
  DmSetEnvironmentFlags(ctx, terminal_server);
  uint16_t language = ResGetLangIdFromHelpData(ctx);
  OptSetValueById(ctx, setting::vdmLanguageID, language);
  OptSetValueById(ctx, setting::vdmDspLanguageID, language);
  DmClearTerminalServerActions(ctx, 0, terminal_server);
}

uint8_t* DmCreateDefault(DriverContext* ctx, uint32_t kind) {
  if (!ctx || ctx == CtxGetTemplate()) return nullptr;
  // Laid out as on the NT family whatever size is announced.
  auto* buffer = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
  if (!buffer) return nullptr;
  uint8_t* previous = ctx->devmode;
  ctx->devmode = buffer;
  if (kind != 3 && DmLoadPrinterDevmode(ctx)) {
    // The query library keeps the work items the printer's DEVMODE carries.
    if (!LibGetBuild().keepWorkItemsOfPrinterDevmode) DmApplyWorkItemDefaults(ctx);
    if (kind == 1) DmRefreshDerivedItems(buffer, ctx, 1);
  } else {
    // Nothing of a stored DEVMODE that did not fit stays behind.
    std::memset(buffer, 0, dm::kTotalSize);
    DmSetDefaults(ctx);
    DmAdoptPrinterDevmode(ctx);
  }
  ctx->devmode = previous;
  return buffer;
}

// ---- the printer's stored DEVMODE --------------------------------------------------------------

int32_t DmCopyPrinterDevmode(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return 0;
  StoredDevmode stored(ctx);
  uint16_t version, size, extra;
  if (!stored.Header(&version, &size, &extra)) return 0;
  if (DmGetSpecVersion(stored.bytes, stored.length) == 0) return 0;
  if (size != DmGetPublicSize() || extra != DmGetDriverExtraSize()) return 0;
  if (stored.length < DmGetTotalSize()) return 0;  // declared larger than what is there
  CopyOverWorking(ctx, stored.bytes);
  return 1;
}

int32_t DmLoadPrinterDevmode(DriverContext* ctx) {
  return DmCopyPrinterDevmode(ctx) && DmIsCompatible(ctx->devmode) ? 1 : 0;
}

int32_t DmCopyPrinterDevmodeIfCompatible(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return 0;
  StoredDevmode stored(ctx);
  uint16_t version, size, extra;
  if (!stored.Header(&version, &size, &extra)) return 0;
  const uint8_t* w = ctx->devmode;
  if (version != Get16(w + 66) || size != Get16(w + 68) || extra != Get16(w + 70)) return 0;
  if (stored.length < DmGetTotalSize() || !DmIsCompatible(stored.bytes)) return 0;
  CopyOverWorking(ctx, stored.bytes);
  return 1;
}

int32_t DmAdoptPrinterDevmode(DriverContext* ctx) { return DmCopyPrinterDevmodeIfCompatible(ctx); }
