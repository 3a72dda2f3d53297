// The save stack of a context's settings, the setting-table clone, the font
// tables of the working DEVMODE, and small single-setting routines.
#include "velm/save_stack.h"

#include <cstring>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/remote.h"
#include "velm/selectable.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {
constexpr uint32_t kSubstBytes = 128, kDeviceFontBytes = 68;
constexpr uint32_t kFixedLevels = 3;

struct TableItems {
  uint32_t count;
  uint32_t table;
  uint32_t entryBytes;
};
constexpr TableItems kTables[] = {
    {setting::vdmFontTableNum, setting::vdmFontTable, kSubstBytes},
    {setting::vdmDeviceFontNum, setting::vdmDeviceFont, kDeviceFontBytes},
    {setting::vdmOptionFontNum, setting::vdmOptionFont, kDeviceFontBytes},
};

bool Usable(DriverContext* ctx) { return ctx && ctx->devmode && ctx->work && ctx->settings; }

// The 4-byte handle slot of a table item inside any work buffer.
uint8_t* SlotIn(DriverContext* ctx, uint8_t* buffer, uint32_t id) {
  const SettingRecord* row = OptFindSetting(ctx, id);
  if (!row || DescRegion(row->descriptor) != kRegionOptions || row->offset + 4u > kRegionSize[kRegionOptions])
    return nullptr;
  return buffer + kRegionStart[kRegionOptions] + row->offset;
}
uint32_t HandleIn(DriverContext* ctx, uint8_t* buffer, uint32_t id) {
  uint8_t* p = SlotIn(ctx, buffer, id);
  uint32_t h = 0;
  if (p) std::memcpy(&h, p, 4);
  return h;
}
void SetHandleIn(DriverContext* ctx, uint8_t* buffer, uint32_t id, uint32_t handle) {
  if (uint8_t* p = SlotIn(ctx, buffer, id)) std::memcpy(p, &handle, 4);
}

// Gives a copied state font tables of its own (a table that cannot be
// copied is left out of the copy: count and handle 0).
void OwnFontTables(DriverContext* ctx, uint8_t* copy) {
  for (const TableItems& t : kTables) {
    uint32_t handle = HandleIn(ctx, copy, t.table);
    void* block = CtxBlobGet(ctx, handle);
    uint32_t own = 0;
    if (block) {
      size_t bytes = GlobalSize(block);
      void* dup = MemAllocZeroed(bytes);
      if (dup) {
        std::memcpy(dup, block, bytes);
        own = CtxBlobAdd(ctx, dup);
        if (!own) MemFree(dup);
      }
    }
    SetHandleIn(ctx, copy, t.table, own);
    if (!own) {
      const SettingRecord* row = OptFindSetting(ctx, t.count);
      if (row && handle) std::memset(copy + kRegionStart[kRegionOptions] + row->offset, 0, DescSize(row->descriptor));
    }
  }
}

void FreeFontTablesIn(DriverContext* ctx, uint8_t* buffer) {
  for (const TableItems& t : kTables) {
    CtxBlobFree(ctx, HandleIn(ctx, buffer, t.table));
    SetHandleIn(ctx, buffer, t.table, 0);
  }
}

// Frees the substitution table kept by the first replacement when that
// replacement was made at this level of the stack or above.
void DropKeptTable(DriverContext* ctx, int32_t depth) {
  WorkRecord& w = *ctx->work;
  if (!w.fontTableKept || w.fontTableKeptDepth < depth) return;
  CtxBlobFree(ctx, w.fontTableBefore);
  w.fontTableBefore = 0;
  w.fontTableCount = 0;
  w.fontTableKept = 0;
  w.fontTableKeptDepth = 0;
}

bool GrowOverflow(WorkRecord& w) {
  if (w.saveOverflowCount < w.saveOverflowCapacity) return true;
  uint32_t cap = w.saveOverflowCapacity ? w.saveOverflowCapacity * 2 : 4;
  auto* grown = static_cast<SavedSettings*>(MemAllocZeroed(sizeof(SavedSettings) * cap));
  if (!grown) return false;
  if (w.saveOverflowCount) std::memcpy(grown, w.saveOverflow, sizeof(SavedSettings) * w.saveOverflowCount);
  MemFree(w.saveOverflow);
  w.saveOverflow = grown;
  w.saveOverflowCapacity = cap;
  return true;
}

