// Driver contexts: the built-in template, opening and closing, and the two
// small caches that let the next call for the same printer take a context
// back within half a second.
#include "velm/context.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/address_list.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/presets.h"
#include "velm/devmode.h"
#include "velm/library_build.h"
#include "velm/lock.h"
#include "velm/model_cache.h"
#include "velm/resources.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kCacheLifetimeMs = 500;
constexpr uint32_t kBatchJobInfoMask = 158;
constexpr uint32_t kJobInfoUserCode = 1;
constexpr uint32_t kFontSubstEntrySize = 128;
constexpr uint32_t kDeviceFontEntrySize = 68;

struct FontTableItems {
  uint32_t count;
  uint32_t table;
  uint32_t entrySize;
};
constexpr FontTableItems kFontTables[] = {
    {setting::vdmFontTableNum, setting::vdmFontTable, kFontSubstEntrySize},
    {setting::vdmDeviceFontNum, setting::vdmDeviceFont, kDeviceFontEntrySize},
    {setting::vdmOptionFontNum, setting::vdmOptionFont, kDeviceFontEntrySize},
};

const ModelInfo kModelInfo = {
    0x0401, 0x0400, u"velmlist.ini", u"VELMOUT1.DLL", 0x7F03, 999, 90, 600,
    {1, 9, 0, 0, 100, 1, 7, 600, 1, 1, 600, 3, 0},
    u"A4", {1, 1, 1, 1}, 1, 1000, 1, 999,
    {'p', 'r', 'i', 'v'}, 0x00030003,
    {0, 0, 0, 0}, 134, 0,
    {600, 600}, {9, 9, 9, 9}, {0, 0, 0}, 0,
    16, 32,
    {u"01.00", u"01.00"}, u"JP", u"velmsetup.ini", {u"orvaux.dll", u"VELMPD4.DLL"}, u"ORVDATA.dll",
    u"3.62", 200,
    4724, 14030, 6992, 20408,
};

// The template's working DEVMODE: zeros, so every setting reads 0 through it.
uint8_t g_template_devmode[dm::kWorkBufferSize];
WorkRecord g_template_work;

DriverContext MakeTemplate() {
  DriverContext t{};
  t.settings = const_cast<SettingTable*>(&OptGetBuiltinTable());
#if VELM_WITH_UI
  t.dialogs = const_cast<DialogTable*>(&DlgGetBuiltinTable());
#endif
  t.symbols = &MdfGetSymbolTable();
  t.optionNames = &MdfGetOptionNameTable();
  t.messages = &RuleGetMessageTable();
  t.model = const_cast<ModelInfo*>(&kModelInfo);
  t.devmode = g_template_devmode;
  t.work = &g_template_work;
  return t;
}

std::atomic<uint32_t> g_first_run{0};

// ---- the caches --------------------------------------------------------------

struct CacheSlot {
  DriverContext* ctx;
  DWORD stamp;
};
CacheSlot g_caches[2][2];  // [0]: capability contexts (section 1), [1]: others (section 2)

int CacheFor(uint32_t open_flags) { return open_flags == kOpenCapability ? 0 : 1; }

// The printer name an open caches and the cache compares: the given
// PRINTER_INFO_2's, else the spooler's answer for the handle.
bool PrinterName(HANDLE printer, const PRINTER_INFO_2W* info, char16_t* name, uint32_t cap) {
  name[0] = 0;
  if (info) return info->pPrinterName && plat::WCopy(name, cap, info->pPrinterName) && name[0];
  auto* fetched = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  bool ok = fetched && fetched->pPrinterName && plat::WCopy(name, cap, fetched->pPrinterName) && name[0];
  MemFree(fetched);
  return ok;
}

bool SlotMatches(const CacheSlot& slot, HANDLE printer, uint16_t kind_word, uint32_t open_flags, uint32_t doc_mode,
                 const char16_t* name) {
  const DriverContext* c = slot.ctx;
  if (!c) return false;
  if (!(kind_word & kKindOptIgnoreHandle) && c->printer != printer) return false;
  if (kind_word != 0 && !(kind_word & kKindOptMayUseCache)) return false;
  if (c->work->openFlags != open_flags) return false;
  if (plat::WCmp(c->work->printerName, name) != 0) return false;
  if (open_flags == kOpenDocNoUi && doc_mode == 2 && c->work->documentSheetMode != 2) return false;
  return true;
}

// ---- building and destroying -----------------------------------------------------

uint8_t* AllocWorkBuffer() { return static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize)); }

void FreeBlobTable(DriverContext* ctx) {
  for (uint32_t i = 0; i < ctx->blobs.capacity; ++i) MemFree(ctx->blobs.slots[i]);
  MemFree(ctx->blobs.slots);
  ctx->blobs = {};
}

// Frees the font-table arrays that the working DEVMODE refers to.
void FreeWorkingFontTables(DriverContext* ctx) {
  if (!ctx->devmode) return;
  for (const FontTableItems& f : kFontTables) {
    CtxBlobFree(ctx, uint32_t(OptGetValueById(ctx, f.table)));
    SettingRecord* row = OptFindSetting(ctx, f.table);
    uint8_t* p = OptGetValueAddr(ctx, row);
    if (p) std::memset(p, 0, 4);
  }
}

// Releases everything a context owns; what was never built is null.
void Destroy(DriverContext* ctx, bool free_fonts) {
  if (!ctx) return;
  if (ctx->work) {
    CtxFreeSavedFontTables(ctx);
    MemFree(ctx->work->savedDevmode);
    MemFree(ctx->work->storedDevmode);
    MemFree(ctx->work->sheetSnapshot);
    MemFree(ctx->work->pendingSettings);
    CsvFreeList(ctx);
  }
  if (free_fonts) FreeWorkingFontTables(ctx);
  ResFreeDlls(ctx);
  RuleFreeEvalStack(ctx);
  if (ctx->image) MdfReleaseModel(ctx->image);  // it stays in the process-wide list
  if (ctx->settings) {
    MemFree(ctx->settings->rows);
    MemFree(ctx->settings);
  }
  if (ctx->dialogs) {
    if (ctx->dialogs->rows && ctx->dialogs->count > 0) MemFree(ctx->dialogs->rows[0].items);
    MemFree(ctx->dialogs->rows);
    MemFree(ctx->dialogs);
  }
  MemFree(ctx->model);
  MemFree(ctx->devmode);
  if (ctx->work) {
    for (uint8_t* buf : ctx->work->saveStack) MemFree(buf);
    DmFreeSaveStack(ctx);
    PresetCacheControl(ctx, 0, kPresetCacheFreeAll);
    MemFree(ctx->work);
  }
  FreeBlobTable(ctx);
  MemFree(ctx);
}

bool CopySettings(DriverContext* ctx, const DriverContext& t) {
  auto* table = static_cast<SettingTable*>(MemAllocZeroed(sizeof(SettingTable)));
  if (!table) return false;
  ctx->settings = table;
  size_t bytes = sizeof(SettingRecord) * size_t(t.settings->count);
  table->rows = static_cast<SettingRecord*>(MemAllocZeroed(bytes));
  if (!table->rows) return false;
  std::memcpy(table->rows, t.settings->rows, bytes);
  table->count = t.settings->count;
  return true;
}