// The bounded, terminated name of a 68-byte device-font record.
char16_t* CopyName(char16_t* buffer, const uint8_t* name_field) {
  std::memcpy(buffer, name_field, kFontNameChars * sizeof(char16_t));
  buffer[kFontNameChars] = 0;
  return buffer;
}

}  // namespace

// ---- save stack ---------------------------------------------------------------------

void DmPushSettings(DriverContext* ctx) {
  if (!Usable(ctx)) return;
  WorkRecord& w = *ctx->work;
  if (!w.saveStack[0] || !w.saveStack[1] || !w.saveStack[2]) return;
  uint8_t* target = w.saveStack[2];
  if (w.saveDepth >= int32_t(kFixedLevels)) {
    // The oldest of the three moves below them; when memory is short it is
    // lost, as a three-deep stack would lose it.
    uint8_t* fresh = nullptr;
    if (GrowOverflow(w) && (fresh = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize))) != nullptr) {
      w.saveOverflow[w.saveOverflowCount++] = {w.saveStack[2], w.savedChangeMasks[2]};
      target = fresh;
    } else {
      FreeFontTablesIn(ctx, target);
      --w.saveDepth;
    }
  }
  w.saveStack[2] = w.saveStack[1];
  w.savedChangeMasks[2] = w.savedChangeMasks[1];
  w.saveStack[1] = w.saveStack[0];
  w.savedChangeMasks[1] = w.savedChangeMasks[0];
  std::memcpy(target, ctx->devmode, dm::kWorkBufferSize);
  OwnFontTables(ctx, target);
  w.saveStack[0] = target;
  w.savedChangeMasks[0] = w.changeMask;
  ++w.saveDepth;
}

void DmPopSettings(DriverContext* ctx, int32_t restore) {
  if (!Usable(ctx) || ctx->work->saveDepth <= 0) return;
  WorkRecord& w = *ctx->work;
  uint8_t* top = w.saveStack[0];
  // A table replaced since this push is freed either way: on restore the
  // pushed state brings its own copy of it back; without restore the
  // replacement stays.
  DropKeptTable(ctx, w.saveDepth);
  if (restore) {
    // The restored tables keep the handle numbers the working DEVMODE gave
    // out, so that a push and a restoring pop leave its bytes as they were.
    for (const TableItems& t : kTables) {
      uint32_t working = HandleIn(ctx, ctx->devmode, t.table);
      uint32_t pushed = HandleIn(ctx, top, t.table);
      if (working && pushed && CtxBlobSwap(ctx, working, pushed)) {
        SetHandleIn(ctx, top, t.table, working);
        SetHandleIn(ctx, ctx->devmode, t.table, pushed);
      }
    }
    FreeFontTablesIn(ctx, ctx->devmode);
    std::memcpy(ctx->devmode, top, dm::kWorkBufferSize);
    std::memset(top, 0, dm::kWorkBufferSize);  // its tables now belong to the working DEVMODE
    w.changeMask = w.savedChangeMasks[0];
    w.modified = 0;
    for (int32_t i = 0; i < ctx->settings->count; ++i) ctx->settings->rows[i].dirty = 0;
  } else {
    FreeFontTablesIn(ctx, top);
  }
  w.saveStack[0] = w.saveStack[1];
  w.savedChangeMasks[0] = w.savedChangeMasks[1];
  w.saveStack[1] = w.saveStack[2];
  w.savedChangeMasks[1] = w.savedChangeMasks[2];
  if (w.saveOverflowCount) {
    const SavedSettings& older = w.saveOverflow[--w.saveOverflowCount];
    w.saveStack[2] = older.buffer;
    w.savedChangeMasks[2] = older.changeMask;
    MemFree(top);
  } else {
    w.saveStack[2] = top;
  }
  --w.saveDepth;
}

int32_t DmGetSaveDepth(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->saveDepth : 0; }

void DmFreeSaveStack(DriverContext* ctx) {
  if (!ctx || !ctx->work) return;
  WorkRecord& w = *ctx->work;
  for (uint32_t i = 0; i < w.saveOverflowCount; ++i) MemFree(w.saveOverflow[i].buffer);
  MemFree(w.saveOverflow);
  w.saveOverflow = nullptr;
  w.saveOverflowCount = w.saveOverflowCapacity = 0;
}

// ---- setting table clone ---------------------------------------------------------------

SettingTable* OptCloneSettingTable(DriverContext* ctx) {
  if (!ctx || !ctx->settings) return nullptr;
  auto* clone = static_cast<SettingTable*>(MemAllocZeroed(sizeof(SettingTable)));
  if (!clone) return nullptr;
  size_t bytes = sizeof(SettingRecord) * size_t(uint16_t(ctx->settings->count));
  clone->rows = static_cast<SettingRecord*>(MemAllocZeroed(bytes ? bytes : 1));
  if (clone->rows) {
    if (bytes) std::memcpy(clone->rows, ctx->settings->rows, bytes);
    clone->count = ctx->settings->count;
  }
  return clone;
}

void OptRestoreSettingTable(DriverContext* ctx, SettingTable* clone) {
  if (!clone) return;
  if (ctx && ctx->settings && clone->rows && clone->count == ctx->settings->count)
    std::memcpy(ctx->settings->rows, clone->rows, sizeof(SettingRecord) * size_t(uint16_t(clone->count)));
  MemFree(clone->rows);
  MemFree(clone);
}

// ---- font tables -------------------------------------------------------------------------

int32_t OptCountDeviceFonts(DriverContext* ctx) {
  return uint16_t(OptGetValueById(ctx, setting::vdmDeviceFontNum)) + uint16_t(OptGetValueById(ctx, setting::vdmOptionFontNum));
}

char16_t* OptGetDeviceFontName(DriverContext* ctx, int32_t n, char16_t* buffer) {
  if (!buffer) return nullptr;
  buffer[0] = 0;
  if (!ctx || !ctx->devmode || n < 0) return buffer;
  for (const TableItems& t : {kTables[1], kTables[2]}) {
    int32_t count = uint16_t(OptGetValueById(ctx, t.count));
    auto* block = static_cast<const uint8_t*>(CtxBlobGet(ctx, uint32_t(OptGetValueById(ctx, t.table))));
    if (n < count) {
      // Only records the block really holds are read.
      if (block && GlobalSize(const_cast<uint8_t*>(block)) >= size_t(n + 1) * kDeviceFontBytes)
        CopyName(buffer, block + size_t(n) * kDeviceFontBytes + 4);
      return buffer;
    }
    n -= count;
  }
  return buffer;
}

int32_t OptReplaceFontTable(DriverContext* ctx, int32_t count, const uint8_t* table) {
  if (!Usable(ctx)) return 0;
  WorkRecord& w = *ctx->work;
  uint8_t* copy = nullptr;
  if (table && count > 0) {
    copy = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kSubstBytes));
    if (!copy) return 0;
    std::memcpy(copy, table, size_t(count) * kSubstBytes);
  }
  if (!w.fontTableKept) {
    // The first replacement keeps the table in place and detaches it.
    w.fontTableBefore = uint32_t(OptGetValueById(ctx, setting::vdmFontTable));
    w.fontTableCount = uint16_t(OptGetValueById(ctx, setting::vdmFontTableNum));
    w.fontTableKept = 1;
    w.fontTableKeptDepth = w.saveDepth;
    OptSetValueById(ctx, setting::vdmFontTable, 0);
    OptSetValueById(ctx, setting::vdmFontTableNum, 0);
  }
  if (!table) return StoreLoadDefaultFontTable(ctx->printer, ctx);
  CtxBlobFree(ctx, uint32_t(OptGetValueById(ctx, setting::vdmFontTable)));
  OptSetValueById(ctx, setting::vdmFontTable, 0);
  OptSetValueById(ctx, setting::vdmFontTableNum, 0);
  if (!copy) return 1;  // an empty table
  uint32_t handle = CtxBlobAdd(ctx, copy);
  if (!handle) {
    MemFree(copy);
    return 0;
  }
  OptSetValueById(ctx, setting::vdmFontTable, int32_t(handle));
  OptSetValueById(ctx, setting::vdmFontTableNum, count);
  return 1;
}