bool CopyDialogs(DriverContext* ctx, const DriverContext& t) {
  if (!t.dialogs) return true;  // the graphics and query libraries have none
  auto* table = static_cast<DialogTable*>(MemAllocZeroed(sizeof(DialogTable)));
  if (!table) return false;
  ctx->dialogs = table;
  int16_t n = t.dialogs->count;
  table->rows = static_cast<DialogRecord*>(MemAllocZeroed(sizeof(DialogRecord) * size_t(n)));
  if (!table->rows) return false;
  size_t items = 0;
  for (int i = 0; i < n; ++i) items += t.dialogs->rows[i].itemCount;
  // All item rows in one block, in dialog order; the first dialog points at it.
  auto* block = static_cast<DialogItemRecord*>(MemAllocZeroed(sizeof(DialogItemRecord) * (items ? items : 1)));
  if (!block) {
    MemFree(table->rows);
    table->rows = nullptr;
    return false;
  }
  std::memcpy(table->rows, t.dialogs->rows, sizeof(DialogRecord) * size_t(n));
  table->count = n;
  DialogItemRecord* next = block;
  for (int i = 0; i < n; ++i) {
    DialogRecord& d = table->rows[i];
    if (d.itemCount) std::memcpy(next, t.dialogs->rows[i].items, sizeof(DialogItemRecord) * d.itemCount);
    d.items = next;
    next += d.itemCount;
  }
  if (n == 0) MemFree(block);
  return true;
}

// Kind 0: the stored settings, then the hand-over of the batch settings
// when the batch-settings ini asks for it: the job information kept in
// printer data goes to the job-information provider, and the user code
// follows when it can be loaded.
// The query library leaves the hand-over to the libraries that install.
void LoadStoredSettings(DriverContext* ctx) {
  StoreLoadAll(ctx);
  if (LibGetBuild().noBatchHandOver || !InstBatchIsDrvInstSet(ctx)) return;
  JobInfoLoadMaskFromPrinterData(ctx, kBatchJobInfoMask);
  JobInfoWriteMaskIfEnabled(ctx, kBatchJobInfoMask);
  if (StoreLoadItemByName(ctx->printer, ctx, OptFindSetting(ctx, setting::vdmUserCode)))
    JobInfoWriteMaskIfEnabled(ctx, kJobInfoUserCode);
  InstBatchSetDrvInstSet(ctx, 0);
}

// Kinds 0-3: the model image, the evaluator stack and the working DEVMODE.
// Any of them missing fails the open.
bool BuildModelParts(DriverContext* ctx, uint16_t kind) {
  ctx->image = MdfGetCompiledModel(ctx);
  if (!ctx->image || RuleAllocEvalStack(ctx) != 0) return false;
  ctx->devmode = DmCreateDefault(ctx, kind);
  if (!ctx->devmode) return false;
  if (kind == 0) {
    LoadStoredSettings(ctx);
    ctx->work->storedDevmode = AllocWorkBuffer();
    if (!ctx->work->storedDevmode) return false;
    std::memcpy(ctx->work->storedDevmode, ctx->devmode, dm::kWorkBufferSize);
  }
  DmCopyDeviceConfig(ctx);
  CtxSaveDevmode(ctx);
  return true;
}

}  // namespace

// ---- public --------------------------------------------------------------------------

const ModelInfo& CtxGetBuiltinModelInfo() { return kModelInfo; }

DriverContext* CtxGetTemplate() {
  static DriverContext t = MakeTemplate();
  return &t;
}

void CtxSetFirstRun(uint32_t value) { g_first_run.store(value); }
uint32_t CtxGetFirstRun() { return g_first_run.load(); }

DriverContext* CtxOpen(HANDLE printer, HANDLE query, uint32_t open_flags) {
  return CtxCreate(printer, query, 0, open_flags, 0, nullptr);
}

DriverContext* CtxOpenKind(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags) {
  return CtxCreate(printer, query, kind_word, open_flags, 0, nullptr);
}

DriverContext* CtxOpenWithPrinterInfo(HANDLE printer, HANDLE query, uint32_t open_flags, const PRINTER_INFO_2W* info) {
  return CtxCreate(printer, query, 0, open_flags, 0, info);
}

DriverContext* CtxOpenWithMode(HANDLE printer, HANDLE query, uint32_t open_flags, uint32_t doc_mode,
                               const PRINTER_INFO_2W* info) {
  return CtxCreate(printer, query, 0, open_flags, doc_mode, info);
}

static DriverContext* Build(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags,
                            uint32_t doc_mode, const PRINTER_INFO_2W* info);

DriverContext* CtxCreate(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags, uint32_t doc_mode,
                         const PRINTER_INFO_2W* info) {
  if (g_first_run.load()) open_flags |= kOpenFirstRun;
  if (open_flags == kOpenPdevRequest) open_flags = kOpenPdev;

  // Without the caller's PRINTER_INFO_2 the open asks the spooler for one,
  // and frees it when the open is done, whatever the outcome.
  PRINTER_INFO_2W* fetched = nullptr;
  if (!info) info = fetched = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  DriverContext* ctx = Build(printer, query, kind_word, open_flags, doc_mode, info);
  MemFree(fetched);
  return ctx;
}

static DriverContext* Build(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags,
                            uint32_t doc_mode, const PRINTER_INFO_2W* info) {
  const uint16_t kind = kind_word & 0xFF;
  const uint16_t kind_options = kind_word & 0xFF00;
  if (DriverContext* cached = CtxTakeFromCache(printer, kind_word, open_flags, doc_mode, info)) {
    // A context taken back serves its new caller: the handles, kind and kind
    // options are the caller's, never those of the call that released it.
    cached->printer = printer;
    cached->queryPrinter = query;
    cached->work->kind = kind;
    cached->work->kindOptions = kind_options;
    return cached;
  }

  const DriverContext& t = *CtxGetTemplate();
  auto* ctx = static_cast<DriverContext*>(MemAllocZeroed(sizeof(DriverContext)));
  if (!ctx) return nullptr;
  *ctx = t;
  ctx->settings = nullptr;
  ctx->dialogs = nullptr;
  ctx->model = nullptr;
  ctx->devmode = nullptr;
  ctx->work = nullptr;
  ctx->blobs = {};
  ctx->printer = printer;
  ctx->queryPrinter = query;

  bool ok = CopySettings(ctx, t) && CopyDialogs(ctx, t);
  if (ok) {
    ctx->model = static_cast<ModelInfo*>(MemAllocZeroed(sizeof(ModelInfo)));
    ok = ctx->model != nullptr;
    if (ok) *ctx->model = *t.model;
  }
  if (ok) {
    ctx->work = static_cast<WorkRecord*>(MemAllocZeroed(sizeof(WorkRecord)));
    ok = ctx->work != nullptr;
  }
  if (ok) {
    WorkRecord& w = *ctx->work;
    w = *t.work;
    w.jobInfo = {};
    w.remote = 0;
    w.attributesValid = 0;
    w.attributes = 0;
    if (info) SplCachePrinterInfo(info, ctx);
    for (uint8_t*& buf : w.saveStack) ok = ok && (buf = AllocWorkBuffer()) != nullptr;
    w.inputDevmode = w.outputDevmode = nullptr;
    w.sheetCommitted = 0;
    w.sheetSnapshot = nullptr;
    w.storedDevmode = nullptr;
    w.gdiObjects[0] = w.gdiObjects[1] = nullptr;
    w.kindOptions = kind_options;
    w.kind = kind;
    w.openFlags = open_flags;
  }
  if (ok && (kind == 0 || kind == 1 || kind == 3)) SplGetDriverName(ctx);
  if (ok) {
    ResGetHelpLanguageCode(ctx);
    WorkRecord& w = *ctx->work;
    w.sheetFlags = 0;
    w.fontTableCount = 0;
    w.fontTableBefore = 0;
    w.savedDevmode = AllocWorkBuffer();
    ok = w.savedDevmode != nullptr;
    PresetCacheControl(ctx, 0, kPresetCacheClear);
  }
  if (ok && kind <= 3) ok = BuildModelParts(ctx, kind);
  if (!ok) {
    Destroy(ctx, false);
    return nullptr;
  }
  return ctx;
}

void CtxClose(DriverContext* ctx) { CtxCloseAs(ctx, kCloseToCache); }