char16_t* OptFindSubstituteFont(DriverContext* ctx, const char16_t* face, char16_t* buffer) {
  if (!buffer) return nullptr;
  buffer[0] = 0;
  if (!ctx || !ctx->devmode) return buffer;
  int32_t count = uint16_t(OptGetValueById(ctx, setting::vdmFontTableNum));
  auto* block = static_cast<const uint8_t*>(CtxBlobGet(ctx, uint32_t(OptGetValueById(ctx, setting::vdmFontTable))));
  if (face && block) {
    size_t held = GlobalSize(const_cast<uint8_t*>(block)) / kSubstBytes;
    for (int32_t i = 0; i < count && size_t(i) < held; ++i) {
      char16_t name[kFontNameChars + 1];
      CopyName(name, block + size_t(i) * kSubstBytes);
      if (plat::WCmp(name, face) == 0)
        return CopyName(buffer, block + size_t(i) * kSubstBytes + 64);
    }
  }
  return OptGetDeviceFontName(ctx, 0, buffer);
}

// ---- resolution and quality ------------------------------------------------------------

int32_t DmGetPrintQuality(DriverContext* ctx) { return OptGetValueById(ctx, setting::dmPrintQuality); }
void DmSetPrintQuality(DriverContext* ctx, int32_t value) { OptSetValueById(ctx, setting::dmPrintQuality, value); }
void DmSetYResolution(DriverContext* ctx, int32_t value) { OptSetValueById(ctx, setting::dmYResolution, value); }
int32_t DmGetDstResolutionW(DriverContext* ctx) { return OptGetValueById(ctx, setting::vdmDstResolutionW); }
void DmSetDstResolutionW(DriverContext* ctx, int32_t value) { OptSetValueById(ctx, setting::vdmDstResolutionW, value); }
int32_t DmGetDstResolutionH(DriverContext* ctx) { return OptGetValueById(ctx, setting::vdmDstResolutionH); }
void DmSetDstResolutionH(DriverContext* ctx, int32_t value) { OptSetValueById(ctx, setting::vdmDstResolutionH, value); }

// ---- settings-file mismatch flag -----------------------------------------------------------

void CtxSetFileMismatch(DriverContext* ctx, int32_t value) {
  if (ctx && ctx->work && ctx != CtxGetTemplate()) ctx->work->settingsFileMismatch = value;
}

int32_t CtxGetFileMismatch(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->settingsFileMismatch : 0; }

// ---- single settings -------------------------------------------------------------------------

int32_t OptSetValueByIdGated(int32_t, uint32_t id, int32_t value, DriverContext* ctx) {
  return OptSetValueById(ctx, id, value);
}

int32_t OptHasSortChoice(DriverContext* ctx) {
  int32_t count = 0;
  int32_t r = OptListSelectable(ctx, setting::vdmSortType, 0, nullptr, &count);
  if ((r != 0 && r != 1) || count <= 0) return 0;
  auto* values = static_cast<int32_t*>(MemAllocZeroed(sizeof(int32_t) * size_t(count)));
  if (!values) return 0;
  int32_t have = count;
  r = OptListSelectable(ctx, setting::vdmSortType, have, values, &count);
  int32_t answer = r == 0 && count <= have && (count > 1 || (count == 1 && values[0] != 0)) ? 1 : 0;
  MemFree(values);
  return answer;
}

int32_t OptGetCustomFunc(DriverContext* ctx, uint32_t id) {
  if (id < 916 || id > 947) return 0;
  return OptGetValueById(ctx, id);
}

// ---- build switches ------------------------------------------------------------------------

int32_t UcodeIsEnabled() { return 0; }
int32_t JobInfoIsEnabled() { return 1; }

int32_t RemoteIsFeatureBitOn(int32_t n) {
  constexpr uint64_t kFeatureBits = 0x80;  // the second remote-configuration DLL
  if (n < 0 || n > 63) return 0;
  return int32_t((kFeatureBits >> n) & 1);
}

int32_t RemoteSyncByFeatureBit(int32_t n, DriverContext* ctx) {
  if (!RemoteIsFeatureBitOn(n) || n != 7) return 0;
  return RemoteSyncClientFiles(ctx);
}

int32_t BidiIsHookedOptionCode(int32_t code) {
  switch (code) {
    case 132: case 133: case 134: case 137: case 138: case 12: return 1;
    default: return 0;
  }
}

void BidiOnOptionCode(DriverContext*, int32_t, int32_t, void*) {}