void CtxCloseAs(DriverContext* ctx, uint32_t disposition) { CtxDispose(ctx, disposition); }

void CtxDispose(DriverContext* ctx, uint32_t disposition) {
  if (!ctx || ctx == CtxGetTemplate()) return;
  if (disposition == kCloseDestroy) {
    Destroy(ctx, true);
    return;
  }
  DriverContext* victim = CtxReleaseToCache(ctx, disposition);
  if (victim) Destroy(victim, !(disposition == kCloseKeepFonts && victim == ctx));
}

void CtxInitCaches() { std::memset(g_caches, 0, sizeof g_caches); }

void CtxSweepCache(int32_t all) {
  DriverContext* expired[4] = {};
  int n = 0;
  DWORD now = GetTickCount();
  for (int c = 0; c < 2; ++c) {
    LockEnterSection(c + 1);
    for (CacheSlot& slot : g_caches[c]) {
      // Unsigned difference: right across the wrap of the tick count.
      if (slot.ctx && (all == 1 || DWORD(now - slot.stamp) > kCacheLifetimeMs)) {
        expired[n++] = slot.ctx;
        slot = {};
      }
    }
    LockLeaveSection(c + 1);
  }
  for (int i = 0; i < n; ++i) Destroy(expired[i], true);
}

DriverContext* CtxTakeFromCache(HANDLE printer, uint16_t kind_word, uint32_t open_flags, uint32_t doc_mode,
                                const PRINTER_INFO_2W* info) {
  CtxSweepCache(0);
  char16_t name[261];
  if (!PrinterName(printer, info, name, 261)) return nullptr;
  int c = CacheFor(open_flags);
  DriverContext* found = nullptr;
  LockEnterSection(c + 1);
  for (CacheSlot& slot : g_caches[c]) {
    if (SlotMatches(slot, printer, kind_word, open_flags, doc_mode, name)) {
      found = slot.ctx;
      slot = {};
      break;
    }
  }
  LockLeaveSection(c + 1);
  return found;
}

DriverContext* CtxReleaseToCache(DriverContext* ctx, uint32_t disposition) {
  if (!ctx) return nullptr;
  if (disposition != kCloseToCache && disposition != kCloseToCapsCache) return ctx;
  // Without a working DEVMODE there is nothing worth keeping.
  if (!ctx->devmode || !ctx->work) return ctx;
  if (OptGetValueById(ctx, setting::vdmJobLinker) & 1) return ctx;
  int c = disposition == kCloseToCapsCache ? 0 : 1;
  DWORD now = GetTickCount();
  DriverContext* displaced = nullptr;
  LockEnterSection(c + 1);
  CacheSlot* target = nullptr;
  for (CacheSlot& slot : g_caches[c]) {
    if (!slot.ctx) {
      target = &slot;
      break;
    }
  }
  if (!target) {
    target = &g_caches[c][0];
    for (CacheSlot& slot : g_caches[c])
      if (slot.stamp < target->stamp) target = &slot;
    displaced = target->ctx;
  }
  *target = {ctx, now};
  LockLeaveSection(c + 1);
  return displaced;
}

int32_t CtxSaveDevmode(DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->work->savedDevmode || !ctx->devmode) return 0;
  uint8_t* saved = ctx->work->savedDevmode;
  CtxFreeSavedFontTables(ctx);  // the copy's tables of an earlier save
  std::memcpy(saved, ctx->devmode, dm::kWorkBufferSize);
  dm::StampRegionOffsets(saved);
  // The copy gets font tables of its own.
  for (const FontTableItems& f : kFontTables) {
    uint32_t count = uint16_t(OptGetValueById(ctx, f.count));
    void* table = CtxBlobGet(ctx, uint32_t(OptGetValueById(ctx, f.table)));
    uint32_t handle = 0;
    size_t bytes = size_t(count) * f.entrySize;
    if (count && table && GlobalSize(table) >= bytes) {
      void* copy = MemAllocZeroed(bytes);
      if (copy) {
        std::memcpy(copy, table, bytes);
        handle = CtxBlobAdd(ctx, copy);
        if (!handle) MemFree(copy);
      }
    }
    OptSetSavedValueById(ctx, f.count, handle ? int32_t(count) : 0);
    OptSetSavedValueById(ctx, f.table, int32_t(handle));
  }
  return 1;
}

int32_t CtxFreeSavedFontTables(DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->work->savedDevmode) return 0;
  for (const FontTableItems& f : kFontTables) {
    CtxBlobFree(ctx, uint32_t(OptGetSavedValueById(ctx, f.table)));
    OptSetSavedValueById(ctx, f.table, 0);
  }
  return 1;
}

uint8_t* CtxGetDevmode(DriverContext* ctx) { return ctx ? ctx->devmode : nullptr; }

uint8_t* CtxGetPrivateDevmode(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return nullptr;
  // The public size the DEVMODE declares, bounded by the public part we build.
  uint16_t size;
  std::memcpy(&size, ctx->devmode + offsetof(DEVMODEW, dmSize), 2);
  return ctx->devmode + (size <= dm::kPublicSize ? size : dm::kPublicSize);
}

uint8_t* CtxGetPrivateHeader(DriverContext* ctx) { return CtxGetPrivateDevmode(ctx); }

uint8_t* CtxGetOptionBlock(DriverContext* ctx) {
  return ctx && ctx->devmode ? ctx->devmode + kRegionStart[kRegionOptions] : nullptr;
}

uint8_t* DmGetPrivateStart(uint8_t* devmode) { return devmode ? devmode + dm::kPublicSize : nullptr; }

void dm::StampRegionOffsets(uint8_t* devmode) {
  if (!devmode) return;
  const uint16_t offsets[3] = {uint16_t(kRegionStart[1]), uint16_t(kRegionStart[2]), uint16_t(kRegionStart[3])};
  for (int i = 0; i < 3; ++i) {
    devmode[kRegion1Offset + 2 * i] = uint8_t(offsets[i] & 0xFF);
    devmode[kRegion1Offset + 2 * i + 1] = uint8_t(offsets[i] >> 8);
  }
}

// ---- blocks behind 32-bit handles -------------------------------------------------------

uint32_t CtxBlobAdd(DriverContext* ctx, void* block) {
  if (!ctx || !block || ctx == CtxGetTemplate()) return 0;
  BlobTable& t = ctx->blobs;
  for (uint32_t i = 0; i < t.capacity; ++i) {
    if (!t.slots[i]) {
      t.slots[i] = block;
      return i + 1;
    }
  }
  uint32_t cap = t.capacity ? t.capacity * 2 : 8;
  auto** slots = static_cast<void**>(MemAllocZeroed(sizeof(void*) * cap));
  if (!slots) return 0;
  if (t.capacity) std::memcpy(slots, t.slots, sizeof(void*) * t.capacity);
  MemFree(t.slots);
  uint32_t handle = t.capacity + 1;
  t.slots = slots;
  t.capacity = cap;
  t.slots[handle - 1] = block;
  return handle;
}

void* CtxBlobGet(DriverContext* ctx, uint32_t handle) {
  if (!ctx || handle == 0 || handle > ctx->blobs.capacity) return nullptr;
  return ctx->blobs.slots[handle - 1];
}

bool CtxBlobSwap(DriverContext* ctx, uint32_t a, uint32_t b) {
  if (!CtxBlobGet(ctx, a) || !CtxBlobGet(ctx, b)) return false;
  std::swap(ctx->blobs.slots[a - 1], ctx->blobs.slots[b - 1]);
  return true;
}

void CtxBlobFree(DriverContext* ctx, uint32_t handle) {
  if (!ctx || handle == 0 || handle > ctx->blobs.capacity) return;
  MemFree(ctx->blobs.slots[handle - 1]);
  ctx->blobs.slots[handle - 1] = nullptr;
}
